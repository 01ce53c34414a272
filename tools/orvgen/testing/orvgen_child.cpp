#include "tools/orvgen/testing/orvgen_child.h"

namespace orv::testing {

const std::string& OrvgenPath() {
  static const std::string path = ORVGEN_PATH;
  return path;
}

ChildResult RunOrvgen(const std::vector<std::string>& args, const std::string& dir,
                      const std::string& input) {
  SpawnedChild child(OrvgenPath(), args, dir, input);
  return child.Wait();
}

}  // namespace orv::testing
