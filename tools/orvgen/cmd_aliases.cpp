// orvgen aliases: the databases the session knows, one a line:
// NAME, driver, and the directory or connection (its password hidden); for a
// connection to several servers (a standby to fail over to), their list.
#include <string>
#include <vector>

#include <orv/host/db/postgresql/pg_driver.h>
#include <orv/host/db/session.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"

namespace orv::cli {
namespace {

int RunAliases(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  PrepareDatabase(o);
  TStringList names;
  Session()->GetAliasNames(names);
  for (const auto& name : names.ToVector()) {
    const TDatabaseInfo info = Session()->AliasInfo(name);
    std::string line = name + "\t" + info.driver + "\t";
    if (info.driver == "postgresql") {
      const std::string& conninfo = info.params.at("conninfo");
      line += HidePassword(conninfo);
      // host=a,b port=p,q pairs its lists by position: spell the pairs out.
      const std::vector<std::string> servers = db::ConninfoServers(conninfo);
      if (servers.size() > 1) {
        line += "\tservers ";
        for (std::size_t i = 0; i < servers.size(); ++i) line += (i ? ", " : "") + servers[i];
      }
    } else {
      line += info.params.at("path");
    }
    if (Session()->IsBuiltInDefault(name)) line += "\t(built-in default)";
    PrintLine(line);
  }
  return 0;
}

ORVGEN_COMMAND({"aliases",
                "list the database aliases: name, driver, directory or connection, servers",
                "orvgen aliases [--aliases FILE]",
                {},
                RunAliases});

}  // namespace
}  // namespace orv::cli
