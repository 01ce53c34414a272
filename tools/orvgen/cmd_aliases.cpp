// orvgen aliases: the databases the session knows, one a line:
// NAME, driver, and the directory or connection (its password hidden).
#include <string>

#include "host/db/session.h"
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"

namespace orv::cli {
namespace {

// conninfo with the value of every password= hidden.
std::string HidePassword(const std::string& conninfo) {
  std::string out = conninfo;
  for (std::size_t at = out.find("password"); at != std::string::npos; at = out.find("password", at + 1)) {
    std::size_t v = at + 8;
    while (v < out.size() && out[v] == ' ') ++v;
    if (v >= out.size() || out[v] != '=') continue;
    ++v;
    while (v < out.size() && out[v] == ' ') ++v;
    std::size_t end = v;
    if (end < out.size() && out[end] == '\'') {
      for (++end; end < out.size() && out[end] != '\''; ++end)
        if (out[end] == '\\') ++end;
      if (end < out.size()) ++end;
    } else {
      while (end < out.size() && out[end] != ' ') ++end;
    }
    out.replace(v, end - v, "***");
  }
  return out;
}

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
