// Text and number helpers of the run-time library: case-insensitive
// comparison, integer formatting and parsing. Texts are code page 1251.
// Stateless; safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace orv {

// Compares a and b ignoring the case of 'a'..'z' only (no other character is
// folded), byte by byte as unsigned codes. A text that begins the other is the
// smaller. Returns <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);

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
