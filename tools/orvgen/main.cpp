// orvgen: keys and masks from the command line. See README for the commands.
//
// The options every command shares (GlobalOptions) may also stand before the
// command, as with git: "orvgen --db Office next ..." means the same as
// "orvgen next --db Office ...". Given on both sides, the one after the
// command wins.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include <orv/host/rtl/cp1251.h>
#include "tools/orvgen/cli.h"

#ifndef ORV_VERSION
#error "ORV_VERSION (the project version) must be defined by the build"
#endif

namespace {

std::string ToolUsage() {
  std::string out = "usage: orvgen [global options] COMMAND [options]\n\ncommands:\n";
  for (const auto& [name, c] : orv::cli::Commands()) {
    std::string pad(name.size() < 10 ? 10 - name.size() : 1, ' ');
    out += "  " + name + pad + c.summary + "\n";
  }
  out += "\nglobal options (before or after the command):\n";
  for (const auto& g : orv::cli::GlobalOptions()) out += "  " + g.help + "\n";
  out += "  --version      the version of orvgen\n";
  out += "\n'orvgen COMMAND --help' tells more about one command.\n";
  return out;
}

// The global option that args[i] names ("--db" or "--db=NAME"), or nullptr.
const orv::cli::OptionSpec* GlobalOption(const std::string& arg) {
  const std::string name = arg.substr(0, arg.find('='));
  for (const auto& g : orv::cli::GlobalOptions())
    if (g.name == name) return &g;
  return nullptr;
}

int Fail(const std::string& message_utf8) {
  std::fflush(stdout);
  std::fprintf(stderr, "orvgen: %s\n", message_utf8.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orv::cli;
  std::vector<std::string> args(argv + 1, argv + argc);
  // Global options before the command move behind it, in their order.
  std::vector<std::string> leading;
  while (!args.empty()) {
    const OptionSpec* g = GlobalOption(args[0]);
    if (!g) break;
    const bool inline_value = args[0].find('=') != std::string::npos;
    const std::size_t take = g->takes_value && !inline_value ? 2 : 1;
    if (take > args.size()) {
      std::fprintf(stderr, "orvgen: option %s needs a value\n\n%s", args[0].c_str(),
                   ToolUsage().c_str());
      return 2;
    }
    leading.insert(leading.end(), args.begin(), args.begin() + take);
    args.erase(args.begin(), args.begin() + take);
  }
  if (args.empty()) {
    std::fputs(ToolUsage().c_str(), stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(ToolUsage().c_str(), stdout);
    return 0;
  }
  if (args[0] == "--version") {
    std::puts("orvgen " ORV_VERSION);
    return 0;
  }
  const auto it = Commands().find(args[0]);
  if (it == Commands().end()) {
    std::fprintf(stderr, "orvgen: unknown command '%s'\n\n%s", args[0].c_str(),
                 ToolUsage().c_str());
    return 2;
  }
  const Command& command = it->second;
  args.erase(args.begin());
  args.insert(args.begin(), leading.begin(), leading.end());
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
    return Fail(orv::Cp1251ToUtf8(e.Message()));
  } catch (const std::exception& e) {
    // Not one of ours (the standard library's, say): still a message, not an abort.
    return Fail(std::string("unexpected error: ") + e.what());
  } catch (...) {
    return Fail("unexpected error");
  }
}
