// The seeded pseudo-random generator of the run-time library: one process-wide
// linear congruential sequence (seed * 0x08088405 + 1, mod 2^32). Same seed,
// same numbers. Not synchronised: call from the main thread.
#pragma once

#include <cstdint>

namespace orv {

// The generator's state; writable so that tests can fix the sequence.
extern uint32_t RandSeed;

// Seeds the generator from the clock.
void Randomize();

// The next number in [0, range). REQUIRES: range > 0 (0 gives 0).
int Random(int range);

}  // namespace orv
