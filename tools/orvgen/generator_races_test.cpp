// A generator in this process and another real program on the same row, the
// other program acting at exactly the moment that matters: between this
// generator's look at the row and its locked edit, while it holds a claim, or
// while it withdraws a key. The other program is orvgen itself or a small peer
// that edits rows on command (db_test_peer), so every interleaving is
// deterministic and crosses a process boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/host/rtl/datetime.h>
#include <orv/host/rtl/dialogs.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/gentable.h>
#include <orv/keygen/timestamp.h>
#include "tools/orvgen/testing/orvgen_child.h"

namespace orv {
namespace {

using orv::testing::AllEngineNames;
using orv::testing::ChildResult;
using orv::testing::Lines;
using orv::testing::OrvgenPath;
using orv::testing::RunOrvgen;
using orv::testing::SpawnedChild;
using orv::testing::TestDatabase;

constexpr char kOtherStamp[] = "20260101000000000";  // owner stamp of the other program

// Another program holding its own connection to the generator table; it
// stands on the row of generator type 0 (the tests keep one row).
class Peer {
 public:
  Peer(const TestDatabase& db, const std::string& dir)
      : child_(ORV_DB_TEST_PEER, {db.AliasFile(), db.Alias(), "GENTBL.DB"}, dir, "",
               /*interactive=*/true) {
    Do("open");
    Do("locate GenID 0");
  }
  ~Peer() { child_.Send("quit"); }

  // Sends one command; fails the test unless the peer answers "ok".
  std::string Do(const std::string& command) {
    child_.Send(command);
    std::string answer;
    EXPECT_TRUE(child_.ReadLine(answer)) << command;
    EXPECT_EQ(answer.rfind("ok", 0), 0u) << command << ": " << answer;
    return answer;
  }

  // One locked edit of the row: field=value pairs, then the post.
  void Change(const std::vector<std::pair<std::string, std::string>>& values) {
    Do("edit");
    for (const auto& [field, value] : values) Do("set " + field + " " + value);
    Do("post");
  }

 private:
  SpawnedChild child_;
};

class GeneratorRacesTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    ORV_SKIP_UNLESS_AVAILABLE(GetParam());
    db_ = std::make_unique<TestDatabase>(GetParam());
    dir_ = ::testing::TempDir();
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "GENTBL.DB");
    t->CreateTable(GenTableFields(), GenTableUniqueKey());
  }

  TComponentPtr<TGenerator> Make(const std::string& mask, const std::string& start = "") {
    TComponentPtr<TGenerator> g(new TGenerator(nullptr));
    g->SetMask(mask);
    g->SetStartValue(start);
    g->SetDataBaseName(db_->Alias());
    g->InitDB();
    return g;
  }

  // A field of the row of prefix as stored now.
  std::string Stored(const std::string& prefix, const char* field) {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "GENTBL.DB");
    t->Open();
    if (!t->Locate(kGenTableKey, {TVariant(0), TVariant(prefix)})) return "(no row)";
    return t->FieldByName(field)->AsString();
  }

  ChildResult OrvgenNext(const std::string& mask, int count) {
    return RunOrvgen({"next", "--mask", mask, "-n", std::to_string(count), "--aliases",
                      db_->AliasFile(), "--db", db_->Alias()},
                     dir_);
  }

  TRecordingUserInterface ui_;
  ScopedUserInterface ui_scope_{&ui_};
  std::unique_ptr<TestDatabase> db_;
  std::string dir_;
};

TEST_P(GeneratorRacesTest, AClaimTakesTheRowOnlyIfItIsStillFree) {
  auto g = Make("R#");
  EXPECT_EQ(g->Generator().str(), "R0");  // the generator's copy: free
  Peer peer(*db_, dir_);
  peer.Change({{"State", "1"}, {"Who", kOtherStamp}, {"Try", "0"}, {"Time", GetTimeStamp()}});
  EXPECT_FALSE(g->ReadDATA());
  EXPECT_EQ(Stored("R", "State"), "1");
  EXPECT_EQ(Stored("R", "Who"), kOtherStamp);
  EXPECT_EQ(Stored("R", "Try"), "1");  // counted as a wait, not taken over
}

TEST_P(GeneratorRacesTest, AClaimBrokenAndTakenOverCannotIssueItsKeyAgain) {
  auto g = Make("R#");
  for (const char* key : {"R0", "R1", "R2"}) EXPECT_EQ(g->Generator().str(), key);
  ASSERT_TRUE(g->ReadDATA());  // holds the claim, as during a modal notice
  // Another program counts its waits, breaks the claim and issues the next key.
  const ChildResult other = OrvgenNext("R#", 1);
  ASSERT_EQ(other.exit_code, 0) << other.err;
  EXPECT_EQ(other.out, "R3\n");
  EXPECT_FALSE(g->WriteDATA());
  EXPECT_EQ(Stored("R", "Suffix"), "3");
  EXPECT_EQ(g->Generator().str(), "R4");  // the retry path reloads the row
}

TEST_P(GeneratorRacesTest, AProgramWithTheSameOwnerStampCannotMakeAClaimIssueTwice) {
  auto g = Make("R#");
  for (const char* key : {"R0", "R1"}) EXPECT_EQ(g->Generator().str(), key);
  ASSERT_TRUE(g->ReadDATA());
  // Its owner stamp collides with ours: it broke our claim, issued "2" and
  // holds a claim again. Only the suffix tells its claim from ours.
  Peer peer(*db_, dir_);
  peer.Change({{"Who", g->OwnerStamp()}, {"Suffix", "2"}, {"State", "1"}, {"Try", "0"}});
  EXPECT_FALSE(g->WriteDATA());
  EXPECT_EQ(Stored("R", "Suffix"), "2");
  EXPECT_EQ(g->Generator().str(), "R3");
}

TEST_P(GeneratorRacesTest, UndoChecksTheRowInsideItsLockedEdit) {
  auto g = Make("U##", "01");
  EXPECT_EQ(g->Generator().str(), "U01");
  Peer peer(*db_, dir_);
  // At the start value Undo steps below it and calls OnSubOverMask, after its
  // first look at the row and before its edit: the other program claims then.
  g->SetOnSubOverMask(TGOverFlowEvent::FromCallable([&](TObject*, TmString&) {
    peer.Change({{"State", "1"}, {"Who", kOtherStamp}, {"Time", GetTimeStamp()}});
  }));
  EXPECT_EQ(g->Undo().str(), "U01");
  EXPECT_EQ(ui_.Transcript(), "Can NOT undo!\n");
  EXPECT_EQ(Stored("U", "State"), "1");
  EXPECT_EQ(Stored("U", "Who"), kOtherStamp);
  EXPECT_EQ(Stored("U", "Suffix"), "01");
}

TEST_P(GeneratorRacesTest, ProgramsAskingAtOnceForAFirstKeyAllGetDistinctKeys) {
  constexpr int kPrograms = 8;
  std::vector<std::unique_ptr<SpawnedChild>> children;
  for (int i = 0; i < kPrograms; ++i)
    children.push_back(std::make_unique<SpawnedChild>(
        OrvgenPath(),
        std::vector<std::string>{"next", "--mask", "F-##", "--start", "10", "--aliases",
                                 db_->AliasFile(), "--db", db_->Alias()},
        dir_));
  std::vector<std::string> keys;
  for (auto& child : children) {
    const ChildResult r = child->Wait();
    EXPECT_EQ(r.exit_code, 0) << r.err;
    for (const auto& k : Lines(r.out)) keys.push_back(k);
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{"F-10", "F-11", "F-12", "F-13", "F-14", "F-15", "F-16",
                                            "F-17"}));
}

// --- The single commit meets other programs -------------------------------------

// A generator on the single commit (as a descendant may choose) whose waits
// the test watches: each Wait first calls on_wait with its number; more than
// kMaxWaits end the request instead of letting it wait for ever.
class TWatchedGenerator : public TGenerator {
 public:
  using TGenerator::TGenerator;
  static constexpr int kMaxWaits = 500;
  std::function<void(int)> on_wait;
  int waits = 0;
  void Wait() override {
    if (++waits > kMaxWaits) throw std::runtime_error("the request kept waiting");
    if (on_wait) on_wait(waits);
    TGenerator::Wait();
  }

 protected:
  bool UsesSingleCommit() const override { return true; }
};

TEST_P(GeneratorRacesTest, AKeyFromAStaleCopyOfTheRowIsNeverWritten) {
  auto g = Make("R#");
  for (const char* key : {"R0", "R1"}) EXPECT_EQ(g->Generator().str(), key);
  // Its copy says "1"; another program issues "2" meanwhile.
  const ChildResult other = OrvgenNext("R#", 1);
  ASSERT_EQ(other.exit_code, 0) << other.err;
  EXPECT_EQ(other.out, "R2\n");
  EXPECT_EQ(g->Generator().str(), "R3");
  EXPECT_EQ(Stored("R", "Suffix"), "3");
  EXPECT_EQ(Stored("R", "Who"), g->OwnerStamp());
}

// Legend: the claim another program holds (Time) and what it does while this
// generator waits -> the key this generator issues.
struct PeerClaimCase {
  const char* name;
  const char* time;        // the claim's stamp; the clock stands at 10:00:06.001
  const char* frees_with;  // the suffix the holder writes when it frees the row ("": it never does)
  const char* key;
};

TEST_P(GeneratorRacesTest, AClaimHeldByAnotherProgramIsHonouredByTheSingleCommit) {
  const PeerClaimCase cases[] = {
      {"freed by its holder", "20261207100006000", "5", "R6"},
      {"gone stale", "20261207100005000", "", "R3"},
  };
  for (const auto& c : cases) {
    SetUp();
    TManualClock clock(EncodeDate(2026, 12, 7) + EncodeTime(10, 0, 6, 1));
    ScopedClock scope(&clock);
    TComponentPtr<TWatchedGenerator> g(new TWatchedGenerator(nullptr));
    g->SetMask("R#");
    g->SetDataBaseName(db_->Alias());
    g->InitDB();
    for (const char* key : {"R0", "R1", "R2"}) EXPECT_EQ(g->Generator().str(), key) << c.name;
    Peer peer(*db_, dir_);
    peer.Change({{"State", "1"}, {"Who", kOtherStamp}, {"Try", "0"}, {"Time", c.time}});
    g->on_wait = [&](int wait) {
      if (wait != 1) return;
      // Nothing was written over the claim; a live one is counted, a stale
      // one broken (and not taken over).
      EXPECT_EQ(Stored("R", "Suffix"), "2") << c.name;
      EXPECT_EQ(Stored("R", "Who"), kOtherStamp) << c.name;
      EXPECT_EQ(Stored("R", "State"), *c.frees_with ? "1" : "0") << c.name;
      if (*c.frees_with) {
        EXPECT_EQ(Stored("R", "Try"), "1") << c.name;
        peer.Change({{"Suffix", c.frees_with}, {"State", "0"}, {"Try", "0"}});
      }
    };
    EXPECT_EQ(g->Generator().str(), c.key) << c.name;
    EXPECT_GE(g->waits, 1) << c.name;
    EXPECT_EQ(Stored("R", "Suffix"), std::string(c.key).substr(1)) << c.name;
    EXPECT_EQ(Stored("R", "State"), "0") << c.name;
    EXPECT_EQ(Stored("R", "Who"), g->OwnerStamp()) << c.name;
  }
}

// The user interface of a program whose first message box stays open while
// while_open runs (a person reading it), recorded like the others.
class THeldUserInterface : public TRecordingUserInterface {
 public:
  std::function<void()> while_open;
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    if (while_open) std::exchange(while_open, nullptr)();
    return TRecordingUserInterface::MessageBox(text, caption, flags);
  }
};

// Legend: how the application meets the overflow -> the key and the notices.
struct HeldOverflowCase {
  const char* name;
  bool on_over_flow;   // OnOverFlowMask assigned (it runs the other program)
  bool on_new_record;  // OnNewRecord assigned (it runs the other program)
  const char* key;
  std::string transcript;
};

TEST_P(GeneratorRacesTest, WhileAnOverflowWaitsForAPersonOtherProgramsGoOn) {
  const std::string notice = "Generator Information: Incremental part was set to startup value\n";
  const HeldOverflowCase cases[] = {
      {"the notice", false, false, "O1", notice},
      {"OnOverFlowMask", true, false, "O4", ""},
      {"OnNewRecord", false, true, "O4", notice},
  };
  for (const auto& c : cases) {
    SetUp();
    THeldUserInterface ui;
    ScopedUserInterface held(&ui);
    auto g = Make("O#", "1");
    g->SetEndValue("3");
    for (const char* key : {"O1", "O2", "O3"}) EXPECT_EQ(g->Generator().str(), key) << c.name;
    // Another program draws keys of another prefix of the same table (a new
    // row, then a step) while the notice or handler waits: on SQLite any
    // transaction held now would lock the whole file against it.
    bool ran = false;
    auto other_program = [&] {
      SpawnedChild other(
          OrvgenPath(),
          {"next", "--mask", "Q-#", "-n", "2", "--aliases", db_->AliasFile(), "--db", db_->Alias()},
          dir_);
      const ChildResult r = other.WaitFor(std::chrono::seconds(60));
      EXPECT_FALSE(r.timed_out) << c.name;
      EXPECT_EQ(r.exit_code, 0) << c.name << ": " << r.err;
      EXPECT_EQ(r.out, "Q-0\nQ-1\n") << c.name;
      EXPECT_EQ(Stored("O", "State"), "1") << c.name << ": held under the claim";
      ran = true;
    };
    if (c.on_over_flow)
      g->SetOnOverFlowMask(
          TGOverFlowEvent::FromCallable([&](TObject*, TmString&) { other_program(); }));
    if (c.on_new_record)
      g->SetOnNewRecord(TOnNewRecord::FromCallable([&](TObject*, TmString&) { other_program(); }));
    if (!c.on_over_flow && !c.on_new_record) ui.while_open = other_program;
    EXPECT_EQ(g->Generator().str(), c.key) << c.name;
    EXPECT_TRUE(ran) << c.name;
    EXPECT_EQ(ui.Transcript(), c.transcript) << c.name;
    EXPECT_EQ(Stored("O", "State"), "0") << c.name;
    EXPECT_EQ(Stored("O", "Suffix"), std::string(c.key).substr(1)) << c.name;
    EXPECT_EQ(Stored("Q-", "Suffix"), "1") << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, GeneratorRacesTest, ::testing::ValuesIn(AllEngineNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace orv
