// Test support for code that stores data through the data access layer: the
// engines a test can run against, and a fresh, empty database per test.
//
// Suites parameterise over EngineNames() with INSTANTIATE_TEST_SUITE_P, and
// each test makes a TestDatabase of its engine. A child process reaches the
// same database through AliasFile() (pass it as $ORV_ALIASES or load it with
// TSession::LoadAliasFile).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orv::testing {

// "sqlite" always; "postgresql" as well when $ORV_PG_CONNINFO is set.
std::vector<std::string> EngineNames();

// Every engine, available or not. A suite instantiated over these has the
// same test names whatever the environment, so CTest's list of tests (made
// when the test program is built) never goes stale; its SetUp skips what is
// unavailable with ORV_SKIP_UNLESS_AVAILABLE(engine).
std::vector<std::string> AllEngineNames();

// Why a test of engine cannot run here ("" when it can).
std::string EngineUnavailable(const std::string& engine);

// Whether the tests must find PostgreSQL (and start servers of their own with
// scripts/pg.sh): $ORV_PG_REQUIRED is 1, as ./test.sh sets it where it has
// installed PostgreSQL. A test that cannot reach it then fails, naming why,
// instead of skipping.
bool PgRequired();

#define ORV_SKIP_UNLESS_AVAILABLE(engine)                                                          \
  if (const std::string orv_why_ = ::orv::testing::EngineUnavailable(engine); !orv_why_.empty()) { \
    if (::orv::testing::PgRequired())                                                              \
      FAIL() << orv_why_ << ", yet $ORV_PG_REQUIRED is 1";                                         \
    else                                                                                           \
      GTEST_SKIP() << orv_why_;                                                                    \
  }

// What an engine does differently, by name, so that the shared suites ask
// for a capability instead of comparing engine names.
struct EngineCaps {
  bool row_locks;      // an edit locks its row only (else the whole table)
  bool server;         // a server whose sessions can end (EndServerSessions, roles)
  bool table_files;    // each table is a file of the database's directory,
                       // listed with its extension (.DB)
  int max_name_bytes;  // the longest table or field name, in UTF-8 bytes (0: no limit)
};
// The capabilities of engine (one of AllEngineNames()); raises orv::Exception
// for another name.
const EngineCaps& Caps(const std::string& engine);

// A conninfo value in single quotes, as libpq reads it.
std::string QuoteConninfoValue(const std::string& value);
// The keywords conninfo sets and their values, in libpq's order. Raises
// orv::Exception "what: libpq's reason" when libpq cannot read it.
std::vector<std::pair<std::string, std::string>> ConninfoValues(
    const std::string& conninfo, const std::string& what = "conninfo");

// A fresh, empty database registered in Session() as a unique alias, gone
// again when the object is destroyed. SQLite: a temporary directory;
// PostgreSQL: a fresh schema of the server at $ORV_PG_CONNINFO (dropped at the
// end), so that tests running in parallel never meet.
class TestDatabase {
 public:
  // Raises orv::Exception when the engine is unknown or its server unreachable.
  explicit TestDatabase(const std::string& engine);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  const std::string& Engine() const { return engine_; }
  // The alias of the database in Session().
  const std::string& Alias() const { return alias_; }
  // An INI alias file that defines Alias().
  const std::string& AliasFile() const { return alias_file_; }
  // SQLite: the database's directory; PostgreSQL: the schema's conninfo.
  const std::string& Location() const { return location_; }

  // PostgreSQL: the server ends every session that has worked on this
  // database's schema, as when it restarts; the number ended. SQLite: 0.
  int EndServerSessions() const;
  // PostgreSQL: a role that may log in and read this database's tables (now
  // and later) but write none, and the conninfo that logs in as it; dropped
  // with the database.
  std::string ReadOnlyRoleConninfo();

 private:
  std::string engine_;
  std::string alias_;
  std::string alias_file_;
  std::string location_;
  std::string dir_;     // temporary directory (alias file; SQLite tables)
  std::string schema_;  // PostgreSQL schema
  std::string role_;    // PostgreSQL read-only role, when made
};

}  // namespace orv::testing
