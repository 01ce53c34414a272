#include <orv/host/rtl/random.h>

#include <chrono>

namespace orv {

uint32_t RandSeed = 0;

void Randomize() {
  using namespace std::chrono;
  RandSeed = static_cast<uint32_t>(
      duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

int Random(int range) {
  RandSeed = RandSeed * 0x08088405u + 1u;
  if (range <= 0) return 0;
  return static_cast<int>((static_cast<uint64_t>(RandSeed) * static_cast<uint32_t>(range)) >> 32);
}

}  // namespace orv
