// Many real orvgen programs on one row at once, drawing keys and withdrawing
// them again, while the server ends their sessions (PostgreSQL) and, in a
// second run, with the wall clock standing still in every program (a
// preloaded library): no key is held by two programs at the end. A key is
// held by the program that printed it, unless that program withdrew it with
// an undo that answered with the key before it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/keygen/gentable.h>
#include "tools/orvgen/testing/orvgen_test.h"

namespace orv {
namespace {

using orv::testing::AllEngineNames;
using orv::testing::ChildResult;
using orv::testing::Lines;
using orv::testing::OrvgenPath;
using orv::testing::SpawnedChild;
using orv::testing::SpawnOptions;

// The environment that freezes a child's wall clock at one moment.
std::vector<std::string> FrozenClock() {
  std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
  // The sanitizer runtime wants to be first; the preloaded clock is first.
  asan += std::string(asan.empty() ? "" : ":") + "verify_asan_link_order=0";
  return {std::string("LD_PRELOAD=") + ORV_FROZEN_CLOCK_LIB, "ORV_FROZEN_CLOCK=1796000000",
          "ASAN_OPTIONS=" + asan};
}

class GeneratorSoakTest : public orv::testing::OrvgenTest {
 protected:
  std::vector<std::string> Mask(std::vector<std::string> args) const {
    args.insert(args.end(), {"--mask", "S-#####", "--start", "00001"});
    return Args(args);
  }
  // The row's Who as stored.
  std::string StoredWho() {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "GENTBL.DB");
    t->Open();
    if (!t->Locate(kGenTableKey, {TVariant(0), TVariant("S-")})) return "";
    return t->FieldByName(kFieldWho)->AsString();
  }
};

TEST_P(GeneratorSoakTest, ProgramsStartedUnderAStoppedClockWriteDistinctIdentities) {
  SpawnOptions frozen;
  frozen.env = FrozenClock();
  std::set<std::string> who;
  for (int i = 0; i < 4; ++i) {
    SpawnedChild program(OrvgenPath(), Mask({"next"}), dir_, frozen);
    const ChildResult r = program.Wait();
    ASSERT_EQ(r.exit_code, 0) << r.err;
    who.insert(StoredWho());
  }
  EXPECT_EQ(who.size(), 4u);
}

// Engine, and whether the programs' wall clock stands still.
class GeneratorSoakRunTest : public ::testing::TestWithParam<std::tuple<std::string, bool>> {};

TEST_P(GeneratorSoakRunTest, DrawingProgramsAndUndoingSessionsHoldNoKeyTwice) {
  const auto& [engine, frozen] = GetParam();
  ORV_SKIP_UNLESS_AVAILABLE(engine);
  orv::testing::TestDatabase db(engine);
  const std::string dir = ::testing::TempDir();
  auto args = [&](std::vector<std::string> a) {
    a.insert(a.end(), {"--aliases", db.AliasFile(), "--db", db.Alias()});
    if (a.front() != "init") a.insert(a.end(), {"--mask", "S-#####", "--start", "00001"});
    return a;
  };
  const ChildResult init = orv::testing::RunOrvgen(args({"init"}), dir);
  ASSERT_EQ(init.exit_code, 0) << init.err;
  constexpr int kDrawers = 8, kSessions = 4, kKeys = 40, kRounds = 10;
  SpawnOptions options;
  if (frozen) options.env = FrozenClock();
  std::vector<std::unique_ptr<SpawnedChild>> drawers, sessions;
  for (int i = 0; i < kDrawers; ++i)
    drawers.push_back(std::make_unique<SpawnedChild>(
        OrvgenPath(), args({"next", "-n", std::to_string(kKeys)}), dir, options));
  std::string script;
  for (int i = 0; i < kRounds; ++i) script += "next\nnext\nundo\nundo\n";
  SpawnOptions session_options = options;
  session_options.input = script + "quit\n";
  for (int i = 0; i < kSessions; ++i)
    sessions.push_back(
        std::make_unique<SpawnedChild>(OrvgenPath(), args({"session"}), dir, session_options));

  // The server ends every session of these programs again and again while
  // they run (bounded in count and time).
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  auto running = [&] {
    for (auto* group : {&drawers, &sessions})
      for (auto& c : *group)
        if (!c->Finished()) return true;
    return false;
  };
  int ended = 0;
  for (int i = 0; i < 600 && running() && std::chrono::steady_clock::now() < give_up; ++i) {
    ended += db.EndServerSessions();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
  }
  if (orv::testing::Caps(engine).server) {
    EXPECT_GT(ended, 0);
  }

  std::map<std::string, int> held;  // key -> programs holding it
  for (auto& c : drawers) {
    const ChildResult r = c->Wait();
    ASSERT_EQ(r.exit_code, 0) << r.err;
    for (const auto& key : Lines(r.out)) ++held[key];
  }
  for (auto& c : sessions) {
    const ChildResult r = c->Wait();
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::vector<std::string> answers = Lines(r.out);
    ASSERT_EQ(answers.size(), 4u * kRounds) << r.out;
    std::vector<std::string> mine;  // this session's keys, the last last
    std::string current;
    for (std::size_t i = 0; i < answers.size(); ++i) {
      const std::string& answer = answers[i];
      if (i % 4 < 2) {  // next
        mine.push_back(answer);
      } else if (answer != current) {  // an undo that withdrew the current key
        ASSERT_FALSE(mine.empty());
        EXPECT_EQ(mine.back(), current) << "withdrew a key it did not hold";
        mine.pop_back();
      }
      current = answer;
    }
    for (const auto& key : mine) ++held[key];
  }
  for (const auto& [key, programs] : held)
    EXPECT_EQ(programs, 1) << key << " is held by " << programs;
  EXPECT_GE(held.size(), static_cast<std::size_t>(kDrawers * kKeys));
}

INSTANTIATE_TEST_SUITE_P(Engines, GeneratorSoakTest, ::testing::ValuesIn(AllEngineNames()),
                         [](const auto& info) { return info.param; });
INSTANTIATE_TEST_SUITE_P(Engines, GeneratorSoakRunTest,
                         ::testing::Combine(::testing::ValuesIn(AllEngineNames()),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return std::get<0>(info.param) +
                                  (std::get<1>(info.param) ? "_StoppedClock" : "");
                         });

}  // namespace
}  // namespace orv
