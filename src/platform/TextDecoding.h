// Turns the byte strings of a disk description into Unicode text.
#pragma once

#include <string>
#include <string_view>

namespace quib {

// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or values above U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Code points of bytes: decoded as UTF-8 when valid, else as Windows-1252 (its five unassigned
// bytes map to the C1 controls of the same value, as the Windows conversion does).
std::u32string DecodeText(std::string_view bytes);

// The same text as UTF-8 bytes (for names handed to libraries that want UTF-8).
std::string DecodeTextToUtf8(std::string_view bytes);

} // namespace quib
