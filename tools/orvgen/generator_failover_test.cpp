// Keys through a database failover: real orvgen programs draw keys from a
// pg_auto_failover cluster (scripts/pgha.sh: a monitor, a primary and a
// synchronous standby on loopback) while the primary hands over in a planned
// failover or is lost for good (every process of its node killed). No key may
// be printed twice, none skipped but a write committed and not confirmed, the
// new primary must hold the last one, and the user is told of the wait once,
// never with the busy notice.
//
// The cluster takes half a minute to start and a lost primary nearly a minute
// to be replaced, so these run only when ORV_FAILOVER_TESTS=1 is in the
// environment; one cluster serves the whole program. Every wait has a deadline. The outage
// each program saw (its longest pause between two keys) is printed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/tables.h>
#include <orv/keygen/gentable.h>
#include "tools/orvgen/testing/orvgen_child.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using orv::testing::ChildResult;
using orv::testing::Lines;
using orv::testing::OrvgenPath;
using orv::testing::RunOrvgen;
using orv::testing::SpawnedChild;
using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

// Far beyond what pg_auto_failover needs with its default timeouts (a lost
// primary is replaced in about 51 s), so that only a hang reaches it.
constexpr std::chrono::seconds kDeadline{240};
constexpr std::size_t kKeysAround = 20;  // keys each program draws before and after a failover

constexpr char kWaitNotice[] =
    "Lost the connection to the database server; waiting for it to come back";
constexpr char kBusyNotice[] = "Gentbl is busy. Try again!";

bool Enabled() {
  const char* v = std::getenv("ORV_FAILOVER_TESTS");
  return v && std::string(v) == "1";
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Runs scripts/pgha.sh VERB DIR under a deadline; its first line of output,
// or "" on failure (then its stderr is shown).
std::string Pgha(const std::string& verb, const std::string& dir) {
  const std::string out = dir + "." + verb + ".out", err = dir + "." + verb + ".err";
  const std::string line = "timeout 300 '" + std::string(ORV_PGHA_SCRIPT) + "' " + verb + " '" +
                           dir + "' >'" + out + "' 2>'" + err + "'";
  const int rc = std::system(line.c_str());
  std::string text, why;
  std::getline(std::ifstream(out), text);
  std::ifstream e(err);
  for (std::string l; std::getline(e, l);) why += l + "\n";
  if (rc != 0) {
    ADD_FAILURE() << "scripts/pgha.sh " << verb << " failed:\n" << why;
    return "";
  }
  return text.empty() ? "ok" : text;
}

// A program drawing keys one request at a time: orvgen session over pipes, so
// that the test ends it cleanly between two keys (a kill could leave a key
// written but not printed) and sees when each key arrived.
class Drawer {
 public:
  Drawer(const std::vector<std::string>& args, const std::string& dir)
      : child_(OrvgenPath(), args, dir, "", /*interactive=*/true), thread_([this] { Run(); }) {}
  ~Drawer() {
    if (thread_.joinable()) Finish();
  }

  std::size_t Drawn() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_.size();
  }
  // Waits until at least n keys are drawn; false when the deadline passed or
  // the program stopped answering.
  bool WaitForKeys(std::size_t n, Clock::time_point deadline) const {
    while (Drawn() < n) {
      if (ended_ || Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  // Ends the conversation after the key in hand; kills the program if it does
  // not end by the deadline.
  ChildResult Finish() {
    stop_ = true;
    const auto give_up = Clock::now() + kDeadline;
    while (!ended_ && Clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!ended_) child_.Kill(SIGKILL);
    thread_.join();
    ChildResult r = child_.WaitFor(std::chrono::seconds(30));
    r.timed_out = r.timed_out || !clean_;
    return r;
  }
  std::vector<std::string> Keys() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return keys_;
  }
  // The longest pause between two keys (the outage this program saw), the
  // key it ended with, and how many busy notices the request that waited
  // through it gave.
  struct Pause {
    double seconds = 0;
    std::string key;
    std::size_t busy = 0;
  };
  Pause LongestPause() const {
    std::lock_guard<std::mutex> lock(mutex_);
    Pause p;
    for (std::size_t i = 1; i < times_.size(); ++i) {
      const double s = std::chrono::duration<double>(times_[i] - times_[i - 1]).count();
      if (s > p.seconds) p = {s, keys_[i], busy_[i] - busy_[i - 1]};
    }
    return p;
  }

 private:
  void Run() {
    try {
      std::string line;
      while (!stop_) {
        child_.Send("next");
        if (!child_.ReadLine(line)) break;  // the program ended or was killed
        const std::size_t busy = Count(child_.ErrorSoFar(), kBusyNotice);
        std::lock_guard<std::mutex> lock(mutex_);
        keys_.push_back(line);
        times_.push_back(Clock::now());
        busy_.push_back(busy);
      }
      if (stop_) {
        child_.Send("quit");
        child_.CloseInput();
        clean_ = true;
      }
    } catch (const std::exception&) {
      // The program went away while we wrote to it: clean_ stays false.
    }
    ended_ = true;
  }

  SpawnedChild child_;
  mutable std::mutex mutex_;
  std::vector<std::string> keys_;
  std::vector<Clock::time_point> times_;
  std::vector<std::size_t> busy_;  // busy notices given so far, as each key arrived
  std::atomic<bool> stop_{false}, ended_{false}, clean_{false};
  std::thread thread_;
};

// The number that a key of mask X-##### counts with.
int Number(const std::string& key) { return std::stoi(key.substr(key.find('-') + 1)); }

class FailoverTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!Enabled()) return;
    base_ = (fs::temp_directory_path() / ("orv-failover-" + std::to_string(::getpid()))).string();
    fs::remove_all(base_);
    fs::create_directories(base_);
    fs::permissions(base_, fs::perms::all);  // the servers' own user works in it
    conninfo_ = Pgha("start", base_ + "/cluster");
    if (conninfo_.empty()) return;
    Session()->AddAlias("orvha", "postgresql", {{"conninfo", conninfo_}});
    // The default wait for a lost server, and one shorter than any failover.
    std::ofstream(base_ + "/aliases.ini")
        << "[orvha]\ndriver = postgresql\nconninfo = " << conninfo_
        << "\n[orvhashort]\ndriver = postgresql\nconninfo = " << conninfo_
        << "\nreconnect_seconds = 3\n";
    ASSERT_EQ(
        RunOrvgen({"init", "--aliases", base_ + "/aliases.ini", "--db", "orvha"}, base_).exit_code,
        0);
  }
  static void TearDownTestSuite() {
    if (base_.empty()) return;
    Session()->DeleteAlias("orvha");
    Pgha("stop", base_ + "/cluster");
    std::error_code ec;
    fs::remove_all(base_, ec);
  }

  void SetUp() override {
    if (!Enabled())
      GTEST_SKIP() << "set ORV_FAILOVER_TESTS=1 to run the "
                      "failover tests against scripts/pgha.sh";
    ASSERT_FALSE(conninfo_.empty())
        << "no pg_auto_failover cluster could be started (scripts/pgha.sh)";
    // Both nodes up, one primary and one secondary, before each case.
    ASSERT_NE(Pgha("wait", Cluster()), "");
  }

  static std::string Cluster() { return base_ + "/cluster"; }
  static std::vector<std::string> Args(const std::string& alias, std::vector<std::string> args) {
    args.insert(args.end(), {"--aliases", base_ + "/aliases.ini", "--db", alias});
    return args;
  }
  static std::unique_ptr<Drawer> StartDrawer(const std::string& prefix) {
    return std::make_unique<Drawer>(
        Args("orvha", {"session", "--mask", prefix + "#####", "--start", "00001"}), base_);
  }

  // The row's stored suffix on whichever node is the primary now.
  static std::string StoredSuffix(const std::string& prefix) {
    TComponentPtr<TTable> t = orv::testing::TableOf("orvha", "GENTBL.DB");
    t->Open();
    if (!t->Locate(kGenTableKey, {TVariant(0), TVariant(prefix)})) return "(no row)";
    return t->FieldByName("Suffix")->AsString();
  }

  // Two programs on one row through `verb` (failover or kill-primary): the
  // checks every failover must pass. Returns their keys.
  std::vector<std::string> TwoProgramsThrough(const std::string& verb, const std::string& prefix,
                                              const std::string& what) {
    const auto deadline = Clock::now() + kDeadline;
    std::vector<std::unique_ptr<Drawer>> drawers;
    for (int i = 0; i < 2; ++i) drawers.push_back(StartDrawer(prefix));
    for (auto& d : drawers) {
      EXPECT_TRUE(d->WaitForKeys(kKeysAround, deadline)) << "no keys before the " << what;
    }
    std::vector<std::size_t> before;
    for (auto& d : drawers) before.push_back(d->Drawn());
    const auto struck = Clock::now();
    EXPECT_NE(Pgha(verb, Cluster()), "");
    std::printf("%s: scripts/pgha.sh %s took %.2f s\n", what.c_str(), verb.c_str(),
                std::chrono::duration<double>(Clock::now() - struck).count());
    for (std::size_t i = 0; i < drawers.size(); ++i) {
      EXPECT_TRUE(drawers[i]->WaitForKeys(before[i] + kKeysAround, deadline))
          << "program " << i + 1 << " drew no keys after the " << what;
    }
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < drawers.size(); ++i) {
      SCOPED_TRACE("program " + std::to_string(i + 1));
      const Drawer::Pause pause = drawers[i]->LongestPause();
      const ChildResult r = drawers[i]->Finish();
      EXPECT_FALSE(r.timed_out) << "the program did not end when asked";
      EXPECT_EQ(r.exit_code, 0) << r.err;
      EXPECT_LE(Count(r.err, kWaitNotice), 1u) << r.err;  // said at most once for the one outage
      // Busy notices tell of the other program's lock on the row, which two
      // programs on one row meet now and then; the request that waited
      // through the outage gave none.
      EXPECT_EQ(pause.busy, 0u) << "busy notices while waiting for the server before " << pause.key
                                << ":\n"
                                << r.err;
      const auto drawn = drawers[i]->Keys();
      std::printf(
          "%s: program %d drew %zu keys, %zu busy notices in all; its longest pause, %.2f s, ended "
          "with %s\n",
          what.c_str(), static_cast<int>(i + 1), drawn.size(), Count(r.err, kBusyNotice),
          pause.seconds, pause.key.c_str());
      std::fflush(stdout);
      RecordProperty(verb + "_pause_program_" + std::to_string(i + 1),
                     std::to_string(pause.seconds));
      keys.insert(keys.end(), drawn.begin(), drawn.end());
    }
    // Together one sequence from the start value: none twice. A key may be
    // missing only where a program's last write before the outage was
    // committed but not confirmed, and the other program wrote the row before
    // it came back (so the row no longer tells): one per program at most.
    std::sort(keys.begin(), keys.end());
    EXPECT_TRUE(std::adjacent_find(keys.begin(), keys.end()) == keys.end())
        << "a key was drawn twice";
    std::vector<int> missing;
    for (std::size_t i = 0, due = 1; i < keys.size(); ++i, ++due) {
      for (; static_cast<int>(due) < Number(keys[i]); ++due)
        missing.push_back(static_cast<int>(due));
    }
    EXPECT_LE(missing.size(), drawers.size())
        << "keys skipped: " << ::testing::PrintToString(missing);
    std::printf("%s: %zu keys in all, %zu skipped\n", what.c_str(), keys.size(), missing.size());
    // The new primary holds the last key drawn.
    if (!keys.empty()) {
      EXPECT_GE(Number(prefix + StoredSuffix(prefix)), Number(keys.back()));
    }
    return keys;
  }

  static std::string base_, conninfo_;
};

std::string FailoverTest::base_, FailoverTest::conninfo_;

TEST_F(FailoverTest, TwoProgramsDrawOneSequenceThroughAPlannedFailover) {
  TwoProgramsThrough("failover", "P-", "planned failover");
}

TEST_F(FailoverTest, TheStamperAppendsThroughAFailoverWithoutARepeatedKey) {
  const auto deadline = Clock::now() + kDeadline;
  SpawnedChild stamper(OrvgenPath(),
                       Args("orvha", {"stamp", "--table", "STAMPS.DB", "--field", "UKEY",
                                      "--create", "-n", "1000000"}),
                       base_);
  auto wait_for = [&](std::size_t n) {
    while (Lines(stamper.OutputSoFar()).size() < n) {
      if (stamper.Finished() || Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  };
  ASSERT_TRUE(wait_for(kKeysAround)) << "no stamps before the failover";
  const std::size_t before = Lines(stamper.OutputSoFar()).size();
  EXPECT_NE(Pgha("failover", Cluster()), "");
  EXPECT_TRUE(wait_for(before + kKeysAround)) << "no stamps after the failover";
  stamper.Kill(SIGKILL);
  const ChildResult r = stamper.WaitFor(std::chrono::seconds(30));
  EXPECT_EQ(r.signal, SIGKILL) << "the stamper ended on its own: " << r.err;
  EXPECT_LE(Count(r.err, kWaitNotice), 1u) << r.err;
  // The printed stamps rise, and every one is stored once on the new primary.
  auto printed = Lines(r.out);
  if (!r.out.empty() && r.out.back() != '\n') printed.pop_back();  // cut by the kill
  for (std::size_t i = 1; i < printed.size(); ++i) {
    ASSERT_LT(printed[i - 1], printed[i]) << "stamp " << i;
  }
  TComponentPtr<TTable> t = orv::testing::TableOf("orvha", "STAMPS.DB");
  t->Open();
  std::multiset<std::string> stored;
  for (t->First(); !t->Eof(); t->Next()) stored.insert(t->FieldByName("UKEY")->AsString());
  EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()).size(), stored.size())
      << "a stamp stored twice";
  for (const auto& key : printed) {
    EXPECT_EQ(stored.count(key), 1u) << key;
  }
}

TEST_F(FailoverTest, TheLossOfThePrimaryCostsNoKeyAndAShortWaitEndsTheProgram) {
  // Beside the two, a program whose alias waits 3 s for a lost server, on a
  // row of its own: the failover takes longer, so it gives up.
  const std::string short_dir = base_ + "/short";
  fs::create_directories(short_dir);
  SpawnedChild impatient(
      OrvgenPath(),
      Args("orvhashort", {"next", "--mask", "W-#####", "--start", "00001", "-n", "10000000"}),
      short_dir);
  TwoProgramsThrough("kill-primary", "U-", "loss of the primary");
  const ChildResult r = impatient.WaitFor(std::chrono::seconds(30));
  EXPECT_FALSE(r.timed_out) << "the impatient program kept drawing through the failover";
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(Count(r.err, kWaitNotice), 1u) << r.err;
  EXPECT_EQ(Count(r.err, kBusyNotice), 0u) << r.err;
  // The server's own words after the program's name: why it could not connect.
  EXPECT_THAT(
      r.err, ::testing::ContainsRegex("orvgen: (Cannot connect to|Lost the connection to) database "
                                      "\"orvhashort\": "));
  const auto printed = Lines(r.out);
  ASSERT_FALSE(printed.empty());

  // A program started now goes on from the suffix the new primary holds.
  const std::string stored = StoredSuffix("W-");
  EXPECT_GE(Number("W-" + stored), Number(printed.back()));
  const ChildResult later = RunOrvgen(
      Args("orvhashort", {"next", "--mask", "W-#####", "--start", "00001", "-n", "2"}), base_);
  ASSERT_EQ(later.exit_code, 0) << later.err;
  const auto keys = Lines(later.out);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(Number(keys[0]), Number("W-" + stored) + 1);
  EXPECT_EQ(Number(keys[1]), Number("W-" + stored) + 2);

  // The lost node comes back as the standby, for whatever runs next.
  EXPECT_NE(Pgha("revive", Cluster()), "");
}

}  // namespace
}  // namespace orv
