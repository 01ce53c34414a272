// The PostgreSQL engine over libpq: a database is a conninfo; a table is a
// table of the connection's current schema ("X.DB" means "X"). Identifiers
// are quoted, every value travels as a parameter. Types: smallint/integer/
// bigint integer, real/double precision/numeric floating-point,
// varchar(n)/char(n) a string of capacity n (text: no limit).
//
// Locking: Edit opens a transaction and locks the row with SELECT ... FOR
// UPDATE NOWAIT (taken: "Record locked by another user" at once); Post commits.
// BEGIN and the locking read, and the write and COMMIT, each go in one round
// trip (libpq's pipeline mode); a compare-and-set (UpdateIf) is one statement.
// Row statements are prepared once per connection and run by name.
// Rows are told apart by the primary key, else by ctid.
// Texts travel as UTF-8 and are converted here, so that every byte of code
// page 1251 (0x98 too, which the server's WIN1251 lacks) arrives intact.
#pragma once

#include <string>
#include <vector>

#include <orv/host/db/driver.h>

namespace orv::db {

Driver* PostgresDriver();

// The servers a conninfo (key=value or URI form) names, "HOST:PORT" each, in
// the order libpq tries them; a port left to libpq's default is not shown.
// Empty when libpq cannot read the conninfo. Texts in 1251.
std::vector<std::string> ConninfoServers(const std::string& conninfo);

}  // namespace orv::db
