// TmString: a single-byte text of at most 100 characters (code page 1251).
// Mask values, prefixes, suffixes and limits travel in it. A longer text is cut
// to its first 100 characters; appending to a full one drops the character.
// A value type; not synchronised.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

class TmString {
 public:
  static constexpr std::size_t kMaxLength = 100;  // longest text it holds

  TmString() = default;
  TmString(std::string_view s) : s_(s.substr(0, kMaxLength)) {}      // NOLINT: implicit by design
  TmString(const char* s) : TmString(std::string_view(s)) {}         // NOLINT
  TmString(const std::string& s) : TmString(std::string_view(s)) {}  // NOLINT

  std::size_t Length() const { return s_.size(); }
  bool Empty() const { return s_.empty(); }
  bool Full() const { return s_.size() == kMaxLength; }
  // 0-based access. REQUIRES: i < Length().
  char operator[](std::size_t i) const { return s_[i]; }
  void Set(std::size_t i, char c) { s_[i] = c; }

  // Appends one character, or drops it when the text is full.
  TmString& operator+=(char c) {
    if (!Full()) s_.push_back(c);
    return *this;
  }
  // Appends as much of s as fits.
  TmString& operator+=(std::string_view s) {
    s_.append(s.substr(0, kMaxLength - s_.size()));
    return *this;
  }
  void Clear() { s_.clear(); }

  const std::string& str() const { return s_; }
  operator std::string_view() const { return s_; }  // NOLINT

  friend bool operator==(const TmString& a, const TmString& b) = default;
  friend auto operator<=>(const TmString& a, const TmString& b) = default;

 private:
  std::string s_;
};

}  // namespace orv
