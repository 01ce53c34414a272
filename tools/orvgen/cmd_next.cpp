// orvgen next: draws keys from the generator table, as a program's generator
// would, one key a line.
#include <cstdio>
#include <vector>

#include "tools/orvgen/cli.h"
#include "tools/orvgen/generator_options.h"

namespace orv::cli {
namespace {

constexpr long long kMaxCount = 10000000;  // most keys one run draws
constexpr long long kMaxBlock = 1000000;   // most keys one block holds in memory

int RunNext(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  const bool block = o.Has("--block");
  const long long count = o.GetInt("-n", 1, 1, block ? kMaxBlock : kMaxCount);
  auto g = MakeGenerator(o);
  if (block) {
    // One commit issues them all: a program killed before the last line
    // leaves the keys not yet printed as a gap.
    const std::vector<TmString> keys = g->GeneratorBlock(static_cast<int>(count));
    if (keys.empty()) throw Exception("the generator is disabled");
    for (const TmString& key : keys) PrintLine(key.str());
    std::fflush(stdout);
    return 0;
  }
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
  list.push_back({"--block", false,
                  "--block     issue the COUNT keys (at most 1000000) in one commit; a program "
                  "killed before printing them all leaves the rest as a gap"});
  return list;
}

ORVGEN_COMMAND(
    {"next", "draw keys from the generator table, one a line",
     "orvgen next --mask M [--start S] [--end E] [--type N] [--user TEXT] [-n COUNT [--block]]",
     NextOptions(), RunNext});

}  // namespace
}  // namespace orv::cli
