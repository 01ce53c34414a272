// orvgen init: creates the generator table that every generator of the
// database shares, with the seven fields and the unique key on (GenID,
// Prefix) that keeps two programs from both starting a row.
#include <string>

#include <orv/host/db/table.h>
#include <orv/host/rtl/cp1251.h>
#include <orv/keygen/gentable.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"

namespace orv::cli {
namespace {

// Raises Exception naming what is wrong when the existing table cannot serve.
void CheckExisting(const std::string& database, const std::string& table_name) {
  TComponentPtr<TTable> table(new TTable(nullptr));
  table->SetDatabaseName(database);
  table->SetTableName(table_name);
  table->Open();
  const auto problems = GenTableFormatProblems(*table);
  if (problems.empty()) return;
  std::string message =
      "the table " + table_name + " in " + database + " exists but is no generator table:";
  for (const auto& p : problems) message += "\n  " + p;
  throw Exception(message);
}

int RunInit(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  PrepareDatabase(o);
  const std::string database = DatabaseName(o);
  const std::string table_name = TableName(o);
  if (CreateGenTableIfMissing(database, table_name)) {
    PrintLine("created " + table_name + " in " + database);
    return 0;
  }
  CheckExisting(database, table_name);
  PrintLine(table_name + " in " + database + " is ready");
  return 0;
}

ORVGEN_COMMAND({"init",
                "create the generator table (exit 0 when a good one exists already)",
                "orvgen init [--db NAME] [--table NAME]",
                {},
                RunInit});

}  // namespace
}  // namespace orv::cli
