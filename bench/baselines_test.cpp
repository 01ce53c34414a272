#include "bench/baselines.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/variant.h>
#include <orv/keygen/gentable.h>

namespace orv::bench {
namespace {

std::string Padded(int n) {
  const std::string s = std::to_string(n);
  return std::string(kSuffixDigits - s.size(), '0') + s;
}

TEST(NextSuffix, StepsAndWraps) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {{"000000", "000001"}, {"000009", "000010"}, {"099999", "100000"},
               {"999999", "000000"}, {"", "000001"},       {"12a", "000001"}};
  for (const auto& c : cases) EXPECT_EQ(NextSuffix(c.in), c.out) << c.in;
}

class BaselineTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<orv::testing::TestDatabase>(GetParam());
    TComponentPtr<TTable> t(new TTable(nullptr));
    t->SetDatabaseName(db_->Alias());
    t->SetTableName("BASE.DB");
    t->CreateTable(GenTableFields(), GenTableUniqueKey());
  }

  std::unique_ptr<KeySource> Make(Design d) const {
    if (GetParam() == "postgresql") return MakePgBaseline(db_->Location(), "BASE", d);
    return MakeSqliteBaseline(db_->Location() + "/BASE.DB", "BASE", d);
  }

  // The row as the data layer reads it: suffix and state.
  std::pair<std::string, int> Row() const {
    TComponentPtr<TTable> t(new TTable(nullptr));
    t->SetDatabaseName(db_->Alias());
    t->SetTableName("BASE.DB");
    t->Open();
    if (!t->Locate(kGenTableKey, {TVariant(0), TVariant(kBaselinePrefix)})) return {"(none)", -1};
    return {t->FieldByName(kFieldSuffix)->AsString(), t->FieldByName(kFieldState)->AsInteger()};
  }

  std::unique_ptr<orv::testing::TestDatabase> db_;
};

// Each key steps the stored suffix once and leaves the row free, whichever
// design, and two sources on one row continue each other's count.
TEST_P(BaselineTest, EachKeyStepsTheRowOnce) {
  for (Design d : {Design::kOneTransaction, Design::kThreeCommits}) {
    SCOPED_TRACE(d == Design::kOneTransaction ? "one transaction" : "three commits");
    auto first = Make(d);
    auto second = Make(d);
    const int before = std::stoi(Row().first);
    for (int i = 0; i < 3; ++i) first->Key();
    second->Key();
    first->Key();
    EXPECT_EQ(Row(), std::make_pair(Padded(before + 5), 0));
  }
}

// Programs drawing at once lose no step: the row is read under its lock.
TEST_P(BaselineTest, ProgramsAtOnceLoseNoStep) {
  constexpr int kPrograms = 3, kKeys = 40;
  Make(Design::kOneTransaction);  // the row exists before the programs start
  std::vector<pid_t> pids;
  for (int p = 0; p < kPrograms; ++p) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      try {
        auto source = Make(p % 2 ? Design::kThreeCommits : Design::kOneTransaction);
        for (int i = 0; i < kKeys; ++i) source->Key();
      } catch (...) {
        _exit(1);
      }
      _exit(0);
    }
    pids.push_back(pid);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  for (pid_t pid : pids) {
    int status = -1;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a program failed or hung";
  }
  EXPECT_EQ(Row(), std::make_pair(Padded(kPrograms * kKeys), 0));
}

INSTANTIATE_TEST_SUITE_P(Engines, BaselineTest,
                         ::testing::ValuesIn(orv::testing::AllEngineNames()));

}  // namespace
}  // namespace orv::bench
