#include "host/db/session.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/db/driver.h"
#include "host/rtl/cp1251.h"
#include "host/rtl/sysutils.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Checks an alias definition; the empty text when it is sound, else why not.
std::string Problem(const std::string& name, const std::string& driver,
                    const std::map<std::string, std::string>& params) {
  if (Trim(name).empty()) return "An alias needs a name";
  if (driver == "sqlite") {
    const auto it = params.find("path");
    if (it == params.end() || it->second.empty()) return "Alias " + name + " needs a path";
    return "";
  }
  if (driver == "postgresql") {
    const auto it = params.find("conninfo");
    if (it == params.end() || it->second.empty()) return "Alias " + name + " needs a conninfo";
    return "";
  }
  return "Unknown database driver '" + driver + "' (sqlite or postgresql)";
}

// Case-insensitive match of text against a pattern of * and ?.
bool Like(const std::string& text, const std::string& pattern) {
  std::size_t t = 0, p = 0, star = std::string::npos, mark = 0;
  auto eq = [](char a, char b) { return CompareText(std::string(1, a), std::string(1, b)) == 0; };
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || eq(pattern[p], text[t]))) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

}  // namespace

void TSession::AddAlias(const std::string& name, const std::string& driver,
                        const std::map<std::string, std::string>& params) {
  const std::string problem = Problem(name, driver, params);
  if (!problem.empty()) throw EDatabaseError(problem);
  DeleteAlias(name);
  aliases_.push_back({Trim(name), driver, params, true});
}

void TSession::DeleteAlias(const std::string& name) {
  aliases_.erase(std::remove_if(aliases_.begin(), aliases_.end(),
                                [&](const Alias& a) { return CompareText(a.name, name) == 0; }),
                 aliases_.end());
}

std::string TSession::DefaultAliasFile() const {
  const std::string env = Env("ORV_ALIASES");
  if (!env.empty()) return env;
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) {
    const std::string home = Env("HOME");
    if (home.empty()) return "";
    config = home + "/.config";
  }
  return config + "/orv/aliases.ini";
}

void TSession::LoadAliasFile(const std::string& path) {
  loaded_ = true;
  const fs::path file(Cp1251ToUtf8(path));
  std::ifstream in(file);
  if (!in) throw EDatabaseError("Alias file not found: " + path);
  std::vector<Alias> found;
  std::vector<int> lines;
  std::string line;
  int number = 0;
  auto fail = [&](int at, const std::string& what) -> void {
    throw EDatabaseError(path + ":" + IntToStr(at) + ": " + what);
  };
  while (std::getline(in, line)) {
    ++number;
    const std::optional<std::string> text = Utf8ToCp1251(line);
    if (!text) fail(number, "text that code page 1251 cannot hold");
    const std::string t = Trim(*text);
    if (t.empty() || t[0] == '#' || t[0] == ';') continue;
    if (t[0] == '[') {
      if (t.back() != ']' || Trim(t.substr(1, t.size() - 2)).empty()) fail(number, "a section is written [NAME]");
      found.push_back({Trim(t.substr(1, t.size() - 2)), "", {}, false});
      lines.push_back(number);
      continue;
    }
    const auto eq = t.find('=');
    if (eq == std::string::npos) fail(number, "expected KEY = VALUE");
    if (found.empty()) fail(number, "a setting before the first [ALIAS] section");
    const std::string key = Lower(Trim(t.substr(0, eq)));
    std::string value = Trim(t.substr(eq + 1));
    if (key == "driver") {
      found.back().driver = Lower(value);
    } else {
      if (key == "path" && !value.empty()) {
        const fs::path p(Cp1251ToUtf8(value));
        if (p.is_relative()) value = Utf8ToCp1251(file.parent_path().empty()
                                                      ? p.string()
                                                      : (file.parent_path() / p).lexically_normal().string())
                                          .value_or(value);
      }
      found.back().params[key] = value;
    }
  }
  for (std::size_t i = 0; i < found.size(); ++i) {
    const std::string problem = Problem(found[i].name, found[i].driver, found[i].params);
    if (!problem.empty()) fail(lines[i], problem);
  }
  for (auto& a : found) {
    const Alias* existing = Find(a.name);
    if (existing && existing->fromCode) continue;
    if (existing) DeleteAlias(a.name);
    aliases_.push_back(std::move(a));
  }
}

void TSession::EnsureLoaded() {
  if (loaded_) return;
  loaded_ = true;
  const std::string path = DefaultAliasFile();
  if (path.empty()) return;
  const bool fromEnv = !Env("ORV_ALIASES").empty();
  std::error_code ec;
  if (!fromEnv && !fs::exists(path, ec)) return;
  LoadAliasFile(Utf8ToCp1251(path).value_or(path));
}

const TSession::Alias* TSession::Find(const std::string& name) const {
  for (const auto& a : aliases_)
    if (CompareText(a.name, name) == 0) return &a;
  return nullptr;
}

void TSession::GetAliasNames(TStrings& list) {
  EnsureLoaded();
  std::vector<std::string> names;
  for (const auto& a : aliases_) names.push_back(a.name);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  list.Clear();
  for (const auto& n : names) list.Add(n);
}

bool TSession::IsAlias(const std::string& name) {
  EnsureLoaded();
  return Find(name) != nullptr;
}

TDatabaseInfo TSession::AliasInfo(const std::string& name) {
  EnsureLoaded();
  const Alias* a = Find(name);
  if (!a) throw EDatabaseError("Unknown database \"" + name + "\": no alias of that name and no such directory");
  return {name, a->driver, a->params};
}

TDatabaseInfo TSession::ResolveDatabase(const std::string& name) {
  if (Trim(name).empty()) throw EDatabaseError("No database name given");
  if (IsAlias(name)) return AliasInfo(name);
  std::error_code ec;
  if (fs::is_directory(fs::path(Cp1251ToUtf8(name)), ec)) return {name, "sqlite", {{"path", name}}};
  throw EDatabaseError("Unknown database \"" + name + "\": no alias of that name and no such directory");
}

void TSession::GetTableNames(const std::string& databaseName, const std::string& pattern, bool extensions,
                             bool systemTables, TStrings& list) {
  const TDatabaseInfo info = ResolveDatabase(databaseName);
  db::Driver* d = db::FindDriver(info.driver);
  if (!d) throw EDatabaseError("Unknown database driver '" + info.driver + "' (sqlite or postgresql)");
  std::vector<std::string> names = d->TableNames(info, extensions, systemTables);
  const std::string p = Trim(pattern);
  if (!p.empty() && p != "*")
    names.erase(std::remove_if(names.begin(), names.end(), [&](const std::string& n) { return !Like(n, p); }),
                names.end());
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  list.Clear();
  for (const auto& n : names) list.Add(n);
}

TSession* Session() {
  static TSession session;
  return &session;
}

}  // namespace orv
