// orvgen aliases: the databases the session knows, one a line:
// NAME, driver, and the directory or connection (its password hidden).
#include <string>

#include "host/db/session.h"
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"

namespace orv::cli {
namespace {

int RunAliases(const Options& o) {
  if (!o.Positional().empty()) throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  PrepareDatabase(o);
  TStringList names;
  Session()->GetAliasNames(names);
  for (const auto& name : names.ToVector()) {
    const TDatabaseInfo info = Session()->AliasInfo(name);
    std::string line = name + "\t" + info.driver + "\t";
    if (info.driver == "postgresql") line += HidePassword(info.params.at("conninfo"));
    else line += info.params.at("path");
    if (IsEmbeddedDefault() && name == kDefaultDatabase) line += "\t(built-in default)";
    PrintLine(line);
  }
  return 0;
}

ORVGEN_COMMAND({"aliases",
                "list the database aliases: name, driver, directory or connection",
                "orvgen aliases [--aliases FILE]",
                {},
                RunAliases});

}  // namespace
}  // namespace orv::cli
