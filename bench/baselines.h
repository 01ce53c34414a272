// Baselines for the generator benchmark, written straight against each
// engine's C API (sqlite3, libpq) with prepared statements, on a table with
// the generator table's columns (GenID, Prefix, Suffix, Time, Try, State,
// Who). Each draws keys from one row by stepping its stored suffix:
//   kOneTransaction  one transaction per key: SQLite BEGIN IMMEDIATE,
//                    PostgreSQL BEGIN; read the row (PostgreSQL SELECT ...
//                    FOR UPDATE, which waits for the lock); write the stepped
//                    suffix, stamp and time; COMMIT.
//   kThreeCommits    three committed updates per key as the claim protocol
//                    makes them (claim, stamp, write), each its own
//                    transaction that re-reads the row first (PostgreSQL
//                    FOR UPDATE NOWAIT, retried while another holds it).
//
// Threading: one object per thread; an object made before fork must not be
// used in the child.
// Errors: std::runtime_error with the engine's message when a statement
// fails, or when a SQLite lock stays held for ten seconds.
#pragma once

#include <memory>
#include <string>

namespace orv::bench {

// Whatever draws one key per call.
class KeySource {
 public:
  virtual ~KeySource() = default;
  virtual void Key() = 0;
};

enum class Design { kOneTransaction, kThreeCommits };

// The row the baselines draw from, made when missing; its suffix has
// kSuffixDigits digits.
inline constexpr char kBaselinePrefix[] = "B-";
inline constexpr int kSuffixDigits = 6;

// A SQLite baseline on the table `table` of the database file `file` (WAL,
// synchronous=FULL and a busy handler that looks again every millisecond, as
// the data layer opens its tables). REQUIRES: the table exists.
std::unique_ptr<KeySource> MakeSqliteBaseline(const std::string& file, const std::string& table,
                                              Design design);

// A PostgreSQL baseline on `table` (found on the connection's search path) of
// the server at conninfo. REQUIRES: the table exists.
std::unique_ptr<KeySource> MakePgBaseline(const std::string& conninfo, const std::string& table,
                                          Design design);

// The suffix after `suffix`, kSuffixDigits wide, back to all zeros after the
// last; a suffix that is not a number counts as zero.
std::string NextSuffix(const std::string& suffix);

}  // namespace orv::bench
