// Packages: shared libraries that add components and editors to a host (the
// designer, a tool). A package exports one registration entry,
// OrvRegisterPackage, which runs the Register procedures of its units; the
// loader opens the library by path and calls it. The registrations it makes
// belong to the package: UnloadPackage removes them again. The library itself
// stays mapped until the process ends, since the class descriptions it
// registered with the class registry live in it.
//
// A package resolves the host's interfaces (registration calls, the class
// registry, the window layer) from the program that loads it: it links none
// of orv's static libraries itself (orv_add_package in CMake), and the host
// program exports its symbols (ENABLE_EXPORTS). Main thread only.
#pragma once

#include <memory>
#include <string>

#include <orv/host/rtl/exception.h>

// In a package: defines the registration entry.
//   ORV_PACKAGE_ENTRY { Gensrc::Register(); Gendsgn::Register(); }
#define ORV_PACKAGE_ENTRY \
  extern "C" __attribute__((visibility("default"))) void OrvRegisterPackage()

namespace orv {

constexpr const char* kPackageEntry = "OrvRegisterPackage";  // the exported registration entry

// A package that cannot be opened or has no registration entry.
class EPackageError : public Exception {
 public:
  using Exception::Exception;
};

class TPackage {
 public:
  TPackage(const TPackage&) = delete;
  TPackage& operator=(const TPackage&) = delete;
  ~TPackage();  // removes the package's registrations
  const std::string& Path() const { return path_; }
  int Id() const { return id_; }

 private:
  friend std::unique_ptr<TPackage> LoadPackage(const std::string& path);
  TPackage(std::string path, void* handle, int id)
      : path_(std::move(path)), handle_(handle), id_(id) {}
  std::string path_;
  void* handle_;
  int id_;
};

// Opens the package at path and runs its registration entry. Raises
// EPackageError "Cannot load package PATH: REASON" or "Package PATH has no
// registration entry"; an error the entry raises passes unchanged, and the
// registrations it made before it are removed.
std::unique_ptr<TPackage> LoadPackage(const std::string& path);
// Removes the package's registrations (as destroying it does).
inline void UnloadPackage(std::unique_ptr<TPackage>& package) { package.reset(); }

}  // namespace orv
