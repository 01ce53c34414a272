// Faults that real programs meet while drawing keys: a full disk, a table
// they may not write, a database server that goes away and comes back, or
// does not. Each ends the request with the engine's message, or goes on with
// the next key; none issues a key twice or leaves a request without end.
// Every child program runs under a deadline.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>
#include <orv/host/db/testing/engines.h>
#include <orv/host/db/testing/tables.h>
#include <orv/keygen/gentable.h>
#include "tools/orvgen/testing/orvgen_test.h"

namespace orv {
namespace {

namespace fs = std::filesystem;
using orv::testing::AllEngineNames;
using orv::testing::ChildResult;
using orv::testing::Lines;
using orv::testing::OrvgenPath;
using orv::testing::RunOrvgen;
using orv::testing::SpawnedChild;
using orv::testing::TestDatabase;
using ::testing::HasSubstr;
using ::testing::StartsWith;

constexpr std::chrono::seconds kChildDeadline{60};  // far beyond what any child here needs

// The keys printed, checked to be distinct and rising; the test fails otherwise.
void ExpectDistinctAndInOrder(const std::vector<std::string>& keys) {
  for (std::size_t i = 1; i < keys.size(); ++i)
    ASSERT_LT(keys[i - 1], keys[i]) << "key " << i << " repeats or goes back";
}

// Writes an alias file that only its owner may read.
void WriteAliasFile(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
}

class GeneratorFaultsTest : public orv::testing::OrvgenTest {
 protected:
  std::string StoredSuffix(const std::string& prefix) {
    TComponentPtr<TTable> t = orv::testing::TableOf(db_->Alias(), "GENTBL.DB");
    t->Open();
    if (!t->Locate(kGenTableKey, {TVariant(0), TVariant(prefix)})) return "(no row)";
    return t->FieldByName("Suffix")->AsString();
  }
};

// A disk that fills up while keys are drawn (the file size limit stands in
// for it: SQLite cannot grow its journal): the request fails with the
// engine's message, and the next program goes on past every key printed.
TEST_P(GeneratorFaultsTest, AFullDiskEndsTheRequestAndNoKeyRepeats) {
  if (!orv::testing::Caps(GetParam()).table_files)
    GTEST_SKIP() << "a full disk is the server's business";
  const auto next = [&](int n) {
    return Args({"next", "--mask", "F-####", "-n", std::to_string(n)});
  };
  std::vector<std::string> keys = Lines(RunOrvgen(next(3), dir_).out);
  ASSERT_EQ(keys.size(), 3u);
  // 64 blocks hold SQLite's shared-memory index but only a few journal pages.
  std::vector<std::string> args{"-c", "trap '' XFSZ; ulimit -f 64; exec \"$0\" \"$@\"",
                                OrvgenPath()};
  for (const auto& a : next(500)) args.push_back(a);
  SpawnedChild full("/bin/sh", args, dir_);
  const ChildResult r = full.WaitFor(kChildDeadline);
  ASSERT_FALSE(r.timed_out) << "the request never ended";
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_THAT(r.err, StartsWith("orvgen: Table GENTBL.DB: "));
  EXPECT_EQ(r.err.find("busy"), std::string::npos) << r.err;
  const auto printed = Lines(r.out);
  EXPECT_LT(printed.size(), 500u);
  keys.insert(keys.end(), printed.begin(), printed.end());
  const ChildResult after = RunOrvgen(next(2), dir_);  // breaks a claim the full disk left
  ASSERT_EQ(after.exit_code, 0) << after.err;
  for (const auto& k : Lines(after.out)) keys.push_back(k);
  ExpectDistinctAndInOrder(keys);
  EXPECT_EQ("F-" + StoredSuffix("F-"), keys.back());
}

// A table file that the program may not write (SQLite), a role that may only
// read (PostgreSQL): every request ends at once with the engine's message;
// nothing is taken for a busy row, nothing is written.
TEST_P(GeneratorFaultsTest, ATableThatMayNotBeWrittenEndsEachRequest) {
  ASSERT_EQ(RunOrvgen(Args({"next", "--mask", "W-#"}), dir_).out, "W-0\n");
  std::vector<std::string> launcher;  // what runs orvgen
  std::vector<std::string> database;  // the database options
  std::string cause;
  if (orv::testing::Caps(GetParam()).table_files) {
    const fs::path dir = db_->Location();
    fs::permissions(dir / "GENTBL.DB",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The directory stays writable, so that SQLite can make its index files.
    fs::permissions(dir, fs::perms::all);
    fs::permissions(dir.parent_path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (::geteuid() == 0) {
      // Root writes any file: run as nobody.
      if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv";
      launcher = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
      SpawnedChild probe(launcher[0],
                         {launcher[1], launcher[2], launcher[3], OrvgenPath(), "--help"}, dir_);
      if (probe.WaitFor(kChildDeadline).exit_code != 0)
        GTEST_SKIP() << "nobody cannot run " << OrvgenPath();
    }
    database = {"--db", dir.string()};
    cause = "Cannot modify a read-only dataset";
  } else {
    const std::string aliases = dir_ + "/reader_" + db_->Alias() + ".ini";
    WriteAliasFile(
        aliases, "[Reader]\ndriver = postgresql\nconninfo = " + db_->ReadOnlyRoleConninfo() + "\n");
    database = {"--aliases", aliases, "--db", "Reader"};
    cause = "Table GENTBL.DB: permission denied for table GENTBL";
  }
  // mask -> what the request says
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"W-#", "orvgen: " + cause + "\n"},
      {"N-#", "orvgen: Can not generate new record!\r\n" + cause + "\n"},
  };
  for (const auto& [mask, err] : cases) {
    std::vector<std::string> args = launcher;
    args.push_back(OrvgenPath());
    for (const char* a : {"next", "-n", "3", "--mask"}) args.push_back(a);
    args.push_back(mask);
    args.insert(args.end(), database.begin(), database.end());
    SpawnedChild child(args[0], std::vector<std::string>(args.begin() + 1, args.end()), dir_);
    const ChildResult r = child.WaitFor(kChildDeadline);
    ASSERT_FALSE(r.timed_out) << mask << ": the request never ended";
    EXPECT_EQ(r.exit_code, 1) << mask;
    EXPECT_EQ(r.out, "") << mask;
    EXPECT_EQ(r.err, err) << mask;
  }
  EXPECT_EQ(StoredSuffix("W-"), "0");
  EXPECT_EQ(StoredSuffix("N-"), "(no row)");
}

// An administrator ends the drawing programs' server sessions again and
// again, at any point of a request: each time that is a lost connection, met
// with a fresh one, so every program draws all its keys and says nothing but
// its own notices. A key is never printed twice; a gap is left only by a write
// committed but not confirmed that another program's write followed.
TEST_P(GeneratorFaultsTest, SessionsEndedByTheServerCostNoRunAndNoKey) {
  if (!orv::testing::Caps(GetParam()).server) GTEST_SKIP() << "no server to end the sessions";
  constexpr int kPrograms = 6, kKeys = 300, kMaxEnded = 60;
  std::vector<std::unique_ptr<SpawnedChild>> programs;
  for (int i = 0; i < kPrograms; ++i)
    programs.push_back(std::make_unique<SpawnedChild>(
        OrvgenPath(),
        Args({"next", "--mask", "E-#####", "--start", "00001", "-n", std::to_string(kKeys)}),
        dir_));
  const auto give_up = std::chrono::steady_clock::now() + kChildDeadline;
  int ended = 0;
  const auto running = [&] {
    return std::any_of(programs.begin(), programs.end(), [](auto& p) { return !p->Finished(); });
  };
  // Without a pause until a key is out, so that sessions end while the
  // programs open the table too; then between keys.
  const auto drawing = [&] {
    return std::any_of(programs.begin(), programs.end(),
                       [](auto& p) { return !p->OutputSoFar().empty(); });
  };
  while (ended < kMaxEnded && running() && std::chrono::steady_clock::now() < give_up) {
    ended += db_->EndServerSessions();
    if (drawing()) std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  std::set<std::string> keys;
  std::size_t printed = 0;
  for (auto& p : programs) {
    const ChildResult r = p->WaitFor(kChildDeadline);
    ASSERT_FALSE(r.timed_out) << "a request never ended";
    EXPECT_EQ(r.exit_code, 0) << r.err;
    for (const auto& line : Lines(r.err))
      EXPECT_THAT(line, ::testing::AnyOf(StartsWith("orvgen: "), StartsWith("Generator: ")))
          << r.err;
    const auto own = Lines(r.out);
    EXPECT_EQ(own.size(), static_cast<std::size_t>(kKeys));
    ExpectDistinctAndInOrder(own);
    keys.insert(own.begin(), own.end());
    printed += own.size();
  }
  EXPECT_GT(ended, kPrograms) << "the programs ended before their sessions did";
  EXPECT_EQ(keys.size(), printed) << "a key was printed twice";
  ASSERT_FALSE(keys.empty());
  const int last = std::stoi(keys.rbegin()->substr(2));
  EXPECT_EQ(keys.begin()->substr(2), "00001");
  EXPECT_LE(last - static_cast<int>(printed), ended) << "more gaps than sessions ended";
}

// A session left inside its transaction on the row (here the test's own
// locked edit; SQLite: the table file's write lock) holds it for good: the
// request says so once and gives up after the alias's lock_wait_seconds.
TEST_P(GeneratorFaultsTest, ARowLockedForGoodEndsTheRequestWithinItsBound) {
  ASSERT_EQ(Run({"next", "--mask", "H-#"}).out, "H-0\n");
  const std::string aliases = dir_ + "/held_" + db_->Alias() + ".ini";
  std::ifstream in(db_->AliasFile());
  WriteAliasFile(aliases,
                 std::string(std::istreambuf_iterator<char>(in), {}) + "lock_wait_seconds = 2\n");
  TComponentPtr<TTable> holder = orv::testing::TableOf(db_->Alias(), "GENTBL.DB");
  holder->Open();
  ASSERT_TRUE(holder->Locate(kGenTableKey, {TVariant(0), TVariant("H-")}));
  holder->Edit();
  SpawnedChild next(OrvgenPath(),
                    {"next", "--mask", "H-#", "--aliases", aliases, "--db", db_->Alias()}, dir_);
  const ChildResult r = next.WaitFor(kChildDeadline);
  ASSERT_FALSE(r.timed_out) << "the request waited without end";
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err,
            "Generator: Gentbl is busy. Try again!\norvgen: Record locked by another user; gave up "
            "after waiting 2 seconds (the alias setting lock_wait_seconds)\n");
  holder->Cancel();
  EXPECT_EQ(Run({"next", "--mask", "H-#"}).out, "H-1\n");
}

INSTANTIATE_TEST_SUITE_P(Engines, GeneratorFaultsTest, ::testing::ValuesIn(AllEngineNames()),
                         [](const auto& info) { return info.param; });

// --- A database server of the test's own, stopped and started again -------------

// Runs scripts/pg.sh; its stdout, or "" on failure.
std::string PgScript(const std::string& command, const std::string& dir) {
  const std::string out = dir + ".out";
  const std::string line = std::string("'") + ORV_PG_SCRIPT + "' " + command + " '" + dir + "' >'" +
                           out + "' 2>'" + dir + ".err'";
  const int rc = std::system(line.c_str());
  std::ifstream in(out);
  std::string text;
  std::getline(in, text);
  return rc == 0 ? text : "";
}

class GeneratorServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Its own server: the shared one must not stop under tests running at
    // the same time.
    base_ = (fs::temp_directory_path() / ("orv-server-" + std::to_string(::getpid()))).string();
    fs::remove_all(base_);
    fs::create_directories(base_);
    fs::permissions(base_, fs::perms::all);  // the server's own user works in it
    conninfo_ = PgScript("start", base_ + "/pg");
    if (conninfo_.empty()) {
      std::ifstream err(base_ + "/pg.err");
      const std::string why = "no PostgreSQL server could be started (scripts/pg.sh): " +
                              std::string(std::istreambuf_iterator<char>(err), {});
      if (orv::testing::PgRequired()) FAIL() << why;
      GTEST_SKIP() << why;
    }
    alias_ = "orvserver_" + std::to_string(::getpid());
    aliases_ = base_ + "/aliases.ini";
    Session()->AddAlias(alias_, "postgresql", {{"conninfo", conninfo_}});
  }
  void TearDown() override {
    if (!conninfo_.empty()) {
      Session()->DeleteAlias(alias_);
      PgScript("stop", base_ + "/pg");
    }
    std::error_code ec;
    fs::remove_all(base_, ec);
  }

  // The alias file, waiting this long for a server that went away.
  void SetReconnectSeconds(int seconds) {
    WriteAliasFile(aliases_, "[" + alias_ + "]\ndriver = postgresql\nconninfo = " + conninfo_ +
                                 "\nreconnect_seconds = " + std::to_string(seconds) + "\n");
  }

  std::vector<std::string> Args(std::vector<std::string> args) const {
    args.insert(args.end(), {"--aliases", aliases_, "--db", alias_});
    return args;
  }

  // Starts orvgen next for count keys and returns once it has printed at
  // least `printed` of them (or failed the test).
  std::unique_ptr<SpawnedChild> StartDrawing(int count, std::size_t printed) {
    auto child = std::make_unique<SpawnedChild>(
        OrvgenPath(),
        Args({"next", "--mask", "S-#####", "--start", "00001", "-n", std::to_string(count)}),
        base_);
    const auto give_up = std::chrono::steady_clock::now() + kChildDeadline;
    while (Lines(child->OutputSoFar()).size() < printed) {
      if (child->Finished() || std::chrono::steady_clock::now() > give_up) {
        ADD_FAILURE() << "orvgen ended or stalled before printing " << printed << " keys";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return child;
  }

  std::string StoredSuffix() {
    TComponentPtr<TTable> t = orv::testing::TableOf(alias_, "GENTBL.DB");
    t->Open();
    if (!t->Locate(kGenTableKey, {TVariant(0), TVariant("S-")})) return "(no row)";
    return t->FieldByName("Suffix")->AsString();
  }

  static std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
  }

  std::string base_, conninfo_, alias_, aliases_;
};

constexpr char kWaitNotice[] =
    "Generator: Lost the connection to the database server; waiting for it to come back\n";

TEST_F(GeneratorServerTest, AServerThatRestartsMidRunLosesNoKeyAndOneThatStaysAwayEndsTheRun) {
  SetReconnectSeconds(60);
  ASSERT_EQ(RunOrvgen(Args({"init"}), base_).exit_code, 0);
  std::vector<std::string> keys;

  {
    SCOPED_TRACE("stopped and started again");
    auto child = StartDrawing(2000, 300);
    PgScript("stop", base_ + "/pg");
    std::this_thread::sleep_for(std::chrono::seconds(1));
    PgScript("resume", base_ + "/pg");
    const ChildResult r = child->WaitFor(kChildDeadline * 2);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(Count(r.err, kWaitNotice), 1u) << r.err;  // said once
    keys = Lines(r.out);
    EXPECT_EQ(keys.size(), 2000u);
    ExpectDistinctAndInOrder(keys);
    // A key whose write reached the server but whose answer did not is never
    // printed: a gap is allowed, a repeat never.
    ASSERT_FALSE(keys.empty());
    EXPECT_GE("S-" + StoredSuffix(), keys.back());
  }

  {
    SCOPED_TRACE("stopped for good");
    SetReconnectSeconds(2);
    auto child = StartDrawing(100000, 100);
    PgScript("stop", base_ + "/pg");
    const ChildResult r = child->WaitFor(kChildDeadline);
    ASSERT_FALSE(r.timed_out) << "the request kept waiting";
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(Count(r.err, kWaitNotice), 1u) << r.err;
    EXPECT_THAT(r.err, HasSubstr("orvgen: Cannot connect to database \"" + alias_ + "\": "));
    EXPECT_THAT(r.err, HasSubstr("Connection refused"));
    const auto printed = Lines(r.out);
    keys.insert(keys.end(), printed.begin(), printed.end());
  }

  PgScript("resume", base_ + "/pg");
  const ChildResult after =
      RunOrvgen(Args({"next", "--mask", "S-#####", "--start", "00001"}), base_);
  ASSERT_EQ(after.exit_code, 0) << after.err;
  keys.push_back(Lines(after.out).at(0));
  ExpectDistinctAndInOrder(keys);
}

// A server whose processes are stopped answers nothing, yet keeps its
// connections open: the request counts it as lost and ends after the alias's
// reconnect_seconds (and the connect timeout), with one notice.
TEST_F(GeneratorServerTest, AFrozenServerEndsTheRequest) {
  SetReconnectSeconds(3);
  ASSERT_EQ(RunOrvgen(Args({"init"}), base_).exit_code, 0);
  auto child = StartDrawing(100000, 50);
  const std::string server = "$(head -1 '" + base_ + "/pg/data/postmaster.pid')";
  const auto signal = [&](const std::string& which) {  // the postmaster and its backends
    const std::string line =
        "kill -" + which + " " + server + " $(ps -o pid= --ppid " + server + ")";
    if (std::system(line.c_str()) != 0) ADD_FAILURE() << line;
  };
  signal("STOP");
  const ChildResult r = child->WaitFor(kChildDeadline * 2);
  signal("CONT");
  ASSERT_FALSE(r.timed_out) << "the request waited for the stopped server without end";
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(Count(r.err, kWaitNotice), 1u) << r.err;
  EXPECT_THAT(r.err, HasSubstr("orvgen: Cannot connect to database \"" + alias_ + "\": "));
}

// Servers started at the same moment (as tests running side by side start
// them) each find a port of their own.
TEST(PgScriptTest, ServersStartedAtOnceEachGetAPort) {
  const std::string base = ::testing::TempDir() + "orv-pgs-" + std::to_string(::getpid()) + "-";
  std::vector<std::future<std::string>> started;
  for (int i = 0; i < 3; ++i)
    started.push_back(std::async(std::launch::async, PgScript, "start", base + std::to_string(i)));
  std::set<std::string> conninfos;
  for (int i = 0; i < 3; ++i) {
    conninfos.insert(started[i].get());
    PgScript("stop", base + std::to_string(i));
    fs::remove_all(base + std::to_string(i));
  }
  if (conninfos == std::set<std::string>{""} && !orv::testing::PgRequired())
    GTEST_SKIP() << "PostgreSQL is not installed";
  EXPECT_EQ(conninfos.size(), 3u);
  EXPECT_EQ(conninfos.count(""), 0u) << "a server did not start";
}

// Runs sql on the server as the tests' superuser; the rows it returned.
int Sql(const std::string& conninfo, const std::string& sql) {
  std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(conninfo.c_str()), PQfinish);
  if (PQstatus(conn.get()) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn.get()));
  PGresult* r = PQexec(conn.get(), sql.c_str());
  const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
  const int rows = PQntuples(r);
  PQclear(r);
  if (!ok) throw std::runtime_error(sql + ": " + PQerrorMessage(conn.get()));
  return rows;
}

TEST_F(GeneratorServerTest, AWriteCommittedButNotConfirmedIssuesItsKey) {
  SetReconnectSeconds(30);
  ASSERT_EQ(RunOrvgen(Args({"init"}), base_).exit_code, 0);
  ASSERT_EQ(
      Lines(
          RunOrvgen(Args({"next", "--mask", "S-#####", "--start", "00001", "-n", "2"}), base_).out),
      (std::vector<std::string>{"S-00001", "S-00002"}));
  // The next key's write (the row left free with a new suffix, by the single
  // commit or by the write that ends a claim) waits at its
  // commit for a synchronous standby that does not exist, after the commit
  // is made locally; ending that session then loses only the confirmation,
  // as when a primary goes during a failover.
  Sql(conninfo_, "ALTER SYSTEM SET synchronous_standby_names = 'nobody'");
  Sql(conninfo_, "ALTER SYSTEM SET synchronous_commit = 'local'");
  Sql(conninfo_, "SELECT pg_reload_conf()");
  Sql(conninfo_, "CREATE TABLE held (done boolean)");
  Sql(conninfo_,
      "CREATE FUNCTION hold() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
      "IF NEW.\"State\" = 0 AND NEW.\"Suffix\" <> OLD.\"Suffix\" "
      "AND NOT EXISTS (SELECT FROM held) THEN "
      "INSERT INTO held VALUES (true); PERFORM set_config('synchronous_commit', 'on', true); END "
      "IF; "
      "RETURN NEW; END $$");
  Sql(conninfo_,
      "CREATE TRIGGER hold BEFORE UPDATE ON \"GENTBL\" FOR EACH ROW EXECUTE FUNCTION hold()");

  SpawnedChild next(OrvgenPath(),
                    Args({"next", "--mask", "S-#####", "--start", "00001", "-n", "2"}), base_);
  const auto give_up = std::chrono::steady_clock::now() + kChildDeadline;
  int ended = 0;
  while (ended == 0 && !next.Finished() && std::chrono::steady_clock::now() < give_up) {
    ended =
        Sql(conninfo_,
            "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE wait_event = 'SyncRep'");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(ended, 1) << "no write waited at its commit";
  const ChildResult r = next.WaitFor(kChildDeadline);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // The key whose write was stored is the one printed: no gap.
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"S-00003", "S-00004"})) << r.err;
  EXPECT_EQ(StoredSuffix(), "00004");
}

}  // namespace
}  // namespace orv
