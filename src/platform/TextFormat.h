// The system's bounded printf-style formatter.
#pragma once

#include <cstdarg>
#include <cstdint>

namespace quib {

// Formats into buffer, writing at most capacity - 1 characters and a terminating zero; the
// result is the number of characters written without the zero. A null buffer writes nothing
// and measures the whole text; a non-null buffer with capacity 0 is left untouched (result 0).
//
// A directive is '%' then any of: ',' (thousands separators, d and h), '-' (left-justify),
// '0' before any width digit (pad with zeros, ahead of a sign too), up to 7 width digits,
// '.' then precision digits (f and g), 'u' (unsigned d or h); it ends at a letter:
//   d int, h int64_t/uint64_t, x X unsigned hex, b unsigned binary, f g double (printed as a
//   float with 8 truncated fraction digits), s text (null prints nothing), c one character
//   (width ignored). "%%" prints '%'. Any other character ends the directive silently;
// a format ending inside a directive (a lone trailing '%') ends the output there.
//
// The custom letters (h, b, u as a flag) rule out the compiler's printf checking.
uint32_t TextFormat(char* buffer, uint32_t capacity, const char* format, ...);
uint32_t TextFormatV(char* buffer, uint32_t capacity, const char* format, va_list args);

} // namespace quib
