#include "tools/orvdesign/packages.h"

#include <unistd.h>

#include <filesystem>

namespace orv::design {

namespace {
constexpr const char* kDefaultPackage = "orvgenpkg.so";

std::string ProgramDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}
}  // namespace

std::vector<std::string> DefaultPackageCandidates() {
  std::vector<std::string> out;
  const std::string dir = ProgramDirectory();
  if (!dir.empty()) {
    // From PREFIX/bin to PREFIX/lib/orv (or the multiarch library folder).
    std::string up = "..";
    for (const char c : std::string(ORV_INSTALL_BIN_DIR))
      if (c == '/') up += "/..";
    out.push_back(dir + "/" + up + "/" + ORV_INSTALL_PACKAGE_DIR + "/" + kDefaultPackage);
    out.push_back(dir + "/" + kDefaultPackage);
  }
#ifdef ORV_BUILD_PACKAGE
  out.push_back(ORV_BUILD_PACKAGE);
#endif
  return out;
}

TLoadedPackages LoadPackages(const std::vector<std::string>& extra, bool with_default) {
  TLoadedPackages out;
  auto load = [&](const std::string& path) {
    try {
      out.packages.push_back(LoadPackage(path));
    } catch (const std::exception& e) {
      out.failures.push_back(e.what());
    }
  };
  if (with_default) {
    const auto candidates = DefaultPackageCandidates();
    std::string found;
    for (const std::string& c : candidates) {
      std::error_code ec;
      if (std::filesystem::exists(c, ec)) {
        found = c;
        break;
      }
    }
    if (!found.empty()) {
      load(found);
    } else {
      std::string where;
      for (const std::string& c : candidates) where += (where.empty() ? "" : ", ") + c;
      out.failures.push_back(std::string("Cannot load package ") + kDefaultPackage +
                             ": not found (looked at " + where + ")");
    }
  }
  for (const std::string& p : extra) load(p);
  return out;
}

}  // namespace orv::design
