// Runs the real orvgen binary for "stamp" against each engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <orv/host/classes/component.h>
#include <orv/host/db/field.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/spawned_child.h>
#include <orv/host/db/testing/tables.h>

namespace {

using namespace orv;

struct Outcome {
  int code;
  std::vector<std::string> out;  // stdout lines
  std::string err;
};

// Runs orvgen with args; stdout and stderr are captured separately.
Outcome Orvgen(const std::vector<std::string>& args) {
  orv::testing::SpawnedChild child(ORVGEN_BINARY, args);
  const orv::testing::ChildResult r = child.Wait();
  return {r.exit_code, orv::testing::Lines(r.out), r.err};
}

class StampCommandTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<orv::testing::TestDatabase>(GetParam());
  }
  std::vector<std::string> Args(std::vector<std::string> more) {
    std::vector<std::string> a = {"stamp", "--aliases", db_->AliasFile(), "--db", db_->Alias()};
    a.insert(a.end(), more.begin(), more.end());
    return a;
  }
  std::unique_ptr<orv::testing::TestDatabase> db_;
};

bool AllDigits(const std::string& s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

TEST_P(StampCommandTest, CreatesAppendsAndPrintsEachStamp) {
  Outcome r = Orvgen(Args({"--table", "KEYS", "--field", "UKEY", "-n", "5", "--create"}));
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.out.size(), 5u);
  for (size_t i = 0; i < r.out.size(); ++i) {
    EXPECT_EQ(r.out[i].size(), 17u);
    EXPECT_TRUE(AllDigits(r.out[i])) << r.out[i];
    if (i > 0) {
      EXPECT_LT(r.out[i - 1], r.out[i]);
    }
  }
  // A second run on the existing table (the key field already fits the text).
  Outcome more =
      Orvgen(Args({"--table", "KEYS", "--field", "UKEY", "-n", "3", "--text", "", "--create"}));
  ASSERT_EQ(more.code, 0) << more.err;
  ASSERT_EQ(more.out.size(), 3u);

  // What was printed is what is stored, numbered on from the rows before.
  std::vector<std::string> printed = r.out;
  printed.insert(printed.end(), more.out.begin(), more.out.end());
  TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "KEYS");
  t->Open();
  std::vector<std::pair<long long, std::string>> rows;
  for (t->First(); !t->Eof(); t->Next())
    rows.emplace_back(t->FieldByName("ID")->AsInteger(), t->FieldByName("UKEY")->AsString());
  std::sort(rows.begin(), rows.end());
  ASSERT_EQ(rows.size(), 8u);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].first, static_cast<long long>(i + 1));
    EXPECT_EQ(rows[i].second, printed[i]);
  }
  EXPECT_EQ(std::set<std::string>(printed.begin(), printed.end()).size(), printed.size());
}

TEST_P(StampCommandTest, TextFollowsTheTimePart) {
  Outcome r =
      Orvgen(Args({"--table", "TEXTKEYS", "--field", "K", "-n", "3", "--text", "AB", "--create"}));
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(r.out.size(), 3u);
  for (const auto& s : r.out) {
    ASSERT_EQ(s.size(), 19u);
    EXPECT_TRUE(AllDigits(s.substr(0, 17))) << s;
    EXPECT_EQ(s.substr(17), "AB");
  }
}

// Two programs stamping one table at once: both end well, every record is
// stored with its own ID, and no stamp is printed or stored twice. On a table
// that --create made (the stamped field unique) with the same text, and on
// one whose stamped field is not unique (as --create made them before),
// told apart by their texts.
TEST_P(StampCommandTest, TwoStampersOnOneTable) {
  struct Case {
    const char* table;
    bool create;  // by orvgen stamp --create, else ID the only key
    std::string texts[2];
  };
  const Case cases[] = {{"BOTH", true, {"", ""}}, {"OLDKEYS", false, {"A", "B"}}};
  const int n = 300;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    std::vector<std::string> printed_before;
    if (c.create) {
      const Outcome r = Orvgen(Args({"--table", c.table, "--field", "UKEY", "--create"}));
      ASSERT_EQ(r.code, 0) << r.err;
      printed_before = r.out;
    } else {
      TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), c.table);
      t->CreateTable({{"ID", ftInteger, 0}, {"UKEY", ftString, 18}}, {"ID"});
    }
    std::unique_ptr<orv::testing::SpawnedChild> children[2];
    for (int i = 0; i < 2; ++i)
      children[i] = std::make_unique<orv::testing::SpawnedChild>(
          ORVGEN_BINARY, Args({"--table", c.table, "--field", "UKEY", "-n", std::to_string(n),
                               "--text", c.texts[i]}));
    std::vector<std::string> printed = printed_before;
    for (auto& child : children) {
      const orv::testing::ChildResult r = child->Wait();
      ASSERT_EQ(r.exit_code, 0) << r.err;
      const auto lines = orv::testing::Lines(r.out);
      ASSERT_EQ(lines.size(), static_cast<size_t>(n));
      printed.insert(printed.end(), lines.begin(), lines.end());
    }
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), c.table);
    t->Open();
    std::set<long long> ids;
    std::set<std::string> stored;
    for (t->First(); !t->Eof(); t->Next()) {
      ids.insert(t->FieldByName("ID")->AsInteger());
      stored.insert(t->FieldByName("UKEY")->AsString());
    }
    EXPECT_EQ(ids.size(), printed.size());
    EXPECT_EQ(stored.size(), printed.size());
    EXPECT_EQ(stored, std::set<std::string>(printed.begin(), printed.end()));
  }
}

// Failures: the exit code and the exact first line on stderr.
TEST_P(StampCommandTest, FailuresSayWhatIsWrong) {
  {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "NARROW");
    t->CreateTable({{"ID", ftInteger, 0}, {"UKEY", ftString, 10}}, {"ID"});
  }
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string first_err_line;
  };
  const Case cases[] = {
      {{"--table", "NARROW", "--field", "UKEY"},
       1,
       "orvgen: Field 'UKEY' is too narrow for the key: it holds 10 characters, the key needs 17"},
      {{"--table", "NARROW", "--field", "NOPE"}, 1, "orvgen: Table NARROW has no field NOPE"},
      {{"--table", "MISSING", "--field", "UKEY"},
       1,
       "orvgen: Table does not exist: MISSING (database " + db_->Alias() + ")"},
      {{"--table", "NARROW"}, 2, "orvgen stamp: --field is required"},
      {{"--field", "UKEY"}, 2, "orvgen stamp: --table is required"},
      {{"--table", "NARROW", "--field", "UKEY", "-n", "0"},
       2,
       "orvgen stamp: option -n needs a whole number from 1 to 1000000, not '0'"},
  };
  for (const Case& c : cases) {
    Outcome r = Orvgen(Args(c.args));
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.first_err_line);
    EXPECT_TRUE(r.out.empty());
  }
  // Nothing was appended by the failed runs.
  TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "NARROW");
  t->Open();
  EXPECT_EQ(t->RecordCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, StampCommandTest,
                         ::testing::ValuesIn(orv::testing::AllEngineNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
