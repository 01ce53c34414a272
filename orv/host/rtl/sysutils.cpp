#include <orv/host/rtl/sysutils.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include <orv/host/rtl/exception.h>

namespace orv {

namespace {

unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }
unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

constexpr std::string_view kTrimmed = " \t\r\n";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int d = Upper(static_cast<unsigned char>(a[i])) - Upper(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(Upper(static_cast<unsigned char>(c)));
  return out;
}

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(Lower(static_cast<unsigned char>(c)));
  return out;
}

std::string Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kTrimmed);
  if (first == std::string_view::npos) return "";
  return std::string(s.substr(first, s.find_last_not_of(kTrimmed) - first + 1));
}

void SpcTo0(std::string& text) { std::replace(text.begin(), text.end(), ' ', '0'); }

std::string IntToStr(long long value) { return std::to_string(value); }

std::string FormatInt(long long value, int width) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*lld", width < 0 ? 0 : (width > 40 ? 40 : width), value);
  return buf;
}

int StrToInt(std::string_view s) {
  auto fail = [&]() -> int {
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  };
  std::size_t i = 0, end = s.size();
  while (i < end && s[i] == ' ') ++i;
  while (end > i && s[end - 1] == ' ') --end;
  bool negative = false;
  if (i < end && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < end && s[i] == '$') {
    base = 16;
    ++i;
  }
  if (i == end) return fail();
  long long v = 0;
  for (; i < end; ++i) {
    const int d = base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return fail();
    v = v * base + d;
    if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return fail();
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return fail();
  return static_cast<int>(v);
}

}  // namespace orv
