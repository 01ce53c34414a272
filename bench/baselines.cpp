#include "bench/baselines.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include <orv/keygen/ownerstamp.h>
#include <orv/keygen/timestamp.h>

namespace orv::bench {

std::string NextSuffix(const std::string& suffix) {
  long long n = 0;
  for (char c : suffix) {
    if (c < '0' || c > '9') return NextSuffix(std::string(kSuffixDigits, '0'));
    n = n * 10 + (c - '0');
  }
  long long limit = 1;
  for (int i = 0; i < kSuffixDigits; ++i) limit *= 10;
  std::string out = std::to_string((n + 1) % limit);
  return std::string(kSuffixDigits - std::min<std::size_t>(out.size(), kSuffixDigits), '0') + out;
}

namespace {

constexpr auto kLockPatience = std::chrono::seconds(10);

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// ---- SQLite ----------------------------------------------------------------

class SqliteSource : public KeySource {
 public:
  SqliteSource(const std::string& file, const std::string& table, Design design) : design_(design) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw std::runtime_error("Cannot open " + file + ": " + why);
    }
    try {
      sqlite3_busy_handler(db_, &SqliteSource::OnBusy, &busy_since_);
      Exec("PRAGMA journal_mode=WAL");
      Exec("PRAGMA synchronous=FULL");
      const std::string t = Quoted(table);
      const std::string row = " WHERE \"GenID\" = 0 AND \"Prefix\" = ?1";
      Exec("INSERT OR IGNORE INTO " + t +
           " (\"GenID\", \"Prefix\", \"Suffix\", \"Time\", \"Try\", \"State\", \"Who\")"
           " VALUES (0, '" +
           kBaselinePrefix + "', '" + std::string(kSuffixDigits, '0') + "', '', 0, 0, '')");
      begin_ = Prepare("BEGIN IMMEDIATE");
      commit_ = Prepare("COMMIT");
      read_ = Prepare("SELECT \"Suffix\", \"Time\", \"Try\", \"State\", \"Who\" FROM " + t + row);
      // ?1 prefix, ?2 suffix, ?3 time, ?4 who
      write_ = Prepare(
          "UPDATE " + t +
          " SET \"Suffix\" = ?2, \"Time\" = ?3, \"Try\" = 0, \"Who\" = ?4, \"State\" = 0" + row);
      claim_ = Prepare("UPDATE " + t + " SET \"State\" = 1, \"Time\" = ?3, \"Who\" = ?4" + row);
      stamp_ = Prepare("UPDATE " + t + " SET \"Time\" = ?3, \"Try\" = 0, \"Who\" = ?4" + row);
    } catch (...) {
      Close();
      throw;
    }
  }
  ~SqliteSource() override { Close(); }

  void Key() override {
    if (design_ == Design::kOneTransaction) {
      Transaction([&](const std::string& suffix) { Update(write_, NextSuffix(suffix)); });
    } else {
      Transaction([&](const std::string&) { Update(claim_, ""); });
      Transaction([&](const std::string&) { Update(stamp_, ""); });
      Transaction([&](const std::string& suffix) { Update(write_, NextSuffix(suffix)); });
    }
  }

 private:
  static int OnBusy(void* arg, int count) {
    auto* since = static_cast<std::chrono::steady_clock::time_point*>(arg);
    const auto now = std::chrono::steady_clock::now();
    if (count == 0) *since = now;
    if (now - *since >= kLockPatience) return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(100));  // as the data layer
    return 1;
  }

  void Close() {
    for (sqlite3_stmt* s : {begin_, commit_, read_, write_, claim_, stamp_}) sqlite3_finalize(s);
    sqlite3_close(db_);
    db_ = nullptr;
  }
  [[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("SQLite baseline: " + what + ": " + sqlite3_errmsg(db_));
  }
  void Exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr) !=
        SQLITE_OK)
      Fail(sql);
    return s;
  }
  // Steps s to its end; the suffix of the row it returned, if any.
  std::string Run(sqlite3_stmt* s) {
    std::string suffix;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(s, 0);
      suffix = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_reset(s);
    if (rc != SQLITE_DONE) Fail(sqlite3_sql(s));
    return suffix;
  }
  void Update(sqlite3_stmt* s, const std::string& suffix) {
    const std::string time = GetTimeStamp();
    sqlite3_bind_text(s, 1, kBaselinePrefix, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 2, suffix.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 3, time.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 4, who_.c_str(), -1, SQLITE_TRANSIENT);
    Run(s);
    if (sqlite3_changes(db_) != 1) throw std::runtime_error("SQLite baseline: the row is gone");
  }
  template <typename Body>
  void Transaction(Body body) {
    Run(begin_);
    try {
      sqlite3_bind_text(read_, 1, kBaselinePrefix, -1, SQLITE_STATIC);
      body(Run(read_));
      Run(commit_);
    } catch (...) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      throw;
    }
  }

  Design design_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt *begin_ = nullptr, *commit_ = nullptr, *read_ = nullptr, *write_ = nullptr,
               *claim_ = nullptr, *stamp_ = nullptr;
  std::chrono::steady_clock::time_point busy_since_;
  std::string who_ = NewOwnerStamp();
};

// ---- PostgreSQL ------------------------------------------------------------

class PgResult {
 public:
  explicit PgResult(PGresult* r) : r_(r) {}
  ~PgResult() { PQclear(r_); }
  PgResult(const PgResult&) = delete;
  PgResult& operator=(const PgResult&) = delete;
  PGresult* get() const { return r_; }
  bool Ok() const {
    const auto s = PQresultStatus(r_);
    return s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK;
  }
  std::string State() const {
    const char* s = PQresultErrorField(r_, PG_DIAG_SQLSTATE);
    return s ? s : "";
  }

 private:
  PGresult* r_;
};

class PgSource : public KeySource {
 public:
  PgSource(const std::string& conninfo, const std::string& table, Design design)
      : design_(design), conn_(PQconnectdb(conninfo.c_str())) {
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string why = PQerrorMessage(conn_);
      PQfinish(conn_);
      throw std::runtime_error("PostgreSQL baseline: cannot connect: " + why);
    }
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    try {
      const std::string t = Quoted(table);
      const std::string row = " WHERE \"GenID\" = 0 AND \"Prefix\" = $1";
      Exec("INSERT INTO " + t +
           " (\"GenID\", \"Prefix\", \"Suffix\", \"Time\", \"Try\", \"State\", \"Who\")" +
           " VALUES (0, '" + kBaselinePrefix + "', '" + std::string(kSuffixDigits, '0') +
           "', '', 0, 0, '') ON CONFLICT DO NOTHING");
      Prepare("read_wait", "SELECT \"Suffix\", \"Time\", \"Try\", \"State\", \"Who\" FROM " + t +
                               row + " FOR UPDATE");
      Prepare("read_nowait", "SELECT \"Suffix\", \"Time\", \"Try\", \"State\", \"Who\" FROM " + t +
                                 row + " FOR UPDATE NOWAIT");
      // $1 prefix, $2 suffix, $3 time, $4 who
      Prepare("write",
              "UPDATE " + t +
                  " SET \"Suffix\" = $2, \"Time\" = $3, \"Try\" = 0, \"Who\" = $4, \"State\" = 0" +
                  row);
      Prepare("claim", "UPDATE " + t + " SET \"State\" = 1, \"Time\" = $3, \"Who\" = $4" + row +
                           " AND $2::text IS NOT NULL");
      Prepare("stamp", "UPDATE " + t + " SET \"Time\" = $3, \"Try\" = 0, \"Who\" = $4" + row +
                           " AND $2::text IS NOT NULL");
    } catch (...) {
      PQfinish(conn_);
      throw;
    }
  }
  ~PgSource() override { PQfinish(conn_); }

  void Key() override {
    if (design_ == Design::kOneTransaction) {
      Transaction("read_wait", "write", true);
    } else {
      Transaction("read_nowait", "claim", false);
      Transaction("read_nowait", "stamp", false);
      Transaction("read_nowait", "write", true);
    }
  }

 private:
  void Exec(const std::string& sql) {
    PgResult r(PQexec(conn_, sql.c_str()));
    if (!r.Ok())
      throw std::runtime_error("PostgreSQL baseline: " + sql + ": " + PQerrorMessage(conn_));
  }
  void Prepare(const char* name, const std::string& sql) {
    PgResult r(PQprepare(conn_, name, sql.c_str(), 0, nullptr));
    if (!r.Ok())
      throw std::runtime_error("PostgreSQL baseline: " + sql + ": " + PQerrorMessage(conn_));
  }

  // BEGIN; read the row locked; update it; COMMIT. A NOWAIT read that finds
  // the row locked rolls back and tries again until kLockPatience passes.
  void Transaction(const char* read, const char* update, bool step) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
      Exec("BEGIN");
      const char* prefix[] = {kBaselinePrefix};
      PgResult row(PQexecPrepared(conn_, read, 1, prefix, nullptr, nullptr, 0));
      if (!row.Ok()) {
        const std::string why = PQerrorMessage(conn_), state = row.State();
        Exec("ROLLBACK");
        if (state == "55P03" && std::chrono::steady_clock::now() - start < kLockPatience)
          continue;  // lock_not_available
        throw std::runtime_error("PostgreSQL baseline: reading the row: " + why);
      }
      if (PQntuples(row.get()) != 1) {
        Exec("ROLLBACK");
        throw std::runtime_error("PostgreSQL baseline: the row is gone");
      }
      const std::string suffix = step ? NextSuffix(PQgetvalue(row.get(), 0, 0)) : "";
      const std::string time = GetTimeStamp();
      const char* values[] = {kBaselinePrefix, suffix.c_str(), time.c_str(), who_.c_str()};
      PgResult done(PQexecPrepared(conn_, update, 4, values, nullptr, nullptr, 0));
      if (!done.Ok()) {
        const std::string why = PQerrorMessage(conn_);
        Exec("ROLLBACK");
        throw std::runtime_error("PostgreSQL baseline: updating the row: " + why);
      }
      Exec("COMMIT");
      return;
    }
  }

  Design design_;
  PGconn* conn_;
  std::string who_ = NewOwnerStamp();
};

}  // namespace

std::unique_ptr<KeySource> MakeSqliteBaseline(const std::string& file, const std::string& table,
                                              Design design) {
  return std::make_unique<SqliteSource>(file, table, design);
}

std::unique_ptr<KeySource> MakePgBaseline(const std::string& conninfo, const std::string& table,
                                          Design design) {
  return std::make_unique<PgSource>(conninfo, table, design);
}

}  // namespace orv::bench
