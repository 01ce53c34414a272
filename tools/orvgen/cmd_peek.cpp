// orvgen peek: the keys that next would draw, without taking them: the
// generator's row is read (the table opened read-only) and a copy of the mask
// is stepped; nothing is claimed or written.
#include <limits>

#include <orv/keygen/genpeek.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"
#include "tools/orvgen/generator_options.h"

namespace orv::cli {
namespace {

constexpr long long kMaxPeek = 100000;  // most keys one preview shows

int RunPeek(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  const auto mask = o.Find("--mask");
  if (!mask) throw UsageError("--mask is required");
  const long long count = o.GetInt("-n", 1, 1, kMaxPeek);
  const long long type =
      o.GetInt("--type", 0, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
  PrepareDatabase(o);

  // Configured through the setters in the order next uses, so that the limits
  // are checked the same way; but the table is never opened for writing.
  TComponentPtr<TGenerator> g(new TGenerator(nullptr));
  g->SetMask(*mask);
  if (const auto start = o.Find("--start")) g->SetStartValue(*start);
  if (const auto end = o.Find("--end")) g->SetEndValue(*end);
  g->SetGeneratorType(static_cast<int>(type));
  g->SetDataBaseName(DatabaseName(o));
  g->SetTableName(TableName(o));
  if (const auto user = o.Find("--user")) {
    const TmString text = *user;
    g->SetGetUserPrefixes(
        TGenProcEvent::FromCallable([text](TObject*, TmString& preff) { preff = text; }));
  }
  for (const std::string& key : PeekKeys(*g, static_cast<int>(count)).keys) PrintLine(key);
  return 0;
}

std::vector<OptionSpec> PeekOptions() {
  auto list = GeneratorOptionList();
  list.push_back({"-n", true, "-n COUNT    how many keys (default 1)"});
  return list;
}

ORVGEN_COMMAND({"peek", "show the next keys without taking them (nothing is written)",
                "orvgen peek --mask M [--start S] [--end E] [--type N] [--user TEXT] [-n COUNT]",
                PeekOptions(), RunPeek});

}  // namespace
}  // namespace orv::cli
