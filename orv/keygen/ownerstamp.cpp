#include <orv/keygen/ownerstamp.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string_view>

namespace orv {

namespace {

constexpr std::string_view kDigits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kRandomChars = 13;  // 36^13 > 2^64: a 64-bit draw fits
constexpr int kCountChars = 4;    // 36^4 generators per draw

std::uint64_t Mix(std::uint64_t x) {
  // splitmix64's finaliser: every input bit reaches every output bit.
  x += 0x9e3779b97f4a7c15ull;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
  return x ^ (x >> 31);
}

std::uint64_t Draw() {
  try {
    std::random_device source;
    return (static_cast<std::uint64_t>(source()) << 32) ^ source();
  } catch (const std::exception&) {
    // No random source: what differs between processes and machines.
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::uint64_t x = Mix(static_cast<std::uint64_t>(getpid()));
    x = Mix(x ^ std::hash<std::string_view>{}(host));
    x = Mix(x ^ static_cast<std::uint64_t>(
                    std::chrono::steady_clock::now().time_since_epoch().count()));
    x = Mix(x ^ static_cast<std::uint64_t>(
                    std::chrono::system_clock::now().time_since_epoch().count()));
    return Mix(x ^ reinterpret_cast<std::uintptr_t>(&x));
  }
}

void Append(std::string& out, std::uint64_t value, int width) {
  std::string digits(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0; --i) {
    digits[static_cast<std::size_t>(i)] = kDigits[value % kDigits.size()];
    value /= kDigits.size();
  }
  out += digits;
}

}  // namespace

std::string NewOwnerStamp() {
  static std::uint64_t drawn = 0;
  static std::uint64_t count = 0;
  static constexpr std::uint64_t kPerDraw = 36ull * 36 * 36 * 36;
  // A process that makes more generators than one draw numbers draws again,
  // so stamps within a process never repeat.
  if (count % kPerDraw == 0) drawn = Draw();
  std::string stamp;
  Append(stamp, drawn, kRandomChars);
  Append(stamp, count % kPerDraw, kCountChars);
  ++count;
  return stamp;
}

}  // namespace orv
