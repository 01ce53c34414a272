#include "tools/orvgen/database.h"

#include <cstdlib>
#include <filesystem>

#include <orv/host/db/session.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/sysutils.h>

namespace orv::cli {

namespace {

bool prepared = false;
bool embedded = false;

struct RegisterGlobalOptions {
  RegisterGlobalOptions() {
    AddGlobalOption(
        {"--db", true, "--db NAME      database: an alias or a directory (default tGenAlias)"});
    AddGlobalOption({"--table", true, "--table NAME   table (default GENTBL.DB)"});
    AddGlobalOption(
        {"--aliases", true,
         "--aliases FILE the alias file (default $ORV_ALIASES, else ~/.config/orv/aliases.ini)"});
  }
} register_global_options;

}  // namespace

std::string EmbeddedDefaultDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::string base = data && *data   ? std::string(data)
                     : home && *home ? std::string(home) + "/.local/share"
                                     : std::string(".");
  base += "/orv/";
  base += kDefaultGenDatabase;
  return Utf8ToCp1251(base).value_or(base);
}

bool IsEmbeddedDefault() { return embedded; }

void PrepareDatabase(const Options& o) {
  if (prepared) return;
  prepared = true;
  if (const auto file = o.Find("--aliases")) Session()->LoadAliasFile(*file);
  if (!Session()->IsAlias(kDefaultGenDatabase)) {
    Session()->AddAlias(kDefaultGenDatabase, "sqlite", {{"path", EmbeddedDefaultDirectory()}});
    embedded = true;
  }
}

std::string DatabaseName(const Options& o) {
  PrepareDatabase(o);
  const std::string name = o.Get("--db", kDefaultGenDatabase);
  if (embedded && CompareText(name, kDefaultGenDatabase) == 0) {
    const std::filesystem::path dir(Cp1251ToUtf8(EmbeddedDefaultDirectory()));
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
      throw Exception("Cannot make the default database directory " + EmbeddedDefaultDirectory() +
                      ": " + ec.message());
  }
  return name;
}

std::string TableName(const Options& o) { return o.Get("--table", kDefaultGenTable); }

}  // namespace orv::cli
