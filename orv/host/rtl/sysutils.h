// Text and number helpers of the run-time library: case-insensitive
// comparison, ASCII case and trimming, integer formatting and parsing. Texts
// are code page 1251; the helpers here fold and strip ASCII only (for words
// of the system's own: keywords, type and class names, alias keys), so a
// Cyrillic byte passes through unchanged. Case of Cyrillic text as a person
// reads it is StrUpperCyr's (orv/common/orvutils.h).
// Stateless; safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Compares a and b ignoring the case of 'a'..'z' only (no other character is
// folded), byte by byte as unsigned codes. A text that begins the other is the
// smaller. Returns <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

// s with 'a'..'z' turned to 'A'..'Z'; every other byte stays.
std::string AsciiUpper(std::string_view s);
// s with 'A'..'Z' turned to 'a'..'z'; every other byte stays.
std::string AsciiLower(std::string_view s);

// s without the blanks, tabs, carriage returns and line feeds at either end.
std::string Trim(std::string_view s);

// Replaces every blank in text by '0', in place; other characters and the
// length stay. Turns a blank-padded number ("%4d") into a zero-padded one.
void SpcTo0(std::string& text);

// Decimal text of value.
std::string IntToStr(long long value);

// value right-aligned in at least width characters, padded with blanks, like
// printf's "%4d". A wider number is written whole.
std::string FormatInt(long long value, int width);

// The integer that s spells: optional blanks, an optional sign, then decimal
// digits (or '$' and hex digits), then optional blanks; it must fit 32 bits.
// On failure raises EConvertError "'s' is not a valid integer value".
int StrToInt(std::string_view s);

}  // namespace orv
