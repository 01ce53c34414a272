// The packages the designer loads: orvhostpkg (the host layer's components
// and controls) and orvgenpkg (generators and stampers) by default, from where the
// build or the installation put it, and every package named with --package.
// A package that fails to load is reported with its path and the reason, and
// the designer goes on without it.
//
// Threading: the main thread, before any form is opened.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <orv/host/designintf/package.h>

namespace orv::design {

// The default packages' file names, in the order they are loaded.
std::vector<std::string> DefaultPackages();
// The places a default package is looked for, in order: the package folder of the
// program's installation (PREFIX/lib/orv, with the multiarch library folder
// where the build chose one), the program's own directory, then where the
// build put it.
std::vector<std::string> DefaultPackageCandidates(const std::string& package);

struct TLoadedPackages {
  std::vector<std::unique_ptr<TPackage>> packages;
  std::vector<std::string> failures;  // "Cannot load package PATH: REASON", one each
};

// Loads the default packages (when with_default) and then each of extra.
TLoadedPackages LoadPackages(const std::vector<std::string>& extra, bool with_default);

}  // namespace orv::design
