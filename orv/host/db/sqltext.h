// The SQL text that both engines spell alike: identifier quoting, column
// definitions and CREATE TABLE, the lists of a compare-and-set update, and
// the messages the drivers share. Each driver passes what differs (its
// placeholder style, its floating-point type). Texts in and out are UTF-8
// unless a name says 1251. Not for use outside host/db.
//
// Stateless; raises EDatabaseError only where a function says so.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <orv/host/db/field.h>

namespace orv::db {

// The message texts shared by the drivers.
inline const char* const kRecordLocked = "Record locked by another user";
inline const char* const kKeyViolation = "Key violation";
inline const char* const kTableLocked = "Table locked by another user";

// An identifier in double quotes, embedded quotes doubled.
std::string QuoteIdentifier(const std::string& utf8);

// The parameter placeholder of an engine for the 1-based parameter n.
using Placeholder = std::function<std::string(std::size_t n)>;
std::string SqlitePlaceholder(std::size_t n);    // ?n
std::string PostgresPlaceholder(std::size_t n);  // $n

// "name TYPE" for a field: VARCHAR(n) or TEXT, INTEGER, or float_type.
// Raises EDatabaseError for a type no table can hold.
std::string ColumnDefinition(const std::string& quoted_name, const TFieldDef& field,
                             const char* float_type);

// CREATE TABLE quoted_table (columns, PRIMARY KEY (key), UNIQUE (u) for each
// of unique); names are quoted with quote (1251 in, quoted UTF-8 out), which
// may raise for a name the engine cannot hold.
std::string CreateTableSql(const std::string& quoted_table, const std::vector<TFieldDef>& fields,
                           const std::vector<std::string>& key,
                           const std::vector<std::string>& unique,
                           const std::function<std::string(const std::string&)>& quote,
                           const char* float_type);

// "a = P(first), b = P(first + 1)" for the quoted column names.
std::string SetList(const std::vector<std::string>& quoted_columns, std::size_t first,
                    const Placeholder& p);

// " AND a <op> P(first) AND b <op> P(first + 1)" where op is the engine's
// null-safe equality (SQLite "IS", PostgreSQL "IS NOT DISTINCT FROM"), so
// that null matches null.
std::string NullSafeMatches(const std::vector<std::string>& quoted_columns, std::size_t first,
                            const Placeholder& p, const char* equals);

}  // namespace orv::db
