// orvgen try: scans a mask and steps it up and down, printing each value, so
// that a person can see what keys a mask gives.
#include <string>

#include <orv/host/rtl/tmstring.h>
#include <orv/keygen/genmask.h>
#include "tools/orvgen/cli.h"

namespace orv::cli {
namespace {

constexpr long long kMaxSteps = 1000000;  // most steps one run takes in each direction

int RunTry(const Options& o) {
  const auto mask = o.Find("--mask");
  if (!mask) throw UsageError("--mask is required");
  if (!o.Positional().empty())
    throw UsageError("unexpected argument '" + o.Positional().front() + "'");
  const long long up = o.GetInt("--up", 0, 0, kMaxSteps);
  const long long down = o.GetInt("--down", 0, 0, kMaxSteps);

  TGenMask m;
  m.ScanMask(*mask);
  if (const auto start = o.Find("--start")) m.SetStartValue(*start);
  if (const auto end = o.Find("--end")) m.SetEndValue(*end);
  if (const auto value = o.Find("--value"))
    m.SetSuffix(*value);
  else
    m.NullValue();
  PrintLine(m.GetMskValue().str());
  for (long long i = 0; i < up; ++i) {
    m.Increment();
    PrintLine(m.GetMskValue().str());
  }
  for (long long i = 0; i < down; ++i) {
    m.Decrement();
    PrintLine(m.GetMskValue().str());
  }
  return 0;
}

ORVGEN_COMMAND(
    {"try",
     "scan a mask and step its value up and down, one value a line",
     "orvgen try --mask M [--start S] [--end E] [--value V] [--up N] [--down N]",
     {{"--mask", true,
       "--mask M    the mask, e.g. 'AB-[XYZ]##': # digit, $ letter, & digit or letter,\n"
       "              @ user character, [..] one of a set, any other character itself"},
      {"--start", true, "--start S   start value (a suffix); refused with a report when invalid"},
      {"--end", true, "--end E     end value (a suffix); refused with a report when invalid"},
      {"--value", true, "--value V   begin from this suffix instead of the lowest value"},
      {"--up", true, "--up N      step up N times (0 to 1000000, default 0)"},
      {"--down", true, "--down N    then step down N times (0 to 1000000, default 0)"}},
     RunTry});

}  // namespace
}  // namespace orv::cli
