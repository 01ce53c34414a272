// orvgen tables: the tables of a database, one a line, sorted.
#include <string>

#include <orv/host/db/session.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"

namespace orv::cli {
namespace {

int RunTables(const Options& o) {
  if (o.Positional().size() > 1)
    throw UsageError("unexpected argument '" + o.Positional()[1] + "'");
  const std::string pattern = o.Positional().empty() ? "" : o.Positional().front();
  const std::string database = DatabaseName(o);
  TStringList names;
  Session()->GetTableNames(database, pattern, !o.Has("--no-ext"), o.Has("--system"), names);
  for (const auto& name : names.ToVector()) PrintLine(name);
  return 0;
}

ORVGEN_COMMAND(
    {"tables",
     "list the tables of a database (--db), optionally those matching a pattern of * and ?",
     "orvgen tables [--db NAME] [--no-ext] [--system] [PATTERN]",
     {{"--no-ext", false, "--no-ext       names without their file extension (SQLite)"},
      {"--system", false, "--system       also the server's system tables (PostgreSQL)"}},
     RunTables});

}  // namespace
}  // namespace orv::cli
