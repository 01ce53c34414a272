// The command line's plumbing: the table of commands, option parsing, and
// the terminal edge where UTF-8 arguments become code page 1251 and 1251
// output becomes UTF-8.
//
// A command is one .cpp file that registers itself with ORVGEN_COMMAND; it
// declares its options, reads them from Options, and returns the exit code.
// Errors: UsageError (exit 2, usage printed); any other orv::Exception
// (exit 1, "orvgen: MESSAGE").
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <orv/host/rtl/exception.h>

namespace orv::cli {

class UsageError : public Exception {
 public:
  using Exception::Exception;
};

// One option a command takes. name is long ("--mask") or short ("-n").
struct OptionSpec {
  std::string name;
  bool takes_value;
  std::string help;  // one line for --help, e.g. "--mask M   the mask to scan"
};

// Options every command accepts (database selection and the alias file).
const std::vector<OptionSpec>& GlobalOptions();
void AddGlobalOption(OptionSpec spec);

// The parsed command line of one command: option values (in code page 1251)
// and positional arguments (also 1251).
class Options {
 public:
  // Parses args against specs plus the global options. Raises UsageError for
  // an unknown option, a missing value, or text that 1251 cannot hold.
  Options(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs);

  bool Has(const std::string& name) const { return values_.count(name) != 0; }
  // The option's last value, or fallback when absent.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  std::optional<std::string> Find(const std::string& name) const;
  // The value as a whole number in [min, max]; UsageError otherwise.
  long long GetInt(const std::string& name, long long fallback, long long min, long long max) const;
  const std::vector<std::string>& Positional() const { return positional_; }
  bool Help() const { return help_; }

 private:
  std::map<std::string, std::string> values_;
  std::vector<std::string> positional_;
  bool help_ = false;
};

struct Command {
  std::string name;
  std::string summary;              // one line for "orvgen --help"
  std::string usage;                // "orvgen try --mask M [--start S] ..."
  std::vector<OptionSpec> options;  // the command's own options
  std::function<int(const Options&)> run;
};

std::map<std::string, Command>& Commands();

struct Registrar {
  explicit Registrar(Command c);
};

#define ORVGEN_CONCAT2(a, b) a##b
#define ORVGEN_CONCAT(a, b) ORVGEN_CONCAT2(a, b)
// Registers a command at start-up: ORVGEN_COMMAND({"try", "...", "...", {...}, Run});
#define ORVGEN_COMMAND(...)                                   \
  static ::orv::cli::Registrar ORVGEN_CONCAT(orvgen_command_, \
                                             __LINE__)(::orv::cli::Command __VA_ARGS__)

// Writes a 1251 text and a line break to stdout, as UTF-8.
void PrintLine(const std::string& text_1251);

// The usage text of a command: its usage line and its options, one a line.
std::string UsageText(const Command& c);

}  // namespace orv::cli
