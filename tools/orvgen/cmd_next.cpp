// orvgen next: draws keys from the generator table, as a program's generator
// would, one key a line.
#include <cstdio>

#include "tools/orvgen/cli.h"
#include "tools/orvgen/generator_options.h"

namespace orv::cli {
namespace {

constexpr long long kMaxCount = 10000000;  // most keys one run draws

int RunNext(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  const long long count = o.GetInt("-n", 1, 1, kMaxCount);
  auto g = MakeGenerator(o);
  for (long long i = 0; i < count; ++i) {
    PrintLine(NextKey(*g));
    // Each key is issued once it is written; show it at once. A program
    // killed between the write and this line leaves a gap in the printed
    // keys, never a key printed twice.
    std::fflush(stdout);
  }
  return 0;
}

std::vector<OptionSpec> NextOptions() {
  auto list = GeneratorOptionList();
  list.push_back({"-n", true, "-n COUNT    how many keys (default 1)"});
  return list;
}

ORVGEN_COMMAND({"next", "draw keys from the generator table, one a line",
                "orvgen next --mask M [--start S] [--end E] [--type N] [--user TEXT] [-n COUNT]",
                NextOptions(), RunNext});

}  // namespace
}  // namespace orv::cli
