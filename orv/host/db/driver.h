// The internal interface between the data access classes and the engines.
// Everything that differs between SQLite and PostgreSQL lives behind it:
// one Driver per engine (stateless), one Cursor per open table (its own
// connection). Texts cross this interface in code page 1251; each driver
// converts at its edge. Not for use outside host/db.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <orv/host/db/field.h>
#include <orv/host/db/session.h>
#include <orv/host/db/sqltext.h>
#include <orv/host/db/variant.h>

namespace orv::db {

// One column of an open table.
struct Column {
  std::string name;
  TFieldType type = ftUnknown;
  int size = 0;  // string capacity; 0: numbers, or no limit
};

// One row: its identity (primary key values, or the engine's row number) and
// its values in column order, converted to the columns' field types.
struct Row {
  std::vector<TVariant> id;
  std::vector<TVariant> values;
};

// A column and the value to write into it (or, in a condition, to find in it).
struct Assignment {
  int column;
  TVariant value;
};

// The names of the columns that values assign, in order, each through quote
// (the driver's: 1251 in, quoted UTF-8 out); for sqltext's SetList.
inline std::vector<std::string> AssignedColumns(
    const std::vector<Column>& columns, const std::vector<Assignment>& values,
    const std::function<std::string(const std::string&)>& quote) {
  std::vector<std::string> names;
  for (const auto& a : values) names.push_back(quote(columns[a.column].name));
  return names;
}

// What a compare-and-set update found: whether the row matched and was
// written, and the row as stored afterwards (none: no row has the identity).
struct ChangeResult {
  bool matched = false;
  std::optional<Row> row;
};

// An open table. All operations raise EDatabaseError on failure:
// ELockConflict when another session holds the lock, EConnectionLost when the
// server dropped or refused the session.
class Cursor {
 public:
  virtual ~Cursor() = default;

  virtual const std::vector<Column>& Columns() const = 0;
  // Open read-only (the file or server refuses writes).
  virtual bool ReadOnly() const = 0;

  // The row with the lowest identity, or none.
  virtual std::optional<Row> First() = 0;
  // The row following id in identity order, or none.
  virtual std::optional<Row> After(const std::vector<TVariant>& id) = 0;
  // The row before id in identity order, or none.
  virtual std::optional<Row> Before(const std::vector<TVariant>& id) = 0;
  // The row with this identity as stored now, or none.
  virtual std::optional<Row> Fetch(const std::vector<TVariant>& id) = 0;
  // The first row (identity order) whose columns equal the values exactly
  // (null matches null); values are already of the columns' types.
  virtual std::optional<Row> Find(const std::vector<int>& columns,
                                  const std::vector<TVariant>& values) = 0;
  virtual long long Count() = 0;
  // The highest value of column as stored now (null when there is none).
  virtual TVariant Highest(int column) = 0;

  // Starts a write transaction that locks the row against other writers and
  // returns it as stored now; none (and no lock) when it is gone. Raises
  // ELockConflict "Record locked by another user" at once when another holds
  // the lock.
  virtual std::optional<Row> Lock(const std::vector<TVariant>& id) = 0;
  // Inside Lock: writes the assignments to the row and commits; returns the
  // row's identity afterwards. On failure the transaction is rolled back.
  virtual std::vector<TVariant> Update(const std::vector<TVariant>& id,
                                       const std::vector<Assignment>& values) = 0;
  // Inside Lock: deletes the row and commits. On failure the transaction is
  // rolled back.
  virtual void Remove(const std::vector<TVariant>& id) = 0;
  // Ends Lock's transaction without writing. Never raises.
  virtual void Unlock() noexcept = 0;
  // Compare-and-set, in a transaction of its own: writes the assignments to
  // the row with identity id only when every expected column holds its value
  // (null matches null), and commits. Returns matched and the row as written;
  // or not matched, nothing written, and the row as stored (PostgreSQL reads
  // it again when the update waited for another writer and its own read is
  // from before that commit: one more round trip, only then); or not matched
  // and no row when it is gone. Raises ELockConflict when another session keeps the
  // lock longer than the engine's lock wait (nothing written). Its
  // statements are prepared once per open table.
  virtual ChangeResult UpdateIf(const std::vector<TVariant>& id,
                                const std::vector<Assignment>& expected,
                                const std::vector<Assignment>& values) = 0;
  // Inserts a row in a transaction of its own; returns its identity.
  virtual std::vector<TVariant> Insert(const std::vector<Assignment>& values) = 0;
};

// Ends the cursor's write transaction (Unlock) when the scope it guards is
// left by an exception; a normal exit leaves the transaction as the scope
// left it (held by Lock, committed by Update). For the drivers' operations
// that begin a transaction and must not leave it open on failure.
class UnlockOnThrow {
 public:
  explicit UnlockOnThrow(Cursor& cursor)
      : cursor_(cursor), exceptions_(std::uncaught_exceptions()) {}
  ~UnlockOnThrow() {
    if (std::uncaught_exceptions() > exceptions_) cursor_.Unlock();
  }
  UnlockOnThrow(const UnlockOnThrow&) = delete;
  UnlockOnThrow& operator=(const UnlockOnThrow&) = delete;

 private:
  Cursor& cursor_;
  int exceptions_;
};

class Driver {
 public:
  virtual ~Driver() = default;
  // Opens table of db; raises "Table does not exist: ..." and the like.
  virtual std::unique_ptr<Cursor> Open(const TDatabaseInfo& db, const std::string& table,
                                       bool read_only) = 0;
  virtual bool Exists(const TDatabaseInfo& db, const std::string& table) = 0;
  // Creates the table; false, and nothing changed, when another program made
  // it meanwhile. Safe when programs create the same table at once: one
  // creates it, the others get false. Never removes what another program made.
  // key: the primary key's columns; unique: columns each unique on its own.
  virtual bool Create(const TDatabaseInfo& db, const std::string& table,
                      const std::vector<TFieldDef>& fields, const std::vector<std::string>& key,
                      const std::vector<std::string>& unique) = 0;
  virtual void Drop(const TDatabaseInfo& db, const std::string& table) = 0;
  // The database's table names (unsorted, unfiltered by pattern).
  virtual std::vector<std::string> TableNames(const TDatabaseInfo& db, bool extensions,
                                              bool system_tables) = 0;
};

// The driver of an engine ("sqlite", "postgresql"), or null.
Driver* FindDriver(const std::string& name);

// Text from an engine (UTF-8) in code page 1251; a character that 1251 cannot
// hold (written by some other program) becomes '?'.
std::string FromUtf8(std::string_view text);

}  // namespace orv::db
