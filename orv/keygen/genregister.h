// The generator unit's registration: makes TGenerator known to the class
// registry, so that form files can create it by name. The designer's palette
// page "Orv" is filled by the design-time package, which calls this first.
// Call once at start-up, from the main thread.
#pragma once

namespace orv::gensrc {

// The unit Gensrc's registration. Registers TGenerator; registering again is
// harmless.
void Register();

}  // namespace orv::gensrc
