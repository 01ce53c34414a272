#include "tools/orvgen/generator_options.h"

#include <limits>

#include <orv/host/db/session.h>
#include <orv/host/rtl/sysutils.h>
#include <orv/host/rtl/tmstring.h>
#include "tools/orvgen/database.h"

namespace orv::cli {

std::vector<OptionSpec> GeneratorOptionList() {
  return {
      {"--mask", true,
       "--mask M    the mask, e.g. 'INV-####' (# digit, $ letter, & digit or letter,\n"
       "              @ user character, [..] one of a set, any other character itself)"},
      {"--start", true, "--start S   start value: the lowest suffix (e.g. 0001)"},
      {"--end", true, "--end E     end value: the highest suffix; past it keys wrap to the start"},
      {"--type", true,
       "--type N    generator type: masks of different types count apart (default 0)"},
      {"--user", true, "--user TEXT the characters for the mask's @ symbols"},
  };
}

TComponentPtr<TGenerator> MakeGenerator(const Options& o) {
  const auto mask = o.Find("--mask");
  if (!mask) throw UsageError("--mask is required");
  const long long type =
      o.GetInt("--type", 0, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  PrepareDatabase(o);
  const std::string database = DatabaseName(o);
  const std::string table = TableName(o);
  // A fresh account's first key: the built-in default database's own
  // generator table is made when missing, as init makes it. Anywhere else a
  // missing table stays an error, since a mistyped name must not start a
  // sequence of its own beside the one the other programs use.
  if (Session()->IsBuiltInDefault(database) && CompareText(table, kDefaultGenTable) == 0)
    CreateGenTableIfMissing(database, table);

  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask(*mask);
  if (const auto start = o.Find("--start")) g->SetStartValue(*start);
  if (const auto end = o.Find("--end")) g->SetEndValue(*end);
  g->SetGeneratorType(static_cast<int>(type));
  g->SetDataBaseName(database);
  g->SetTableName(table);
  if (const auto user = o.Find("--user")) {
    const TmString text = *user;
    g->SetGetUserPrefixes(
        TGenProcEvent::FromCallable([text](TObject*, TmString& preff) { preff = text; }));
  }
  g->InitDB();
  return g;
}

std::string NextKey(TGenerator& g) {
  const TmString key = g.Generator();
  if (key.Empty()) throw Exception("the generator is disabled");
  return key.str();
}

}  // namespace orv::cli
