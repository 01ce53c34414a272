// orvgen run: loads a form file (a data module holding generators, whose
// Loaded opens their tables) and draws keys from one of its generators, as
// an application built on that module would.
#include <cstdio>
#include <string>

#include <orv/host/classes/datamodule.h>
#include <orv/host/classes/formfile.h>
#include <orv/host/classes/typinfo.h>
#include <orv/keygen/generator.h>
#include <orv/keygen/genregister.h>
#include "tools/orvgen/cli.h"
#include "tools/orvgen/database.h"
#include "tools/orvgen/generator_options.h"

namespace orv::cli {
namespace {

constexpr long long kMaxCount = 10000000;  // most keys one run draws

// The generator named name, or the first the root owns when name is empty.
TGenerator* FindGenerator(TComponent& root, const std::string& name, const std::string& form) {
  if (!name.empty()) {
    auto* g = dynamic_cast<TGenerator*>(root.FindComponent(name));
    if (!g) throw Exception(form + " holds no TGenerator named " + name);
    return g;
  }
  for (int i = 0; i < root.ComponentCount(); ++i)
    if (auto* g = dynamic_cast<TGenerator*>(root.Components(i))) return g;
  throw Exception(form + " holds no TGenerator");
}

int RunRun(const Options& o) {
  if (o.Positional().size() != 1) throw UsageError("one form file is needed");
  const std::string form = o.Positional().front();
  const long long count = o.GetInt("-n", 1, 1, kMaxCount);
  // The form names its databases itself; the aliases (and the embedded
  // default, made when missing) must be there when its generators load.
  PrepareDatabase(o);
  DatabaseName(o);
  RegisterClasses<TDataModule>();
  gensrc::Register();
  TComponentPtr<TComponent> root(LoadFormFromFile(form, nullptr));
  TGenerator* g = FindGenerator(*root, o.Get("--component"), form);
  for (long long i = 0; i < count; ++i) {
    PrintLine(NextKey(*g));
    std::fflush(stdout);
  }
  return 0;
}

ORVGEN_COMMAND({"run",
                "load a form file of generators and draw keys from one of them",
                "orvgen run FORM [--component NAME] [-n COUNT]",
                {{"--component", true,
                  "--component NAME  the generator to use (default: the first TGenerator)"},
                 {"-n", true, "-n COUNT    how many keys (default 1)"}},
                RunRun});

}  // namespace
}  // namespace orv::cli
