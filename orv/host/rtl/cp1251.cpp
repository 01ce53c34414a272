#include <orv/host/rtl/cp1251.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <unordered_map>

#include <orv/host/rtl/exception.h>

namespace orv {

namespace {

// Unicode code points of bytes 0x80..0xBF; 0xC0..0xFF map to U+0410..U+044F.
constexpr std::array<uint16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98: 0x98 is unassigned
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

uint32_t CodePoint(unsigned char b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  return kHigh[b - 0x80];
}

const std::unordered_map<uint32_t, char>& Reverse() {
  static const auto* map = [] {
    auto* m = new std::unordered_map<uint32_t, char>;
    for (int b = 0x80; b <= 0xFF; ++b)
      (*m)[CodePoint(static_cast<unsigned char>(b))] = static_cast<char>(b);
    return m;
  }();
  return *map;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// The code point at text[i] and its length in bytes; false for malformed
// UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
bool NextCodePoint(std::string_view text, std::size_t i, uint32_t& cp, int& len) {
  const auto c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    cp = c;
    len = 1;
    return true;
  }
  if ((c & 0xE0) == 0xC0) {
    cp = c & 0x1F;
    len = 2;
  } else if ((c & 0xF0) == 0xE0) {
    cp = c & 0x0F;
    len = 3;
  } else if ((c & 0xF8) == 0xF0) {
    cp = c & 0x07;
    len = 4;
  } else {
    return false;
  }
  if (i + len > text.size()) return false;
  for (int k = 1; k < len; ++k) {
    const auto cc = static_cast<unsigned char>(text[i + k]);
    if ((cc & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (cc & 0x3F);
  }
  static const uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  return cp >= kMin[len] && !(cp >= 0xD800 && cp <= 0xDFFF) && cp <= 0x10FFFF;
}

// Decodes text; on failure returns false with bad set to the offending code
// point, or to UINT32_MAX for malformed UTF-8.
bool Decode(std::string_view text, std::string& out, uint32_t& bad) {
  out.clear();
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    uint32_t cp;
    int len;
    if (!NextCodePoint(text, i, cp, len)) {
      bad = UINT32_MAX;
      return false;
    }
    i += len;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
      continue;
    }
    const auto& rev = Reverse();
    const auto it = rev.find(cp);
    if (it == rev.end()) {
      bad = cp;
      return false;
    }
    out += it->second;
  }
  return true;
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char ch : text) AppendUtf8(out, CodePoint(static_cast<unsigned char>(ch)));
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    uint32_t cp;
    int len;
    if (!NextCodePoint(text, i, cp, len)) return false;
    i += len;
  }
  return true;
}

std::optional<std::string> Utf8ToCp1251(std::string_view text) {
  std::string out;
  uint32_t bad = 0;
  if (!Decode(text, out, bad)) return std::nullopt;
  return out;
}

std::string Utf8ToCp1251OrThrow(std::string_view text) {
  std::string out;
  uint32_t bad = 0;
  if (Decode(text, out, bad)) return out;
  if (bad == UINT32_MAX) throw Exception("Text is not valid UTF-8");
  char buf[64];
  std::snprintf(buf, sizeof buf, "Character U+%04X cannot be written in code page 1251", bad);
  throw Exception(buf);
}

}  // namespace orv
