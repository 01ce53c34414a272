// Feeds arbitrary bytes to the form file reader, as a file's bytes (UTF-8 or
// code page 1251). Any input must either load
// or raise orv::Exception, never crash or leak; what loads must write a file
// that reads back and writes the same text again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <orv/host/classes/formfile.h>
#include <orv/host/classes/testing/samples.h>
#include <orv/host/rtl/exception.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (orv::testing::RegisterSamples(), true);
  (void)registered;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string written;
  try {
    orv::TComponentPtr<orv::TComponent> root(orv::LoadFormFromString(orv::FormTextOfFile(text)));
    written = orv::SaveFormToString(root.get());
  } catch (const orv::Exception&) {
    return 0;
  }
  orv::TComponentPtr<orv::TComponent> again;
  try {
    again.reset(orv::LoadFormFromString(orv::FormTextOfFile(written)));
  } catch (const orv::Exception& e) {
    std::fprintf(stderr, "written file does not read back: %s\n%s", e.what(), written.c_str());
    std::abort();
  }
  if (orv::SaveFormToString(again.get()) != written) {
    std::fprintf(stderr, "second write differs from the first:\n%s", written.c_str());
    std::abort();
  }
  return 0;
}
