#include <orv/host/db/postgresql/pg_driver.h>

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <unordered_map>

#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/sysutils.h>

namespace orv::db {

namespace {

// Type OIDs of the server's built-in types that the layer maps.
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat4 = 700, kFloat8 = 701,
              kBpchar = 1042, kVarchar = 1043, kNumeric = 1700;
// SQLSTATEs that have a message of their own.
constexpr const char* kLockNotAvailable = "55P03";
constexpr const char* kUniqueViolation = "23505";
constexpr const char* kUndefinedTable = "42P01";
// The longest name the server keeps whole; a longer one it cuts silently, so
// that two long names could meet in one table.
constexpr std::size_t kMaxIdentifierBytes = 63;

// The server dropped or refused the session: connection exceptions (class
// 08), and shutting down, crashed or still starting up (57P01..57P03).
bool LostConnection(const std::string& state) {
  return state.rfind("08", 0) == 0 || state == "57P01" || state == "57P02" || state == "57P03";
}
// Seconds to wait for a server before giving up, unless the conninfo says otherwise.
constexpr const char* kConnectTimeout = "10";
// A server that sends nothing for this long while a statement is answered
// counts as lost: a stopped server or a network cut gives no error of its
// own. Longer than any statement here waits for a lock (kLockTimeout).
constexpr int kSilenceSeconds = 10;
// The same for an idle connection and for data the server's machine never
// acknowledges, by TCP keepalives and the user timeout, unless the conninfo
// says otherwise.
constexpr const char* kKeepalivesIdle = "5";
constexpr const char* kKeepalivesInterval = "2";
constexpr const char* kKeepalivesCount = "3";
constexpr const char* kTcpUserTimeout = "10000";  // milliseconds
// The longest a statement waits for a lock that NOWAIT does not cover.
constexpr const char* kLockTimeout = "SET lock_timeout = '2s'";
// How often the server looks whether this program is still there while a
// statement runs (a wait for a lock included): a program killed meanwhile has
// its statement, and so its transaction, rolled back instead of committed.
constexpr const char* kClientCheck = "SET client_connection_check_interval = '100ms'";

std::string Quote(const std::string& utf8) { return QuoteIdentifier(utf8); }

// Raises for a table or field name that the server would cut.
void CheckName(const std::string& name1251) {
  const std::size_t bytes = Cp1251ToUtf8(name1251).size();
  if (bytes > kMaxIdentifierBytes)
    throw EDatabaseError("Name too long for PostgreSQL: " + name1251 + " (" +
                         IntToStr(static_cast<long long>(bytes)) + " bytes, at most " +
                         IntToStr(static_cast<long long>(kMaxIdentifierBytes)) + ")");
}

// A table or field name as the server spells it, quoted, in UTF-8.
std::string QuoteName(const std::string& name1251) {
  CheckName(name1251);
  return Quote(Cp1251ToUtf8(name1251));
}

// The server's table name for a table name: a trailing ".DB" is dropped.
std::string ServerName(const std::string& table) {
  if (table.size() > 3 && CompareText(table.substr(table.size() - 3), ".DB") == 0)
    return table.substr(0, table.size() - 3);
  return table;
}

// libpq's or the server's text on one line, in 1251.
std::string Clean(const char* text) {
  const std::string s = FromUtf8(text ? text : "");
  std::string out;
  for (char c : s) {
    if (c == '\n' || c == '\r' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

class Result {
 public:
  explicit Result(PGresult* r) : r_(r) {}
  ~Result() { PQclear(r_); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  int Rows() const { return PQntuples(r_); }
  std::string Text(int row, int col) const {
    return std::string(PQgetvalue(r_, row, col), PQgetlength(r_, row, col));
  }
  TVariant Value(int row, int col, TFieldType type, bool trim_blanks = false) const {
    if (PQgetisnull(r_, row, col)) return TVariant();
    const std::string t = Text(row, col);
    if (type == ftInteger) {
      long long v = 0;
      const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
      if (r.ec == std::errc() && r.ptr == t.data() + t.size()) return v;
    } else if (type == ftFloat) {
      char* end = nullptr;
      const double v = std::strtod(t.c_str(), &end);
      if (end == t.c_str() + t.size()) return v;
    }
    std::string s = FromUtf8(t);
    if (trim_blanks)
      while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }

 private:
  PGresult* r_;
};

// One connection to the server of a database, in client encoding UTF8.
class Connection {
 public:
  explicit Connection(const TDatabaseInfo& db) : name_(db.name) {
    const auto it = db.params.find("conninfo");
    conninfo_ = Cp1251ToUtf8(it == db.params.end() ? "" : it->second);
    Connect();
  }
  ~Connection() { PQfinish(conn_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Runs sql with the values as parameters. Raises "Record locked by another
  // user", "Key violation", table_missing (when given) or "context: the
  // server's message".
  std::unique_ptr<Result> Exec(const std::string& sql, const std::vector<TVariant>& params,
                               const std::string& context, const std::string& table_missing = "") {
    Reconnect();
    const Params p(params);
    return Check(Collect(PQsendQueryParams(conn_, sql.c_str(), static_cast<int>(params.size()),
                                           p.types.data(), p.values.data(), nullptr, nullptr, 0)),
                 context, table_missing);
  }

  // The same through a statement prepared on this connection at its first
  // use (for these parameter types) and executed by name afterwards.
  std::unique_ptr<Result> ExecPrepared(const std::string& sql, const std::vector<TVariant>& params,
                                       const std::string& context) {
    Reconnect();
    const Params p(params);
    const std::string& name = Prepared(sql, p, context);
    return Check(Collect(PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(params.size()),
                                             p.values.data(), nullptr, nullptr, 0)),
                 context);
  }

  // One statement of a pipeline: a transaction command without parameters
  // ("BEGIN", "COMMIT") or a statement run through its prepared statement.
  struct Step {
    std::string sql;
    std::vector<TVariant> params;
    bool command = false;
  };
  // Sends the steps in one round trip (pipeline mode) and returns their
  // results; raises as Exec for the first that failed (the server skips the
  // rest). Statements not yet prepared on this connection are prepared first.
  std::vector<std::unique_ptr<Result>> ExecPipeline(const std::vector<Step>& steps,
                                                    const std::string& context) {
    Reconnect();
    std::deque<Params> params;  // never moved: values point into texts
    std::vector<std::string> names;
    for (const auto& step : steps) {
      params.emplace_back(step.params);
      names.push_back(step.command ? "" : Prepared(step.sql, params.back(), context));
    }
    using Owned = std::unique_ptr<PGresult, void (*)(PGresult*)>;
    std::vector<Owned> results;
    if (PQenterPipelineMode(conn_) == 1) {
      bool sent = true;
      for (std::size_t i = 0; i < steps.size() && sent; ++i) {
        const Params& p = params[i];
        sent = steps[i].command
                   ? PQsendQueryParams(conn_, steps[i].sql.c_str(), 0, nullptr, nullptr, nullptr,
                                       nullptr, 0) == 1
                   : PQsendQueryPrepared(conn_, names[i].c_str(), static_cast<int>(p.values.size()),
                                         p.values.data(), nullptr, nullptr, 0) == 1;
      }
      if (sent && PQpipelineSync(conn_) == 1) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
          // Each step's result, then a null; a lost connection gives an
          // error result (or none) for the step it broke.
          Owned first(NextResult(), PQclear);
          if (first)
            while (PGresult* more = NextResult()) PQclear(more);
          results.push_back(std::move(first));
        }
        while (PGresult* r = NextResult()) {
          const bool sync = PQresultStatus(r) == PGRES_PIPELINE_SYNC;
          PQclear(r);
          if (sync) break;
        }
      }
      // Refused while results are missing (the server went mid-pipeline):
      // the session is then of no further use, whatever PQstatus says.
      if (PQexitPipelineMode(conn_) != 1) broken_ = true;
    } else {
      broken_ = true;
    }
    std::vector<std::unique_ptr<Result>> out;
    for (std::size_t i = 0; i < steps.size(); ++i)
      out.push_back(Check(i < results.size() ? results[i].release() : nullptr, context));
    return out;
  }

  // Runs sql ignoring any failure (a rollback after an error).
  void Quietly(const char* sql) noexcept {
    if (conn_ && !broken_) PQclear(Collect(PQsendQuery(conn_, sql)));
  }

 private:
  // Parameters as libpq takes them: texts in UTF-8 and their types.
  struct Params {
    explicit Params(const std::vector<TVariant>& params)
        : texts(params.size()), values(params.size(), nullptr), types(params.size(), 0) {
      for (std::size_t i = 0; i < params.size(); ++i) {
        const TVariant& v = params[i];
        switch (v.VarType()) {
          case varNull:
            continue;
          case varInteger:
            types[i] = kInt8;
            texts[i] = v.AsString();
            break;
          case varFloat:
            types[i] = kFloat8;
            texts[i] = v.AsString();
            break;
          case varString:
            types[i] = kText;
            texts[i] = Cp1251ToUtf8(v.AsString());
            break;
        }
        values[i] = texts[i].c_str();
      }
    }
    Params(const Params&) = delete;
    Params& operator=(const Params&) = delete;
    std::vector<std::string> texts;
    std::vector<const char*> values;
    std::vector<Oid> types;
  };

  // A new session. libpq's own notices (a server's "terminating connection"
  // among them) are not for the user: our errors say what went wrong.
  void Connect() {
    // The conninfo (dbname, expanded) overrides the settings before it.
    const char* keys[] = {"connect_timeout",
                          "keepalives",
                          "keepalives_idle",
                          "keepalives_interval",
                          "keepalives_count",
                          "tcp_user_timeout",
                          "dbname",
                          "client_encoding",
                          nullptr};
    const char* vals[] = {kConnectTimeout,
                          "1",
                          kKeepalivesIdle,
                          kKeepalivesInterval,
                          kKeepalivesCount,
                          kTcpUserTimeout,
                          conninfo_.c_str(),
                          "UTF8",
                          nullptr};
    conn_ = PQconnectdbParams(keys, vals, 1);
    if (!conn_) throw EDatabaseError("Cannot connect to database \"" + name_ + "\": out of memory");
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string why = Clean(PQerrorMessage(conn_));
      PQfinish(conn_);
      conn_ = nullptr;
      throw EConnectionLost("Cannot connect to database \"" + name_ + "\": " + why);
    }
    broken_ = false;
    silent_ = false;
    Settings();
  }

  // Waits until a result can be read without blocking. False when the
  // server stayed silent for kSilenceSeconds: the session is then of no use.
  bool AwaitResult() {
    using Clock = std::chrono::steady_clock;
    const auto silence = std::chrono::seconds(kSilenceSeconds);
    auto give_up = Clock::now() + silence;
    while (PQisBusy(conn_)) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(give_up - Clock::now()).count();
      if (left <= 0) {
        silent_ = broken_ = true;
        return false;
      }
      pollfd p{PQsocket(conn_), POLLIN, 0};
      const int rc = ::poll(&p, 1, static_cast<int>(left));
      if (rc < 0 && errno != EINTR) return true;  // PQgetResult says what failed
      if (rc > 0) {
        if (PQconsumeInput(conn_) != 1) return true;
        give_up = Clock::now() + silence;
      }
    }
    return true;
  }
  PGresult* NextResult() { return AwaitResult() ? PQgetResult(conn_) : nullptr; }
  // The result of a statement sent, as PQexec gives it: the last one, or
  // none when it could not be sent or the server went silent.
  PGresult* Collect(int sent) {
    if (sent != 1) return nullptr;
    PGresult* last = nullptr;
    while (PGresult* r = NextResult()) {
      PQclear(last);
      last = r;
    }
    return last;
  }

  void Settings() noexcept {
    Quietly(kLockTimeout);
    Quietly(kClientCheck);  // not known before PostgreSQL 14: ignored there
  }

  // The name of sql's prepared statement for these parameter types, prepared
  // on its first use on this connection.
  const std::string& Prepared(const std::string& sql, const Params& p, const std::string& context) {
    std::string key = sql;
    for (const Oid t : p.types) key += "\x1f" + IntToStr(static_cast<long long>(t));
    auto found = prepared_.find(key);
    if (found == prepared_.end()) {
      const std::string name = "orv" + IntToStr(static_cast<long long>(prepared_.size() + 1));
      Check(Collect(PQsendPrepare(conn_, name.c_str(), sql.c_str(),
                                  static_cast<int>(p.types.size()), p.types.data())),
            context);
      found = prepared_.emplace(key, name).first;
    }
    return found->second;
  }

  void Reconnect() {
    // A session left in pipeline mode still reads CONNECTION_OK, yet refuses
    // every statement after it.
    if (conn_ && !broken_ && PQstatus(conn_) == CONNECTION_OK &&
        PQpipelineStatus(conn_) == PQ_PIPELINE_OFF)
      return;
    // The server went away since the last statement: try once to come back.
    // A new session knows none of the old one's prepared statements.
    prepared_.clear();
    PQfinish(conn_);
    conn_ = nullptr;
    Connect();
  }

  std::unique_ptr<Result> Check(PGresult* r, const std::string& context,
                                const std::string& table_missing = "") {
    const ExecStatusType status = PQresultStatus(r);
    if (r && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK))
      return std::make_unique<Result>(r);
    const char* code = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    const std::string state = code ? code : "";
    const char* primary = r ? PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const std::string message =
        primary   ? Clean(primary)
        : silent_ ? "the server did not answer for " + IntToStr(kSilenceSeconds) + " seconds"
                  : Clean(PQerrorMessage(conn_));
    // No result at all: the session failed before the server answered.
    if (!r) broken_ = true;
    PQclear(r);
    if (state == kLockNotAvailable) throw ELockConflict(kRecordLocked);
    if (broken_ || PQstatus(conn_) != CONNECTION_OK || LostConnection(state)) {
      broken_ = true;
      throw EConnectionLost("Lost the connection to database \"" + name_ + "\": " + message);
    }
    if (state == kUniqueViolation) throw EKeyViolation(kKeyViolation);
    if (state == kUndefinedTable && !table_missing.empty()) throw EDatabaseError(table_missing);
    throw EDatabaseError(context + ": " + message);
  }

  std::string name_;
  std::string conninfo_;
  PGconn* conn_ = nullptr;  // none after a failed reconnect
  bool broken_ = false;     // lost mid-statement: the next use starts a new session
  bool silent_ = false;     // lost because the server stopped answering
  std::unordered_map<std::string, std::string>
      prepared_;  // SQL and parameter types -> statement name
};

std::string Missing(const TDatabaseInfo& db, const std::string& table) {
  return "Table does not exist: " + table + " (database " + db.name + ")";
}

// The table's oid and quoted, schema-qualified name, or none.
std::optional<std::pair<std::string, std::string>> Resolve(Connection& c,
                                                           const std::string& table) {
  CheckName(ServerName(table));
  // In the connection's own schema only, as TableNames lists them: never one
  // of the system catalog's tables that the search path also reaches.
  const auto r = c.Exec(
      "SELECT c.oid::text, quote_ident(n.nspname) || '.' || quote_ident(c.relname) FROM pg_class c "
      "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = current_schema() AND "
      "c.relname = $1 AND c.relkind IN ('r', 'p')",
      {TVariant(ServerName(table))}, "Cannot look up table " + table);
  if (r->Rows() == 0) return std::nullopt;
  return std::make_pair(r->Text(0, 0), r->Text(0, 1));
}

Column ColumnOf(const std::string& name, Oid type, int typmod) {
  Column c;
  c.name = name;
  switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
      c.type = ftInteger;
      break;
    case kFloat4:
    case kFloat8:
    case kNumeric:
      c.type = ftFloat;
      break;
    case kVarchar:
    case kBpchar:
      c.type = ftString;
      c.size = typmod >= 4 ? typmod - 4 : 0;
      break;
    case kText:
      c.type = ftString;
      break;
    default:
      c.type = ftUnknown;
      break;
  }
  return c;
}

class PgCursor : public Cursor {
 public:
  PgCursor(const TDatabaseInfo& db, const std::string& table, bool read_only)
      : conn_(db), context_("Table " + table), read_only_(read_only) {
    const auto found = Resolve(conn_, table);
    if (!found) throw EDatabaseError(Missing(db, table));
    const std::string oid = found->first;
    sql_table_ = found->second;
    {
      const auto r = conn_.Exec(
          "SELECT attname, atttypid::bigint, atttypmod FROM pg_attribute WHERE attrelid = "
          "$1::bigint::oid "
          "AND attnum > 0 AND NOT attisdropped ORDER BY attnum",
          {TVariant(oid)}, context_);
      for (int i = 0; i < r->Rows(); ++i) {
        const Oid t = static_cast<Oid>(r->Value(i, 1, ftInteger).AsInteger());
        columns_.push_back(ColumnOf(r->Value(i, 0, ftString).AsString(), t,
                                    static_cast<int>(r->Value(i, 2, ftInteger).AsInteger())));
        trim_.push_back(t == kBpchar);
      }
    }
    {
      const auto r = conn_.Exec(
          "SELECT a.attname FROM pg_index i CROSS JOIN LATERAL unnest(i.indkey) WITH ORDINALITY AS "
          "k(attnum, ord) "
          "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum "
          "WHERE i.indrelid = $1::bigint::oid AND i.indisprimary ORDER BY k.ord",
          {TVariant(oid)}, context_);
      for (int i = 0; i < r->Rows(); ++i) {
        const std::string name = r->Value(i, 0, ftString).AsString();
        for (std::size_t c = 0; c < columns_.size(); ++c)
          if (columns_[c].name == name) {
            id_columns_.push_back(static_cast<int>(c));
            id_types_.push_back(columns_[c].type);
            ids_ += (ids_.empty() ? "" : ", ") + QuoteName(name);
            ids_desc_ += (ids_desc_.empty() ? "" : ", ") + QuoteName(name) + " DESC";
            id_select_ += (id_select_.empty() ? "" : ", ") + QuoteName(name);
          }
      }
    }
    if (id_columns_.empty()) {
      // No primary key: the row's physical address, stable while we hold its lock.
      ids_ = "ctid";
      ids_desc_ = "ctid DESC";
      id_select_ = "ctid::text";
      id_types_.push_back(ftString);
      tid_ = true;
    }
    select_ = id_select_;
    for (const auto& c : columns_) select_ += ", " + QuoteName(c.name);
  }
  ~PgCursor() override { Unlock(); }

  const std::vector<Column>& Columns() const override { return columns_; }
  bool ReadOnly() const override { return read_only_; }

  std::optional<Row> First() override { return One(" ORDER BY " + ids_ + " LIMIT 1", {}); }
  std::optional<Row> After(const std::vector<TVariant>& id) override {
    return One(
        " WHERE (" + ids_ + ") > (" + Marks(id.size(), 1) + ") ORDER BY " + ids_ + " LIMIT 1", id);
  }
  std::optional<Row> Before(const std::vector<TVariant>& id) override {
    return One(
        " WHERE (" + ids_ + ") < (" + Marks(id.size(), 1) + ") ORDER BY " + ids_desc_ + " LIMIT 1",
        id);
  }
  std::optional<Row> Fetch(const std::vector<TVariant>& id) override {
    return One(" WHERE (" + ids_ + ") = (" + Marks(id.size(), 1) + ")", id);
  }
  std::optional<Row> Find(const std::vector<int>& columns,
                          const std::vector<TVariant>& values) override {
    std::string where;
    std::vector<TVariant> params;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      where += (i ? " AND " : " WHERE ") + QuoteName(columns_[columns[i]].name);
      if (values[i].IsNull()) {
        where += " IS NULL";
      } else {
        params.push_back(values[i]);
        where += " = $" + IntToStr(static_cast<long long>(params.size()));
      }
    }
    return One(where + " ORDER BY " + ids_ + " LIMIT 1", params);
  }
  long long Count() override {
    return conn_.ExecPrepared("SELECT count(*) FROM " + sql_table_, {}, context_)
        ->Value(0, 0, ftInteger)
        .AsInteger();
  }
  TVariant Highest(int column) override {
    const Column& c = columns_[column];
    return conn_
        .ExecPrepared("SELECT max(" + QuoteName(c.name) + ") FROM " + sql_table_, {}, context_)
        ->Value(0, 0, c.type);
  }

  std::optional<Row> Lock(const std::vector<TVariant>& id) override {
    Unlock();
    in_txn_ = true;
    UnlockOnThrow unlock_on_throw(*this);
    // BEGIN and the locking read in one round trip.
    const auto results =
        conn_.ExecPipeline({{"BEGIN", {}, true},
                            {"SELECT " + select_ + " FROM " + sql_table_ + " WHERE (" + ids_ +
                                 ") = (" + Marks(id.size(), 1) + ") FOR UPDATE NOWAIT",
                             id}},
                           context_);
    std::optional<Row> row;
    if (results[1]->Rows() > 0) row = RowOf(*results[1], 0, 0);
    if (!row) Unlock();
    return row;
  }
  std::vector<TVariant> Update(const std::vector<TVariant>& id,
                               const std::vector<Assignment>& values) override {
    UnlockOnThrow unlock_on_throw(*this);
    std::vector<TVariant> new_id = id;
    if (!values.empty()) {
      std::vector<TVariant> params;
      for (const auto& a : values) params.push_back(a.value);
      const std::string set =
          SetList(AssignedColumns(columns_, values, QuoteName), 1, PostgresPlaceholder);
      const std::string where =
          " WHERE (" + ids_ + ") = (" + Marks(id.size(), params.size() + 1) + ")";
      params.insert(params.end(), id.begin(), id.end());
      // The write and its commit in one round trip.
      const auto results = conn_.ExecPipeline(
          {{"UPDATE " + sql_table_ + " SET " + set + where + " RETURNING " + id_select_, params},
           {"COMMIT", {}, true}},
          context_);
      if (results[0]->Rows() > 0) new_id = IdOf(*results[0], 0);
    } else {
      conn_.Exec("COMMIT", {}, context_);
    }
    in_txn_ = false;
    return new_id;
  }
  void Remove(const std::vector<TVariant>& id) override {
    UnlockOnThrow unlock_on_throw(*this);
    // The delete and its commit in one round trip.
    conn_.ExecPipeline(
        {{"DELETE FROM " + sql_table_ + " WHERE (" + ids_ + ") = (" + Marks(id.size(), 1) + ")",
          id},
         {"COMMIT", {}, true}},
        context_);
    in_txn_ = false;
  }
  void Unlock() noexcept override {
    if (in_txn_) conn_.Quietly("ROLLBACK");
    in_txn_ = false;
  }
  std::vector<TVariant> Insert(const std::vector<Assignment>& values) override {
    Unlock();
    std::string names, marks;
    std::vector<TVariant> params;
    for (const auto& a : values) {
      params.push_back(a.value);
      names += (names.empty() ? "" : ", ") + QuoteName(columns_[a.column].name);
      marks += (marks.empty() ? "$" : ", $") + IntToStr(static_cast<long long>(params.size()));
    }
    const auto r = conn_.ExecPrepared(
        "INSERT INTO " + sql_table_ +
            (values.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")") +
            " RETURNING " + id_select_,
        params, context_);
    return IdOf(*r, 0);
  }
  ChangeResult UpdateIf(const std::vector<TVariant>& id, const std::vector<Assignment>& expected,
                        const std::vector<Assignment>& values) override {
    Unlock();
    // One statement, so one round trip and one commit: the update when the
    // row matches, else the row as the statement saw it.
    std::vector<std::string> match_columns;
    std::vector<TVariant> params;
    for (const auto& a : values) params.push_back(a.value);
    const std::string where =
        " WHERE (" + ids_ + ") = (" + Marks(id.size(), params.size() + 1) + ")";
    params.insert(params.end(), id.begin(), id.end());
    for (const auto& a : expected) {
      match_columns.push_back(QuoteName(columns_[a.column].name));
      params.push_back(a.value);
    }
    const std::string set =
        SetList(AssignedColumns(columns_, values, QuoteName), 1, PostgresPlaceholder);
    const std::string sql = "WITH u AS (UPDATE " + sql_table_ + " SET " + set + where +
                            NullSafeMatches(match_columns, values.size() + id.size() + 1,
                                            PostgresPlaceholder, "IS NOT DISTINCT FROM") +
                            " RETURNING " + select_ +
                            ") SELECT true, * FROM u UNION ALL SELECT false, " + select_ +
                            " FROM " + sql_table_ + where + " AND NOT EXISTS (SELECT 1 FROM u)";
    const auto r = conn_.ExecPrepared(sql, params, context_);
    ChangeResult result;
    if (r->Rows() == 0) return result;
    result.matched = r->Text(0, 0) == "t";
    result.row = RowOf(*r, 0, 1);
    // A row that shows the expected values and was not written was changed
    // by a writer this update waited for: the statement's own read is from
    // before that commit. A second statement reads it as stored now, so that
    // the caller's next attempt is not spent on a copy already known stale.
    if (!result.matched && Shows(*result.row, expected)) result.row = Fetch(id);
    return result;
  }

 private:
  static bool Shows(const Row& row, const std::vector<Assignment>& expected) {
    for (const auto& a : expected)
      if (row.values[a.column] != a.value) return false;
    return true;
  }
  // Placeholders $first.. for an identity; ctid values are cast to tid.
  std::string Marks(std::size_t n, std::size_t first) const {
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
      out +=
          (i ? ", $" : "$") + IntToStr(static_cast<long long>(first + i)) + (tid_ ? "::tid" : "");
    return out;
  }
  std::vector<TVariant> IdOf(const Result& r, int row) const {
    std::vector<TVariant> id;
    for (std::size_t k = 0; k < id_types_.size(); ++k)
      id.push_back(r.Value(row, static_cast<int>(k), id_types_[k]));
    return id;
  }
  std::optional<Row> One(const std::string& tail, const std::vector<TVariant>& params) {
    const auto r =
        conn_.ExecPrepared("SELECT " + select_ + " FROM " + sql_table_ + tail, params, context_);
    if (r->Rows() == 0) return std::nullopt;
    return RowOf(*r, 0, 0);
  }
  // The row of a result that holds the identity, then every column, from
  // column first on.
  Row RowOf(const Result& r, int row, int first) const {
    Row out;
    for (std::size_t k = 0; k < id_types_.size(); ++k)
      out.id.push_back(r.Value(row, first + static_cast<int>(k), id_types_[k]));
    const int base = first + static_cast<int>(id_types_.size());
    for (std::size_t i = 0; i < columns_.size(); ++i)
      out.values.push_back(r.Value(row, base + static_cast<int>(i), columns_[i].type, trim_[i]));
    return out;
  }

  Connection conn_;
  std::string context_;
  bool read_only_;
  bool in_txn_ = false;
  bool tid_ = false;
  std::string sql_table_;
  std::vector<Column> columns_;
  std::vector<bool> trim_;  // char(n): blanks the server pads with are dropped
  std::vector<int> id_columns_;
  std::vector<TFieldType> id_types_;
  std::string ids_;        // identity expressions, comma-separated
  std::string ids_desc_;   // the same, each followed by DESC
  std::string id_select_;  // the same as selected (ctid as text)
  std::string select_;     // identity, then every column
};

class PgDriverImpl : public Driver {
 public:
  std::unique_ptr<Cursor> Open(const TDatabaseInfo& db, const std::string& table,
                               bool read_only) override {
    return std::make_unique<PgCursor>(db, table, read_only);
  }
  bool Exists(const TDatabaseInfo& db, const std::string& table) override {
    Connection c(db);
    return Resolve(c, table).has_value();
  }
  bool Create(const TDatabaseInfo& db, const std::string& table,
              const std::vector<TFieldDef>& fields, const std::vector<std::string>& key,
              const std::vector<std::string>& unique) override {
    const std::string sql = CreateTableSql(QuoteName(ServerName(table)), fields, key, unique,
                                           QuoteName, "DOUBLE PRECISION");
    Connection c(db);
    try {
      c.Exec(sql, {}, "Cannot create table " + table);
      return true;
    } catch (const EDatabaseError&) {
      // A session creating the same table at once makes this one wait and
      // then fail ("already exists", or a key violation in the catalog):
      // the table is there, made by the other.
      bool there = false;
      try {
        there = Resolve(c, table).has_value();
      } catch (const EDatabaseError&) {
      }
      if (!there) throw;
      return false;
    }
  }
  void Drop(const TDatabaseInfo& db, const std::string& table) override {
    Connection c(db);
    const auto found = Resolve(c, table);
    if (!found) throw EDatabaseError(Missing(db, table));
    c.Exec("DROP TABLE " + found->second, {}, "Cannot delete table " + table, Missing(db, table));
  }
  std::vector<std::string> TableNames(const TDatabaseInfo& db, bool, bool system_tables) override {
    Connection c(db);
    const auto r = c.Exec(
        "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE c.relkind IN ('r', 'p') AND (n.nspname = current_schema() OR ($1::boolean AND "
        "n.nspname = 'pg_catalog'))",
        {TVariant(system_tables ? "true" : "false")},
        "Cannot list the tables of database " + db.name);
    std::vector<std::string> names;
    for (int i = 0; i < r->Rows(); ++i) names.push_back(r->Value(i, 0, ftString).AsString());
    return names;
  }
};

}  // namespace

Driver* PostgresDriver() {
  static PgDriverImpl driver;
  return &driver;
}

std::vector<std::string> ConninfoServers(const std::string& conninfo) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(Cp1251ToUtf8(conninfo).c_str(), &error);
  if (!options) {
    PQfreemem(error);
    return {};
  }
  std::string host, hostaddr, port;
  for (const PQconninfoOption* o = options; o->keyword; ++o) {
    if (!o->val) continue;
    const std::string key = o->keyword;
    if (key == "host") host = o->val;
    if (key == "hostaddr") hostaddr = o->val;
    if (key == "port") port = o->val;
  }
  PQconninfoFree(options);
  auto split = [](const std::string& list) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
      const std::size_t comma = list.find(',', start);
      parts.push_back(list.substr(start, comma - start));
      if (comma == std::string::npos) return parts;
      start = comma + 1;
    }
  };
  // libpq pairs the lists by position; one port serves every host, and an
  // address stands in for a host that is not named.
  const std::vector<std::string> hosts = split(host), addrs = split(hostaddr), ports = split(port);
  const std::size_t n = std::max({hosts.size(), addrs.size(), ports.size()});
  std::vector<std::string> servers;
  for (std::size_t i = 0; i < n; ++i) {
    std::string h = i < hosts.size() ? hosts[i] : "";
    if (h.empty() && i < addrs.size()) h = addrs[i];
    if (h.empty()) h = "(default host)";
    const std::string p = ports.size() == 1 ? ports[0] : i < ports.size() ? ports[i] : "";
    servers.push_back(FromUtf8(p.empty() ? h : h + ":" + p));
  }
  return servers;
}

}  // namespace orv::db
