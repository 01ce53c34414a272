// TSession: the databases a program can reach, by alias. An alias names a
// driver and its parameters:
//   sqlite      path = DIR        a directory; each table one SQLite file in it
//   postgresql  conninfo = ...    a libpq connection string
// Aliases come from code (AddAlias) and from an alias file (INI, one section
// per alias, keys "driver", "path" or "conninfo"; "#" or ";" start comments;
// a relative path is taken from the file's directory). Unless LoadAliasFile
// was called first, the file $ORV_ALIASES, else
// $XDG_CONFIG_HOME/orv/aliases.ini (~/.config/orv/aliases.ini), is read on
// first use; a missing default file means no aliases, a missing
// $ORV_ALIASES file is an error. An alias defined in code wins over a file's.
//
// Either driver also takes "reconnect_seconds" (0..3600): how long a request
// waits for a database server that dropped its connection, and
// "lock_wait_seconds" (1..3600): how long a key request waits for a row that
// another program keeps locked.
// An alias file is read once, in time linear in its size. When it holds a
// password and group or others may read it, a warning goes to stderr.
//
// A database name that is no alias but an existing directory is a SQLite
// directory database. Alias names compare case-insensitively.
//
// The default database: when neither code nor the alias file defines
// tGenAlias (kDefaultDatabase), it is the built-in alias of the SQLite
// directory $XDG_DATA_HOME/orv/tGenAlias (~/.local/share/orv/tGenAlias), the
// same for every program of the account, and the directory is made when the
// database is first used (ResolveDatabase).
//
// Table names: SQLite: the file DIR/NAME (NAME without extension gets ".DB";
// a file differing only in case is found too), holding one SQL table named
// after the file's base name. PostgreSQL: the table NAME in the connection's
// current schema, a trailing ".DB" dropped ("GENTBL.DB" is table "GENTBL").
//
// Threading: the session belongs to the program's main thread.
#pragma once

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include <orv/host/classes/lists.h>
#include <orv/host/db/dberrors.h>

namespace orv {

// The alias that generators use unless told otherwise; built in when no alias
// file defines it.
inline constexpr char kDefaultDatabase[] = "tGenAlias";

// A database as the drivers see it: resolved from an alias or a directory.
struct TDatabaseInfo {
  std::string name;                           // as the caller gave it
  std::string driver;                         // "sqlite" | "postgresql"
  std::map<std::string, std::string> params;  // "path" | "conninfo"
};

class TSession {
 public:
  TSession() = default;
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  // Defines (or redefines) an alias. Raises EDatabaseError for an unknown
  // driver ("Unknown database driver 'X' (sqlite or postgresql)") or a
  // missing parameter ("Alias NAME needs a path" / "... needs a conninfo").
  void AddAlias(const std::string& name, const std::string& driver,
                const std::map<std::string, std::string>& params);
  // Forgets an alias; nothing when there is none.
  void DeleteAlias(const std::string& name);
  // Reads the aliases of an INI file (UTF-8). Raises EDatabaseError
  // "Alias file not found: PATH", "Alias file is a directory: PATH",
  // "Cannot read alias file PATH: WHY", or "PATH:LINE: WHAT" for a malformed
  // line, an unknown driver, a missing parameter or a bad reconnect_seconds
  // or lock_wait_seconds;
  // then nothing of it is kept. A later section of the same name replaces
  // an earlier one.
  // Once called, the default alias file is no longer read on first use.
  void LoadAliasFile(const std::string& path);
  // The alias file read on first use (empty: none), for messages and tools.
  std::string DefaultAliasFile() const;

  // All alias names, sorted case-insensitively; the built-in default too.
  void GetAliasNames(TStrings& list);
  bool IsAlias(const std::string& name);
  // Whether name is the built-in default: tGenAlias while no alias defines it.
  bool IsBuiltInDefault(const std::string& name);
  // The alias's driver and parameters. REQUIRES: IsAlias(name).
  TDatabaseInfo AliasInfo(const std::string& name);

  // The tables of a database: pattern ("" or "*" all, else a pattern with *
  // and ? compared case-insensitively); extensions: SQLite names with their
  // file extension ("GENTBL.DB", else "GENTBL"); system_tables: PostgreSQL
  // also lists the tables of pg_catalog. Sorted. Raises EDatabaseError for a
  // database that cannot be opened.
  void GetTableNames(const std::string& database_name, const std::string& pattern, bool extensions,
                     bool system_tables, TStrings& list);

  // The database a name stands for: an alias, else an existing directory.
  // The built-in default's directory is made when missing. Raises
  // EDatabaseError "Unknown database \"NAME\": no alias of that name and no
  // such directory", or "Cannot make the default database directory DIR: WHY".
  TDatabaseInfo ResolveDatabase(const std::string& name);

 private:
  struct Alias {
    std::string name;
    std::string driver;
    std::map<std::string, std::string> params;
    bool from_code = true;
  };
  void EnsureLoaded();
  const Alias* Find(const std::string& name) const;

  std::vector<Alias> aliases_;
  // Position of each alias in aliases_ by its name folded to lower case, so
  // that sessions of very many aliases look one up at once.
  std::unordered_map<std::string, std::size_t> index_;
  bool loaded_ = false;
};

// The directory of the built-in default database (in code page 1251):
// $XDG_DATA_HOME/orv/tGenAlias, else $HOME/.local/share/orv/tGenAlias, else
// ./orv/tGenAlias.
std::string DefaultDatabaseDirectory();

// The program's default session.
TSession* Session();

// How long a request waits by default for a database server that dropped its
// connection, before it fails with the server's message: long enough for a
// standby to take over from a lost primary (pg_auto_failover's defaults take
// about 51 s on loopback: 20 s to call the primary unhealthy, 30 s to be sure
// it stopped writing).
inline constexpr int kDefaultReconnectSeconds = 90;
inline constexpr int kMaxReconnectSeconds = 3600;

// The database's reconnect_seconds, else kDefaultReconnectSeconds.
int ReconnectSeconds(const TDatabaseInfo& db);

// How long a request waits by default for a row or table that another
// program keeps locked (its last writes unchanged meanwhile), before it fails
// with the engine's message: ten times the age after which a generator's
// claim counts as stale, so that only a program stopped or a session left
// inside its transaction runs into it.
inline constexpr int kDefaultLockWaitSeconds = 10;
inline constexpr int kMaxLockWaitSeconds = 3600;

// The database's lock_wait_seconds, else kDefaultLockWaitSeconds.
int LockWaitSeconds(const TDatabaseInfo& db);

// A libpq conninfo, key=value or URI form, with every secret (password,
// sslpassword) shown as ***.
std::string HidePassword(const std::string& conninfo);

// One line naming the database a name stands for, for a program's status
// line: "NAME (SQLite, DIR)" or "NAME (PostgreSQL, CONNINFO)" with the
// secrets hidden. Raises what TSession::ResolveDatabase raises.
std::string DescribeDatabase(const std::string& name);

}  // namespace orv
