// Conversion between code page 1251, the text of the system, and UTF-8, the
// text of its edges (the terminal, Qt, SQLite, PostgreSQL's client side).
// Exact both ways for every byte 1..255: the one byte that 1251 leaves
// undefined (0x98) travels as U+0098. Stateless; safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv {

// UTF-8 text of a 1251 text. Never fails. Byte 0 becomes U+0000.
std::string Cp1251ToUtf8(std::string_view text);

// The 1251 text of a UTF-8 text, or nothing when the text is not valid UTF-8
// or holds a character that 1251 cannot hold.
std::optional<std::string> Utf8ToCp1251(std::string_view text);

// True when text is well-formed UTF-8, whether or not 1251 holds its characters.
bool IsValidUtf8(std::string_view text);

// Like Utf8ToCp1251, but raises orv::Exception naming the first character
// that cannot be held ("Character U+XXXX cannot be written in code page 1251")
// or "Text is not valid UTF-8".
std::string Utf8ToCp1251OrThrow(std::string_view text);

}  // namespace orv
