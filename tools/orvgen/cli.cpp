#include "tools/orvgen/cli.h"

#include <algorithm>
#include <cstdio>

#include <orv/host/rtl/cp1251.h>

namespace orv::cli {

namespace {

std::vector<OptionSpec>& Globals() {
  static std::vector<OptionSpec> globals;
  return globals;
}

const OptionSpec* FindSpec(const std::string& name, const std::vector<OptionSpec>& specs) {
  for (const auto& s : specs)
    if (s.name == name) return &s;
  for (const auto& s : Globals())
    if (s.name == name) return &s;
  return nullptr;
}

std::string To1251(const std::string& utf8) {
  const auto text = Utf8ToCp1251(utf8);
  if (!text) throw UsageError("'" + utf8 + "' holds a character that code page 1251 cannot hold");
  return *text;
}

}  // namespace

const std::vector<OptionSpec>& GlobalOptions() { return Globals(); }

void AddGlobalOption(OptionSpec spec) { Globals().push_back(std::move(spec)); }

Options::Options(const std::vector<std::string>& args, const std::vector<OptionSpec>& specs) {
  bool only_positional = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (only_positional || a.size() < 2 || a[0] != '-') {
      positional_.push_back(To1251(a));
      continue;
    }
    if (a == "--") {
      only_positional = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      help_ = true;
      continue;
    }
    std::string name = a, value;
    bool inline_value = false;
    if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      inline_value = true;
    }
    const OptionSpec* spec = FindSpec(name, specs);
    if (!spec) throw UsageError("unknown option " + name);
    if (!spec->takes_value) {
      if (inline_value) throw UsageError("option " + name + " takes no value");
      values_[name] = "";
      continue;
    }
    if (!inline_value) {
      if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
      value = args[++i];
    }
    values_[name] = To1251(value);
  }
}

std::string Options::Get(const std::string& name, const std::string& fallback) const {
  const auto it = values_.find(name);
  return it == values_.end() ? fallback : it->second;
}

std::optional<std::string> Options::Find(const std::string& name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

long long Options::GetInt(const std::string& name, long long fallback, long long min,
                          long long max) const {
  const auto v = Find(name);
  if (!v) return fallback;
  std::size_t used = 0;
  long long n = 0;
  try {
    n = std::stoll(*v, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used == 0 || used != v->size() || n < min || n > max)
    throw UsageError("option " + name + " needs a whole number from " + std::to_string(min) +
                     " to " + std::to_string(max) + ", not '" + Cp1251ToUtf8(*v) + "'");
  return n;
}

std::map<std::string, Command>& Commands() {
  static std::map<std::string, Command> commands;
  return commands;
}

Registrar::Registrar(Command c) {
  std::string name = c.name;
  Commands().emplace(std::move(name), std::move(c));
}

void PrintLine(const std::string& text_1251) {
  const std::string utf8 = Cp1251ToUtf8(text_1251);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

std::string UsageText(const Command& c) {
  std::string out = "usage: " + c.usage + "\n";
  if (!c.summary.empty()) out += "\n" + c.summary + "\n";
  auto list = [&](const std::vector<OptionSpec>& specs) {
    for (const auto& s : specs) out += "  " + s.help + "\n";
  };
  if (!c.options.empty()) {
    out += "\noptions:\n";
    list(c.options);
  }
  // A command that declares a global option itself (to say more of it) lists it once.
  std::vector<OptionSpec> globals;
  for (const auto& g : GlobalOptions())
    if (std::none_of(c.options.begin(), c.options.end(),
                     [&](const OptionSpec& o) { return o.name == g.name; }))
      globals.push_back(g);
  if (!globals.empty()) {
    out += "\nglobal options:\n";
    list(globals);
  }
  return out;
}

}  // namespace orv::cli
