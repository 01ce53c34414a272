// The database and table that orvgen's commands work on: the global options
// --db NAME (default tGenAlias), --table NAME (default GENTBL.DB) and
// --aliases FILE (the alias file to read instead of the default one), and
// the embedded default database: when no alias file defines tGenAlias, the
// command line defines it as the directory $XDG_DATA_HOME/orv/tGenAlias
// (~/.local/share/orv/tGenAlias), made when a command first uses it.
//
// Threading: the command's main thread.
#pragma once

#include <string>

#include <orv/keygen/gentable.h>
#include "tools/orvgen/cli.h"

namespace orv::cli {

// Reads --aliases into the session and defines the embedded tGenAlias when
// no alias file did. Once per program; later calls do nothing. Raises
// EDatabaseError for an alias file that is missing or malformed.
void PrepareDatabase(const Options& o);

// --db or tGenAlias, after PrepareDatabase. When it names the embedded
// default, its directory is made if missing (Exception when that fails).
std::string DatabaseName(const Options& o);

// --table or GENTBL.DB.
std::string TableName(const Options& o);

// The directory of the embedded default database.
std::string EmbeddedDefaultDirectory();

// True when tGenAlias is the embedded default rather than an alias file's.
bool IsEmbeddedDefault();

}  // namespace orv::cli
