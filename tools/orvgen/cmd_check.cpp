// orvgen check: validates texts against a mask's suffix, one verdict a line;
// the engine's reports of each bad character go to stderr.
#include <cstdio>
#include <string>

#include <orv/host/rtl/tmstring.h>
#include <orv/keygen/genmask.h>
#include "tools/orvgen/cli.h"

namespace orv::cli {
namespace {

int RunCheck(const Options& o) {
  const auto mask = o.Find("--mask");
  if (!mask) throw UsageError("--mask is required");
  if (o.Positional().empty()) throw UsageError("give at least one VALUE to check");

  TGenMask m;
  m.ScanMask(*mask);
  bool all_valid = true;
  for (const std::string& value : o.Positional()) {
    // A TmString keeps 100 characters; a longer text is checked by its head,
    // as the engine would see it.
    const bool valid = m.Validate(TmString(value));
    all_valid = all_valid && valid;
    PrintLine(value + (valid ? ": valid" : ": invalid"));
    std::fflush(stdout);  // keep verdicts and reports in order on a terminal
  }
  return all_valid ? 0 : 1;
}

ORVGEN_COMMAND({"check",
                "check values against a mask's suffix; exit 1 when any is invalid",
                "orvgen check --mask M VALUE...",
                {{"--mask", true,
                  "--mask M    the mask; each VALUE must fit its sets and counting characters"},
                 {"--", false, "--          what follows is a VALUE, even when it begins with -"}},
                RunCheck});

}  // namespace
}  // namespace orv::cli
