// orvgen session: one generator for a whole conversation on stdin, so that a
// person or a script can mix requests and undos as a program would.
#include <cstdio>
#include <iostream>
#include <string>

#include <orv/host/rtl/cp1251.h>
#include <orv/host/rtl/sysutils.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/generator_options.h"

namespace orv::cli {
namespace {

int RunSession(const Options& o) {
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  auto g = MakeGenerator(o);
  int status = 0;
  if (g->Disabled()) {
    // Every answer will be empty; say why once, and end in failure as next does.
    std::fprintf(stderr, "orvgen: the generator is disabled\n");
    status = 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    // Without surrounding blanks and line-break remnants.
    const std::string request = Trim(line);
    if (request.empty()) continue;
    if (request == "quit") break;
    std::string result;
    try {
      if (request == "next") {
        result = g->Generator().str();
      } else if (request == "undo") {
        result = g->Undo().str();
      } else {
        std::fprintf(stderr, "orvgen: unknown request '%s' (next, undo or quit)\n",
                     request.c_str());
        status = 1;
      }
    } catch (const Exception& e) {
      // One request failed; the session goes on with the next.
      std::fprintf(stderr, "orvgen: %s\n", Cp1251ToUtf8(e.Message()).c_str());
      status = 1;
    }
    PrintLine(result);
    std::fflush(stdout);
  }
  return status;
}

ORVGEN_COMMAND({"session",
                "one generator for a conversation: reads next, undo or quit a line from stdin",
                "orvgen session --mask M [--start S] [--end E] [--type N] [--user TEXT]",
                GeneratorOptionList(), RunSession});

}  // namespace
}  // namespace orv::cli
