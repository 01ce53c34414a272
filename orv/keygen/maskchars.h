// The character classes that mask validation applies, and SpcTo0, the small
// text helper of this unit's published interface (kept in the run-time
// library, which the time stamps share). Single-byte code page 1251.
// Stateless; safe from any thread.
#pragma once

#include <string>

#include <orv/host/rtl/sysutils.h>

namespace orv {

// True for the digits "0" to "9".
bool IsANum(char c);

// True for "A" to "Z", "a" to "z" and every code from 192 to 255 (in 1251 the
// Cyrillic letters).
bool IsAChar(char c);

}  // namespace orv
