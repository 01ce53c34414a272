// The database and table that orvgen's commands work on: the global options
// --db NAME (default tGenAlias), --table NAME (default GENTBL.DB) and
// --aliases FILE (the alias file to read instead of the default one). Without
// an alias file that defines it, tGenAlias is the session's built-in default
// (orv/host/db/session.h), shared with every program of the account.
//
// Threading: the command's main thread.
#pragma once

#include <string>

#include <orv/keygen/gentable.h>
#include "tools/orvgen/cli.h"

namespace orv::cli {

// Reads --aliases into the session. Once per program; later calls do
// nothing. Raises EDatabaseError for an alias file that is missing or
// malformed.
void PrepareDatabase(const Options& o);

// --db or tGenAlias, after PrepareDatabase.
std::string DatabaseName(const Options& o);

// --table or GENTBL.DB.
std::string TableName(const Options& o);

// Creates the generator table when it is missing; true when this call made
// it. Another program making it at the same moment is no error. Raises the
// data layer's EDatabaseError when it can be neither made nor found.
bool CreateGenTableIfMissing(const std::string& database, const std::string& table_name);

}  // namespace orv::cli
