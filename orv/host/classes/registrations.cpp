#include <orv/host/classes/registrations.h>

#include <algorithm>
#include <vector>

namespace orv {

namespace {

// A function-local static: libraries add to it from their static
// initialisers, in whatever order the loader runs them.
std::vector<TRegistrationProc>& Procs() {
  static std::vector<TRegistrationProc> procs;
  return procs;
}

}  // namespace

void AddClassRegistration(TRegistrationProc proc) {
  auto& procs = Procs();
  if (proc && std::find(procs.begin(), procs.end(), proc) == procs.end()) procs.push_back(proc);
}

void RunClassRegistrations() {
  // By index: a procedure may load a library that adds one more.
  for (std::size_t i = 0; i < Procs().size(); ++i) Procs()[i]();
}

}  // namespace orv
