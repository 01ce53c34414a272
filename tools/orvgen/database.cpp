#include "tools/orvgen/database.h"

#include <orv/host/db/session.h>
#include <orv/host/db/table.h>

namespace orv::cli {

namespace {

bool prepared = false;

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

void PrepareDatabase(const Options& o) {
  if (prepared) return;
  prepared = true;
  if (const auto file = o.Find("--aliases")) Session()->LoadAliasFile(*file);
}

std::string DatabaseName(const Options& o) {
  PrepareDatabase(o);
  return o.Get("--db", kDefaultGenDatabase);
}

std::string TableName(const Options& o) { return o.Get("--table", kDefaultGenTable); }

bool CreateGenTableIfMissing(const std::string& database, const std::string& table_name) {
  TComponentPtr<TTable> table(new TTable(nullptr));
  table->SetDatabaseName(database);
  table->SetTableName(table_name);
  if (table->Exists()) return false;
  try {
    table->CreateTable(GenTableFields(), GenTableUniqueKey());
    return true;
  } catch (const EDatabaseError&) {
    if (!table->Exists()) throw;  // else another program made it meanwhile
  }
  return false;
}

}  // namespace orv::cli
