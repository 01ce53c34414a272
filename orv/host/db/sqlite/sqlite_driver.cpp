#include <orv/host/db/sqlite/sqlite_driver.h>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unordered_map>

#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/sysutils.h>

namespace orv::db {

namespace {

namespace fs = std::filesystem;

// The first bytes of every SQLite database file.
constexpr char kSqliteHeader[] = "SQLite format 3";

// How long a create waits for another program that is creating a table in
// the same file.
constexpr int kCreateWaitMs = 10000;

// A name in 1251, quoted for SQL in UTF-8.
std::string Quote(const std::string& name) { return QuoteIdentifier(Cp1251ToUtf8(name)); }

// Where a table of a directory database lives, and what it is called inside.
struct Location {
  fs::path file;
  std::string sql_name;  // the file's base name, in 1251
};

fs::path Directory(const TDatabaseInfo& db) {
  const std::string path = db.params.at("path");
  const fs::path dir(Cp1251ToUtf8(path));
  std::error_code ec;
  if (!fs::is_directory(dir, ec))
    throw EDatabaseError("Directory of database \"" + db.name + "\" does not exist: " + path);
  return dir;
}

Location Locate(const TDatabaseInfo& db, const std::string& table) {
  if (table.empty() || table.find('/') != std::string::npos || table == "." || table == "..")
    throw EDatabaseError("Invalid table name: " + table);
  const fs::path dir = Directory(db);
  std::string name = table;
  const auto dot = name.rfind('.');
  if (dot == std::string::npos) name += ".DB";
  // SQLite keeps a table's journal and index beside it under these names, and
  // removes or rewrites them as its own.
  for (const char* own : {"-wal", "-shm", "-journal"}) {
    const std::size_t n = std::strlen(own);
    if (name.size() > n && CompareText(name.substr(name.size() - n), own) == 0)
      throw EDatabaseError("Invalid table name: " + table + " (SQLite's own files end in " + own +
                           ")");
  }
  Location loc;
  loc.sql_name = name.substr(0, name.rfind('.'));
  loc.file = dir / Cp1251ToUtf8(name);
  std::error_code ec;
  if (!fs::exists(loc.file, ec)) {
    // Tables come from systems where file names ignore case; find GENTBL.DB as gentbl.db too.
    for (const auto& e : fs::directory_iterator(dir, ec)) {
      const std::string found = FromUtf8(e.path().filename().string());
      if (CompareText(found, name) == 0) {
        loc.file = e.path();
        break;
      }
    }
  }
  return loc;
}

// A zero-length file is an empty database to SQLite, and what a create that
// crashed or has not yet written its table leaves: it holds no table.
bool IsEmptyFile(const fs::path& file) {
  std::error_code ec;
  return fs::file_size(file, ec) == 0 && !ec;
}

bool IsSqliteFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char head[sizeof kSqliteHeader] = {};
  in.read(head, sizeof head);
  return in && std::memcmp(head, kSqliteHeader, sizeof kSqliteHeader) == 0;
}

// One prepared statement, finalized by its owner. A statement kept for reuse
// is prepared persistent and reset after each use (Lease).
class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql, const std::string& context,
            bool persistent = false)
      : db_(db), context_(context) {
    if (sqlite3_prepare_v3(db, sql.c_str(), static_cast<int>(sql.size()),
                           persistent ? SQLITE_PREPARE_PERSISTENT : 0, &stmt_,
                           nullptr) != SQLITE_OK)
      Fail();
  }
  // Ready for the next use; a reading statement left unreset would keep its
  // read transaction (and its old view of the file) open.
  void Reset() noexcept {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  void Bind(int i, const TVariant& v) {
    int rc = SQLITE_OK;
    switch (v.VarType()) {
      case varNull:
        rc = sqlite3_bind_null(stmt_, i);
        break;
      case varInteger:
        rc = sqlite3_bind_int64(stmt_, i, v.AsInteger());
        break;
      case varFloat:
        rc = sqlite3_bind_double(stmt_, i, v.AsFloat());
        break;
      case varString: {
        const std::string utf8 = Cp1251ToUtf8(v.AsString());
        rc = sqlite3_bind_text(stmt_, i, utf8.data(), static_cast<int>(utf8.size()),
                               SQLITE_TRANSIENT);
        break;
      }
    }
    if (rc != SQLITE_OK) Fail();
  }
  // True when a row is ready.
  bool Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail();
    return false;
  }
  TVariant Value(int i, TFieldType type) const {
    switch (sqlite3_column_type(stmt_, i)) {
      case SQLITE_NULL:
        return TVariant();
      case SQLITE_INTEGER: {
        const long long v = sqlite3_column_int64(stmt_, i);
        if (type == ftFloat) return static_cast<double>(v);
        if (type == ftString) return TVariant(v).AsString();
        return v;
      }
      case SQLITE_FLOAT: {
        const double v = sqlite3_column_double(stmt_, i);
        if (type == ftString) return TVariant(v).AsString();
        return v;
      }
      default: {
        const char* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        const std::string text =
            FromUtf8(std::string_view(p ? p : "", sqlite3_column_bytes(stmt_, i)));
        return text;
      }
    }
  }
  [[noreturn]] void Fail() const;

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string context_;
};

// A kept statement in use for one scope, reset when the scope ends.
class Lease {
 public:
  explicit Lease(Statement& s) : s_(s) {}
  ~Lease() { s_.Reset(); }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;
  Statement* operator->() const { return &s_; }
  Statement& operator*() const { return s_; }

 private:
  Statement& s_;
};

// Raises the error that the engine's last failure means to a user.
[[noreturn]] void Raise(sqlite3* db, const std::string& context) {
  const int code = sqlite3_extended_errcode(db);
  if ((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED)
    throw ELockConflict(kRecordLocked);
  if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE ||
      code == SQLITE_CONSTRAINT_ROWID)
    throw EKeyViolation(kKeyViolation);
  std::string message = context + ": " + FromUtf8(sqlite3_errmsg(db));
  // "disk I/O error" says little; the system's reason ("File too large", "No
  // space left on device") tells the user what to do.
  const int primary = code & 0xff;
  const int sys = sqlite3_system_errno(db);
  if (sys != 0 && (primary == SQLITE_IOERR || primary == SQLITE_FULL || primary == SQLITE_CANTOPEN))
    message += " (" + FromUtf8(std::strerror(sys)) + ")";
  throw EDatabaseError(message);
}

void Statement::Fail() const { Raise(db_, context_); }

void Exec(sqlite3* db, const std::string& sql, const std::string& context) {
  Statement s(db, sql, context);
  while (s.Step()) {
  }
}

// The field type and capacity a declared column type stands for.
Column ColumnOf(const std::string& name, const std::string& declared) {
  Column c;
  c.name = name;
  const std::string t = AsciiUpper(declared);
  auto starts = [&](const char* p) { return t.rfind(p, 0) == 0; };
  const auto paren = t.find('(');
  if (t.find("INT") != std::string::npos) {
    c.type = ftInteger;
  } else if (starts("VARCHAR") || starts("CHAR") || starts("NVARCHAR") || starts("NCHAR") ||
             starts("CHARACTER") || starts("VARYING") || starts("TEXT") || starts("CLOB")) {
    c.type = ftString;
    if (paren != std::string::npos) c.size = std::atoi(t.c_str() + paren + 1);
    if (c.size < 0) c.size = 0;
  } else if (starts("FLOAT") || starts("REAL") || starts("DOUBLE") || starts("NUMERIC") ||
             starts("DECIMAL")) {
    c.type = ftFloat;
  }
  return c;
}

class SqliteCursor : public Cursor {
 public:
  // Looks at a held lock again every millisecond, for at most kBusyTimeoutMs.
  // SQLite's own timeout sleeps longer and longer between looks (up to 100 ms),
  // so a program that has waited a while is overtaken again and again by
  // writers that ask at once, and starves.
  static int OnBusy(void* arg, int count) {
    using std::chrono::steady_clock;
    auto* since = static_cast<steady_clock::time_point*>(arg);
    const auto now = steady_clock::now();
    if (count == 0) *since = now;
    if (now - *since >= std::chrono::milliseconds(kBusyTimeoutMs)) return 0;
    std::this_thread::sleep_for(std::chrono::microseconds(kBusyPollUs));
    return 1;
  }

  SqliteCursor(const TDatabaseInfo& info, const std::string& table, bool read_only)
      : table_(table) {
    const Location loc = Locate(info, table);
    std::error_code ec;
    if (!fs::is_regular_file(loc.file, ec) || IsEmptyFile(loc.file))
      throw EDatabaseError("Table does not exist: " + table + " (database " + info.name + ")");
    read_only_ = read_only || ::access(loc.file.c_str(), W_OK) != 0 ||
                 ::access(loc.file.parent_path().c_str(), W_OK) != 0;
    context_ = "Table " + table;
    const int flags = read_only_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    if (sqlite3_open_v2(loc.file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string why = db_ ? FromUtf8(sqlite3_errmsg(db_)) : "out of memory";
      sqlite3_close(db_);
      db_ = nullptr;
      throw EDatabaseError("Cannot open table " + table + ": " + why);
    }
    try {
      sqlite3_busy_handler(db_, &SqliteCursor::OnBusy, &busy_since_);
      sqlite3_extended_result_codes(db_, 1);
      if (!IsSqliteFile(loc.file))
        throw EDatabaseError("Cannot open table " + table + ": " + FromUtf8(loc.file.string()) +
                             " is not a SQLite table");
      // Only a file that holds the table is ours to switch to WAL: a failed
      // open leaves someone else's file as it was.
      ReadStructure(loc);
      if (!read_only_) Exec(db_, "PRAGMA journal_mode=WAL", context_);
      Exec(db_, "PRAGMA synchronous=FULL", context_);
    } catch (...) {
      sqlite3_close(db_);
      throw;
    }
  }
  ~SqliteCursor() override {
    if (in_txn_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    kept_.clear();  // finalized before the connection closes
    sqlite3_close(db_);
  }

  const std::vector<Column>& Columns() const override { return columns_; }
  bool ReadOnly() const override { return read_only_; }

  std::optional<Row> First() override { return One(" ORDER BY " + ids_ + " LIMIT 1", {}); }
  std::optional<Row> After(const std::vector<TVariant>& id) override {
    return One(" WHERE (" + ids_ + ") > (" + Marks(id.size()) + ") ORDER BY " + ids_ + " LIMIT 1",
               id);
  }
  std::optional<Row> Before(const std::vector<TVariant>& id) override {
    return One(
        " WHERE (" + ids_ + ") < (" + Marks(id.size()) + ") ORDER BY " + ids_desc_ + " LIMIT 1",
        id);
  }
  std::optional<Row> Fetch(const std::vector<TVariant>& id) override {
    return One(" WHERE (" + ids_ + ") = (" + Marks(id.size()) + ")", id);
  }
  std::optional<Row> Find(const std::vector<int>& columns,
                          const std::vector<TVariant>& values) override {
    std::string where;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const Column& c = columns_[columns[i]];
      where += (i ? " AND " : " WHERE ") + Quote(c.name) + " IS ?";
      // Exact matching whatever collation the column declares.
      if (c.type == ftString) where += " COLLATE BINARY";
    }
    return One(where + " ORDER BY " + ids_ + " LIMIT 1", values);
  }
  long long Count() override {
    Lease s(Kept("SELECT count(*) FROM " + sql_table_));
    s->Step();
    return s->Value(0, ftInteger).AsInteger();
  }
  TVariant Highest(int column) override {
    const Column& c = columns_[column];
    Lease s(Kept("SELECT max(" + Quote(c.name) + ") FROM " + sql_table_));
    s->Step();
    return s->Value(0, c.type);
  }

  std::optional<Row> Lock(const std::vector<TVariant>& id) override {
    Begin(kRecordLocked);
    UnlockOnThrow unlock_on_throw(*this);
    std::optional<Row> row = Fetch(id);
    if (!row) Unlock();
    return row;
  }
  std::vector<TVariant> Update(const std::vector<TVariant>& id,
                               const std::vector<Assignment>& values) override {
    UnlockOnThrow unlock_on_throw(*this);
    std::vector<TVariant> new_id = id;
    if (!values.empty()) {
      const std::string set =
          SetList(AssignedColumns(columns_, values, Quote), 1, SqlitePlaceholder);
      // The plain ? of the identity number on from the SET list's ?1..?n.
      Lease s(Kept("UPDATE " + sql_table_ + " SET " + set + " WHERE (" + ids_ + ") = (" +
                   Marks(id.size()) + ")"));
      int n = 1;
      for (const auto& a : values) s->Bind(n++, a.value);
      for (const auto& v : id) s->Bind(n++, v);
      s->Step();
      for (const auto& a : values)
        for (std::size_t k = 0; k < id_columns_.size(); ++k)
          if (id_columns_[k] == a.column) new_id[k] = a.value;
    }
    Commit();
    return new_id;
  }
  void Remove(const std::vector<TVariant>& id) override {
    UnlockOnThrow unlock_on_throw(*this);
    Lease s(
        Kept("DELETE FROM " + sql_table_ + " WHERE (" + ids_ + ") = (" + Marks(id.size()) + ")"));
    int n = 1;
    for (const auto& v : id) s->Bind(n++, v);
    s->Step();
    Commit();
  }
  ChangeResult UpdateIf(const std::vector<TVariant>& id, const std::vector<Assignment>& expected,
                        const std::vector<Assignment>& values) override {
    // BEGIN IMMEDIATE waits (kBusyTimeoutMs) for another writer, so that the
    // condition is tested and the row written under one lock: one commit.
    Begin(kRecordLocked);
    UnlockOnThrow unlock_on_throw(*this);
    std::vector<std::string> match_columns;
    for (const auto& a : expected)
      match_columns.push_back(Quote(columns_[a.column].name) +
                              (columns_[a.column].type == ftString ? " COLLATE BINARY" : ""));
    std::string where;
    for (std::size_t k = 0; k < id.size(); ++k)
      where += (k ? ", " : "") + SqlitePlaceholder(values.size() + 1 + k);
    const std::string set = SetList(AssignedColumns(columns_, values, Quote), 1, SqlitePlaceholder);
    const std::string sql =
        "UPDATE " + sql_table_ + " SET " + set + " WHERE (" + ids_ + ") = (" + where + ")" +
        NullSafeMatches(match_columns, values.size() + id.size() + 1, SqlitePlaceholder, "IS") +
        " RETURNING " + select_;
    ChangeResult result;
    {
      Lease s(Kept(sql));
      int n = 1;
      for (const auto& a : values) s->Bind(n++, a.value);
      for (const auto& v : id) s->Bind(n++, v);
      for (const auto& a : expected) s->Bind(n++, a.value);
      if (s->Step()) {
        result.matched = true;
        result.row = RowOf(*s);
      }
      while (s->Step()) {
      }
    }
    if (!result.matched) result.row = Fetch(id);
    Commit();
    return result;
  }
  void Unlock() noexcept override {
    if (in_txn_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    in_txn_ = false;
  }
  std::vector<TVariant> Insert(const std::vector<Assignment>& values) override {
    Begin(kTableLocked);
    UnlockOnThrow unlock_on_throw(*this);
    std::string names, marks;
    for (const auto& a : values) {
      names += (names.empty() ? "" : ", ") + Quote(columns_[a.column].name);
      marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql =
        "INSERT INTO " + sql_table_ +
        (values.empty() ? " DEFAULT VALUES" : " (" + names + ") VALUES (" + marks + ")") +
        " RETURNING " + ids_;
    std::vector<TVariant> id;
    {
      Lease s(Kept(sql));
      int n = 1;
      for (const auto& a : values) s->Bind(n++, a.value);
      if (s->Step())
        for (std::size_t k = 0; k < id_types_.size(); ++k)
          id.push_back(s->Value(static_cast<int>(k), id_types_[k]));
      while (s->Step()) {
      }
    }
    Commit();
    return id;
  }

 private:
  static std::string Marks(std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += i ? ", ?" : "?";
    return out;
  }

  // The statement of this text, prepared on its first use and kept while the
  // table is open.
  Statement& Kept(const std::string& sql) {
    auto& kept = kept_[sql];
    if (!kept) kept = std::make_unique<Statement>(db_, sql, context_, /*persistent=*/true);
    return *kept;
  }

  void Begin(const char* locked_message) {
    if (in_txn_) Unlock();
    try {
      Lease s(Kept("BEGIN IMMEDIATE"));
      s->Step();
    } catch (const ELockConflict&) {
      throw ELockConflict(locked_message);
    }
    in_txn_ = true;
  }
  void Commit() {
    Lease s(Kept("COMMIT"));
    s->Step();
    in_txn_ = false;
  }

  // The identity and every column of the row a statement stands on.
  Row RowOf(const Statement& s) const {
    Row row;
    for (std::size_t k = 0; k < id_types_.size(); ++k)
      row.id.push_back(s.Value(static_cast<int>(k), id_types_[k]));
    for (std::size_t i = 0; i < columns_.size(); ++i)
      row.values.push_back(s.Value(static_cast<int>(id_types_.size() + i), columns_[i].type));
    return row;
  }

  std::optional<Row> One(const std::string& tail, const std::vector<TVariant>& params) {
    Lease s(Kept("SELECT " + select_ + " FROM " + sql_table_ + tail));
    for (std::size_t i = 0; i < params.size(); ++i) s->Bind(static_cast<int>(i + 1), params[i]);
    if (!s->Step()) return std::nullopt;
    return RowOf(*s);
  }

  void ReadStructure(const Location& loc) {
    std::string actual;
    {
      Statement s(db_,
                  "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
                  context_);
      s.Bind(1, loc.sql_name);
      if (!s.Step())
        throw EDatabaseError("Cannot open table " + table_ + ": " + FromUtf8(loc.file.string()) +
                             " holds no table named " + loc.sql_name);
      actual = s.Value(0, ftString).AsString();
    }
    sql_table_ = Quote(actual);
    std::vector<std::pair<int, int>> pk;  // (position in key, column)
    {
      Statement s(db_, "SELECT name, type, pk FROM pragma_table_info(?)", context_);
      s.Bind(1, actual);
      while (s.Step()) {
        columns_.push_back(
            ColumnOf(s.Value(0, ftString).AsString(), s.Value(1, ftString).AsString()));
        const long long k = s.Value(2, ftInteger).AsInteger();
        if (k > 0) pk.emplace_back(static_cast<int>(k), static_cast<int>(columns_.size() - 1));
      }
    }
    std::sort(pk.begin(), pk.end());
    bool has_rowid = true;
    {
      sqlite3_stmt* probe = nullptr;
      has_rowid = sqlite3_prepare_v2(db_, ("SELECT rowid FROM " + sql_table_).c_str(), -1, &probe,
                                     nullptr) == SQLITE_OK;
      sqlite3_finalize(probe);
    }
    // Rows go in key order, like on the other engines; a table without a key
    // goes by rowid.
    if (!has_rowid || !pk.empty()) {
      for (const auto& [k, col] : pk) {
        id_columns_.push_back(col);
        id_types_.push_back(columns_[col].type);
        ids_ += (ids_.empty() ? "" : ", ") + Quote(columns_[col].name);
        ids_desc_ += (ids_desc_.empty() ? "" : ", ") + Quote(columns_[col].name) + " DESC";
      }
    } else {
      ids_ = "rowid";
      ids_desc_ = "rowid DESC";
      id_types_.push_back(ftInteger);
    }
    select_ = ids_;
    for (const auto& c : columns_) select_ += ", " + Quote(c.name);
  }

  std::string table_;
  std::string context_;
  sqlite3* db_ = nullptr;
  std::chrono::steady_clock::time_point busy_since_;  // when the current wait for a lock began
  bool read_only_ = false;
  bool in_txn_ = false;
  std::vector<Column> columns_;
  std::string sql_table_;        // quoted SQL name
  std::string ids_;              // the identity columns, quoted, comma-separated
  std::string ids_desc_;         // the same, each followed by DESC
  std::vector<int> id_columns_;  // their column indexes (none for rowid)
  std::vector<TFieldType> id_types_;
  std::string select_;                                                // identity, then every column
  std::unordered_map<std::string, std::unique_ptr<Statement>> kept_;  // by SQL text
};

class SqliteDriverImpl : public Driver {
 public:
  std::unique_ptr<Cursor> Open(const TDatabaseInfo& db, const std::string& table,
                               bool read_only) override {
    return std::make_unique<SqliteCursor>(db, table, read_only);
  }
  bool Exists(const TDatabaseInfo& db, const std::string& table) override {
    const fs::path file = Locate(db, table).file;
    std::error_code ec;
    return fs::is_regular_file(file, ec) && !IsEmptyFile(file);
  }
  bool Create(const TDatabaseInfo& db, const std::string& table,
              const std::vector<TFieldDef>& fields, const std::vector<std::string>& key,
              const std::vector<std::string>& unique) override {
    const Location loc = Locate(db, table);
    const std::string context = "Cannot create table " + table;
    const std::string sql =
        CreateTableSql(Quote(loc.sql_name), fields, key, unique, Quote, "FLOAT");
    {
      // A definition SQLite refuses is refused before a file is made for it.
      sqlite3* mem = nullptr;
      sqlite3_open(":memory:", &mem);
      try {
        Exec(mem, sql, context);
      } catch (...) {
        sqlite3_close(mem);
        throw;
      }
      sqlite3_close(mem);
    }
    // The file is made exclusively, so that of programs creating the table at
    // once exactly one makes it; the others write into that one. A failed
    // create leaves at most a zero-length file (an empty database) and removes
    // nothing: another program may be writing its table into it already.
    const int fd = ::open(loc.file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST)
      throw EDatabaseError(context + ": " + FromUtf8(std::strerror(errno)));
    if (fd >= 0) ::close(fd);
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(loc.file.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
      const std::string why = h ? FromUtf8(sqlite3_errmsg(h)) : "out of memory";
      sqlite3_close(h);
      throw EDatabaseError(context + ": " + why);
    }
    bool created = false;
    try {
      sqlite3_extended_result_codes(h, 1);
      // Another create holds the lock only while it writes its table.
      sqlite3_busy_timeout(h, kCreateWaitMs);
      // The table is written in the file's journal mode (a rollback journal
      // for a new file), in one transaction: others see the file either empty
      // or holding the whole table, never a database without it.
      Exec(h, "BEGIN IMMEDIATE", context);
      {
        // A database that holds any table is someone's: it is left alone.
        Statement s(h, "SELECT count(*) FROM sqlite_master WHERE type = 'table'", context);
        s.Step();
        created = s.Value(0, ftInteger).AsInteger() == 0;
      }
      if (created) Exec(h, sql, context);
      Exec(h, "COMMIT", context);
    } catch (...) {
      sqlite3_close(h);  // rolls back what was not committed
      throw;
    }
    // Best effort: the first program that opens the table for writing
    // switches it otherwise.
    if (created) sqlite3_exec(h, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    return created;
  }
  void Drop(const TDatabaseInfo& db, const std::string& table) override {
    const Location loc = Locate(db, table);
    std::error_code ec;
    if (!fs::is_regular_file(loc.file, ec))
      throw EDatabaseError("Table does not exist: " + table + " (database " + db.name + ")");
    if (!fs::remove(loc.file, ec))
      throw EDatabaseError("Cannot delete table " + table + ": " + FromUtf8(ec.message()));
    fs::remove(loc.file.string() + "-wal", ec);
    fs::remove(loc.file.string() + "-shm", ec);
  }
  std::vector<std::string> TableNames(const TDatabaseInfo& db, bool extensions, bool) override {
    const fs::path dir = Directory(db);
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
      if (!e.is_regular_file(ec)) continue;
      const auto file_name = Utf8ToCp1251(e.path().filename().string());  // 1251, when it can be
      if (!file_name || !IsSqliteFile(e.path())) continue;
      std::string name = *file_name;
      if (!extensions)
        name = name.substr(0, name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
      names.push_back(name);
    }
    if (ec)
      throw EDatabaseError("Cannot list the tables of database " + db.name + ": " +
                           FromUtf8(ec.message()));
    return names;
  }
};

}  // namespace

Driver* SqliteDriver() {
  static SqliteDriverImpl driver;
  return &driver;
}

}  // namespace orv::db
