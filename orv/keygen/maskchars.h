// The character classes that mask validation applies, and the small text
// helper that the generator's time stamp uses. Single-byte code page 1251.
// Stateless; safe from any thread.
#pragma once

#include <string>

namespace orv {

// True for the digits "0" to "9".
bool IsANum(char c);

// True for "A" to "Z", "a" to "z" and every code from 192 to 255 (in 1251 the
// Cyrillic letters).
bool IsAChar(char c);

// Replaces every blank in text by "0", in place; other characters and the
// length stay. Turns a blank-padded number ("%4d") into a zero-padded one.
void SpcTo0(std::string& text);

}  // namespace orv
