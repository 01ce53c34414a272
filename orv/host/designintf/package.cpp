#include <orv/host/designintf/package.h>

#include <dlfcn.h>

#include <orv/host/designintf/designintf.h>

namespace orv {

namespace {
int g_next_package = 1;  // ids of loaded packages; 0 is the host
}

TPackage::~TPackage() { UnregisterPackage(id_); }

std::unique_ptr<TPackage> LoadPackage(const std::string& path) {
  // RTLD_NODELETE: the classes the package registered must outlive its handle.
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle) {
    const char* why = dlerror();
    throw EPackageError("Cannot load package " + path + ": " + (why ? why : "unknown error"));
  }
  using Entry = void (*)();
  auto entry = reinterpret_cast<Entry>(dlsym(handle, kPackageEntry));
  if (!entry) {
    dlclose(handle);
    throw EPackageError("Package " + path + " has no registration entry");
  }
  const int id = g_next_package++;
  SetRegisteringPackage(id);
  try {
    entry();
  } catch (...) {
    SetRegisteringPackage(0);
    UnregisterPackage(id);
    throw;
  }
  SetRegisteringPackage(0);
  return std::unique_ptr<TPackage>(new TPackage(path, handle, id));
}

}  // namespace orv
