// Byte and zero-terminated string primitives shared by the platform and the file system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quib {

// Bytes before the first zero byte; a null text has length 0.
uint32_t StrLength(const char* text);
// A copy in a new MemAllocate block (flags 0); null when text is null or there is no room.
char* StrDuplicate(const char* text);
// Copies min(count, limit, length of src) bytes (the ranges may overlap) and writes a zero
// byte after them, so dst must hold limit + 1 bytes. Returns the number of bytes copied.
uint32_t StrCopyBounded(char* dst, uint32_t limit, uint32_t count, const char* src);
// Shorter texts order first; texts of equal length compare bytewise. A null text is empty.
int32_t StrCompare(const char* a, const char* b);
// Compares exactly count bytes, zero bytes included, with A-Z folded to a-z.
int32_t StrCompareNoCase(uint32_t count, const char* a, const char* b);
// A-Z folded to a-z; every other byte unchanged.
char LowerAscii(char c);
std::string LowerAscii(std::string_view text);
// Equal lengths and equal bytes once A-Z are folded to a-z.
bool EqualIgnoringCase(std::string_view a, std::string_view b);
void MemFill(void* dst, uint8_t value, uint32_t count);
// Correct for overlapping ranges.
void MemMove(void* dst, const void* src, uint32_t count);

} // namespace quib
