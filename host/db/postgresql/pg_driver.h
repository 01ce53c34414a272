// The PostgreSQL engine over libpq: a database is a conninfo; a table is a
// table of the connection's current schema ("X.DB" means "X"). Identifiers
// are quoted, every value travels as a parameter. Types: smallint/integer/
// bigint integer, real/double precision/numeric floating-point,
// varchar(n)/char(n) a string of capacity n (text: no limit).
//
// Locking: Edit opens a transaction and locks the row with SELECT ... FOR
// UPDATE NOWAIT (taken: "Record locked by another user" at once); Post commits.
// Rows are told apart by the primary key, else by ctid.
// Texts travel as UTF-8 and are converted here, so that every byte of code
// page 1251 (0x98 too, which the server's WIN1251 lacks) arrives intact.
#pragma once

#include "host/db/driver.h"

namespace orv::db {

Driver* PostgresDriver();

}  // namespace orv::db
