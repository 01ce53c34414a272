// A generator's owner stamp: the identity it writes into the generator
// table's Who field when it claims or writes a row. Everything that decides
// whether a row is still this generator's (the claim check, the undo, the
// recognition of a write whose commit was not confirmed) compares Who with
// it, so no two generators may share one: not two in one process, not two
// programs started in the same millisecond, not two machines, and not under
// a wall clock that stands still or steps back. So it is not a reading of the
// clock: it is 17 characters of 0-9 and A-Z, thirteen drawn once per process
// from the system's random source (64 bits) and four counted per generator.
// It fits the 17-character Who field, and rows that older programs stamped
// with the time (17 digits) never equal it.
//
// Threading: not synchronised; call from one thread (the main thread, like
// every component).
#pragma once

#include <string>

namespace orv {

// A new owner stamp, never handed out before in this process; across
// processes two equal stamps need two equal 64-bit random draws. Raises
// nothing: without a random source it mixes what sets this process apart
// (the process number, the host name, both clocks, an address).
std::string NewOwnerStamp();

}  // namespace orv
