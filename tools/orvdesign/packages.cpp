#include "tools/orvdesign/packages.h"

#include <unistd.h>

#include <filesystem>

namespace orv::design {

namespace {

std::string ProgramDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}
}  // namespace

std::vector<std::string> DefaultPackages() { return {"orvhostpkg.so", "orvgenpkg.so"}; }

std::vector<std::string> DefaultPackageCandidates(const std::string& package) {
  std::vector<std::string> out;
  const std::string dir = ProgramDirectory();
  if (!dir.empty()) {
    // From PREFIX/bin to PREFIX/lib/orv (or the multiarch library folder).
    std::string up = "..";
    for (const char c : std::string(ORV_INSTALL_BIN_DIR))
      if (c == '/') up += "/..";
    out.push_back(dir + "/" + up + "/" + ORV_INSTALL_PACKAGE_DIR + "/" + package);
    out.push_back(dir + "/" + package);
  }
  // Where the build put it.
  std::string built;
#ifdef ORV_BUILD_PACKAGE
  if (package == "orvgenpkg.so") built = ORV_BUILD_PACKAGE;
#endif
#ifdef ORV_BUILD_HOSTPACKAGE
  if (package == "orvhostpkg.so") built = ORV_BUILD_HOSTPACKAGE;
#endif
  if (!built.empty()) out.push_back(built);
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
  for (const std::string& package : with_default ? DefaultPackages() : std::vector<std::string>{}) {
    const auto candidates = DefaultPackageCandidates(package);
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
      out.failures.push_back("Cannot load package " + package + ": not found (looked at " + where +
                             ")");
    }
  }
  for (const std::string& p : extra) load(p);
  return out;
}

}  // namespace orv::design
