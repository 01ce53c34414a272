// orvgen: keys and masks from the command line. See README for the commands.
#include <cstdio>
#include <string>
#include <vector>

#include "host/rtl/cp1251.h"
#include "tools/orvgen/cli.h"

namespace {

std::string ToolUsage() {
  std::string out = "usage: orvgen COMMAND [options]\n\ncommands:\n";
  for (const auto& [name, c] : orv::cli::Commands()) {
    std::string pad(name.size() < 10 ? 10 - name.size() : 1, ' ');
    out += "  " + name + pad + c.summary + "\n";
  }
  out += "\n'orvgen COMMAND --help' tells more about one command.\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orv::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(ToolUsage().c_str(), stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(ToolUsage().c_str(), stdout);
    return 0;
  }
  const auto it = Commands().find(args[0]);
  if (it == Commands().end()) {
    std::fprintf(stderr, "orvgen: unknown command '%s'\n\n%s", args[0].c_str(), ToolUsage().c_str());
    return 2;
  }
  const Command& command = it->second;
  args.erase(args.begin());
  try {
    const Options options(args, command.options);
    if (options.Help()) {
      std::fputs(UsageText(command).c_str(), stdout);
      return 0;
    }
    return command.run(options);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "orvgen %s: %s\n\n%s", command.name.c_str(), e.what(),
                 UsageText(command).c_str());
    return 2;
  } catch (const orv::Exception& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "orvgen: %s\n", orv::Cp1251ToUtf8(e.Message()).c_str());
    return 1;
  }
}
