#include <orv/host/db/testing/engines.h>

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include <orv/host/db/session.h>
#include <orv/host/rtl/exception.h>

namespace orv::testing {

namespace fs = std::filesystem;

namespace {

std::string PgConninfo() {
  const char* c = std::getenv("ORV_PG_CONNINFO");
  return c ? c : "";
}

// Runs one statement on the test server; raises with the server's message.
// Returns the number of rows a query gave.
int PgRun(const std::string& conninfo, const std::string& sql) {
  std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(conninfo.c_str()), PQfinish);
  if (PQstatus(conn.get()) != CONNECTION_OK)
    throw Exception("Cannot reach the test server: " + std::string(PQerrorMessage(conn.get())));
  PQsetNoticeProcessor(
      conn.get(), [](void*, const char*) {}, nullptr);
  PGresult* r = PQexec(conn.get(), sql.c_str());
  const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
  const int rows = PQntuples(r);
  const std::string why = PQerrorMessage(conn.get());
  PQclear(r);
  if (!ok) throw Exception("Test server refused '" + sql + "': " + why);
  return rows;
}

// base with the schema put first on the search path.
std::string WithSchema(const std::string& base, const std::string& schema) {
  std::string out, options;
  for (const auto& [key, value] : ConninfoValues(base, "ORV_PG_CONNINFO")) {
    if (key == "options")
      options = value;
    else
      out += key + "=" + QuoteConninfoValue(value) + " ";
  }
  if (!options.empty()) options += ' ';
  options += "-csearch_path=" + schema;
  // Sessions on the schema carry its name, so that a test can find them.
  return out + "options=" + QuoteConninfoValue(options) +
         " application_name=" + QuoteConninfoValue(schema);
}

}  // namespace

std::vector<std::string> EngineNames() {
  std::vector<std::string> names{"sqlite"};
  if (!PgConninfo().empty()) names.push_back("postgresql");
  return names;
}

std::vector<std::string> AllEngineNames() { return {"sqlite", "postgresql"}; }

const EngineCaps& Caps(const std::string& engine) {
  static const EngineCaps sqlite{false, false, true, 0};
  static const EngineCaps postgresql{true, true, false, 63};
  if (engine == "sqlite") return sqlite;
  if (engine == "postgresql") return postgresql;
  throw Exception("Unknown engine " + engine);
}

bool PgRequired() {
  const char* v = std::getenv("ORV_PG_REQUIRED");
  return v && std::string(v) == "1";
}

std::string EngineUnavailable(const std::string& engine) {
  if (engine == "postgresql" && PgConninfo().empty())
    return "PostgreSQL: $ORV_PG_CONNINFO is not set";
  return "";
}

TestDatabase::TestDatabase(const std::string& engine) : engine_(engine) {
  static std::atomic<int> counter{0};
  alias_ = "orvtest_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
  std::string pattern = (fs::temp_directory_path() / "orv-db.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw Exception("Cannot make a temporary directory");
  dir_ = pattern;
  std::string driver, key;
  if (engine == "sqlite") {
    location_ = dir_ + "/db";
    fs::create_directory(location_);
    driver = "sqlite";
    key = "path";
  } else if (engine == "postgresql") {
    const std::string base = PgConninfo();
    if (base.empty()) throw Exception("ORV_PG_CONNINFO is not set");
    schema_ = alias_;
    PgRun(base, "CREATE SCHEMA \"" + schema_ + "\"");
    location_ = WithSchema(base, schema_);
    driver = "postgresql";
    key = "conninfo";
  } else {
    fs::remove_all(dir_);
    throw Exception("Unknown engine: " + engine);
  }
  alias_file_ = dir_ + "/aliases.ini";
  std::ofstream(alias_file_) << "[" << alias_ << "]\ndriver = " << driver << "\n"
                             << key << " = " << location_ << "\n";
  // Private, as an alias file that may hold a password should be.
  fs::permissions(alias_file_, fs::perms::owner_read | fs::perms::owner_write);
  Session()->AddAlias(alias_, driver, {{key, location_}});
}

int TestDatabase::EndServerSessions() const {
  if (schema_.empty()) return 0;
  return PgRun(
      PgConninfo(),
      "SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE application_name = '" +
          schema_ + "'");
}

std::string TestDatabase::ReadOnlyRoleConninfo() {
  if (schema_.empty()) throw Exception("Read-only roles are PostgreSQL's");
  if (role_.empty()) {
    role_ = alias_ + "_reader";
    PgRun(PgConninfo(), "CREATE ROLE \"" + role_ + "\" LOGIN");
    PgRun(PgConninfo(), "GRANT USAGE ON SCHEMA \"" + schema_ + "\" TO \"" + role_ + "\"");
    PgRun(PgConninfo(),
          "GRANT SELECT ON ALL TABLES IN SCHEMA \"" + schema_ + "\" TO \"" + role_ + "\"");
    PgRun(PgConninfo(), "ALTER DEFAULT PRIVILEGES IN SCHEMA \"" + schema_ +
                            "\" GRANT SELECT ON TABLES TO \"" + role_ + "\"");
  }
  return location_ + " user=" + QuoteConninfoValue(role_);  // a later keyword wins
}

TestDatabase::~TestDatabase() {
  Session()->DeleteAlias(alias_);
  if (!schema_.empty()) {
    try {
      PgRun(PgConninfo(), "DROP SCHEMA \"" + schema_ + "\" CASCADE");
      if (!role_.empty()) {
        PgRun(PgConninfo(), "DROP OWNED BY \"" + role_ + "\"");
        PgRun(PgConninfo(), "DROP ROLE \"" + role_ + "\"");
      }
    } catch (const Exception&) {
      // The schema stays behind on a server that went away; nothing else to do.
    }
  }
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::string QuoteConninfoValue(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

std::vector<std::pair<std::string, std::string>> ConninfoValues(const std::string& conninfo,
                                                                const std::string& what) {
  char* err = nullptr;
  PQconninfoOption* opts = PQconninfoParse(conninfo.c_str(), &err);
  if (!opts) {
    const std::string why = err ? err : "unreadable";
    PQfreemem(err);
    throw Exception(what + ": " + why);
  }
  std::vector<std::pair<std::string, std::string>> values;
  for (PQconninfoOption* o = opts; o->keyword; ++o)
    if (o->val) values.emplace_back(o->keyword, o->val);
  PQconninfoFree(opts);
  return values;
}

}  // namespace orv::testing
