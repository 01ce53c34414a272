// The SQLite engine: a database is a directory, a table one SQLite file in
// it (WAL journal, synchronous=FULL, so that a key once written survives a
// crash). Column types come from the declared types: VARCHAR(n)/CHAR(n) a
// string of capacity n (TEXT without length: no limit), FLOAT/REAL/DOUBLE/
// NUMERIC/DECIMAL floating-point, INTEGER/SMALLINT/BIGINT integer; anything
// else is read-only to the layer. Texts are stored as UTF-8. A zero-length
// file is an empty database (what a create that crashed leaves): it holds no
// table, and creating the table writes into it.
//
// Locking: Edit takes the file's write lock (BEGIN IMMEDIATE) until Post or
// Cancel, waiting at most kBusyTimeoutMs for it; an insert takes it for its
// own write only. Rows are told apart, and browsed in the order of, their
// primary key, or their rowid when the table has none.
#pragma once

#include <orv/host/db/driver.h>

namespace orv::db {

// The longest wait for another connection's write lock: long enough to ride
// out another program's short post, short enough to count as "at once".
inline constexpr int kBusyTimeoutMs = 250;
// How often a waiting writer looks at the lock again. A writer that has just
// committed takes the lock again within microseconds, so a waiter that looks
// only every millisecond rarely finds it free.
inline constexpr int kBusyPollUs = 100;

Driver* SqliteDriver();

}  // namespace orv::db
