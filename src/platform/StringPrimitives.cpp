// Byte and string primitives over the C library's memory routines.
#include "platform/StringPrimitives.h"

#include "platform/MemAllocator.h"

#include <cstring>

namespace quib {

uint32_t StrLength(const char* text) {
    return text ? uint32_t(std::strlen(text)) : 0;
}

char* StrDuplicate(const char* text) {
    if (!text) {
        return nullptr;
    }
    const uint32_t length = StrLength(text);
    auto* copy = static_cast<char*>(MemAllocate(length + 1));
    if (copy) {
        std::memcpy(copy, text, length + 1);
    }
    return copy;
}

uint32_t StrCopyBounded(char* dst, uint32_t limit, uint32_t count, const char* src) {
    uint32_t copied = 0;
    if (src) {
        // The length is taken before anything is written, so overlapping ranges are safe.
        copied = uint32_t(strnlen(src, count < limit ? count : limit));
        std::memmove(dst, src, copied);
    }
    dst[copied] = 0;
    return copied;
}

int32_t StrCompare(const char* a, const char* b) {
    const uint32_t lengthA = StrLength(a);
    const uint32_t lengthB = StrLength(b);
    if (lengthA != lengthB) {
        return int32_t(lengthA - lengthB);
    }
    for (uint32_t i = 0; i < lengthA; ++i) {
        if (a[i] != b[i]) {
            return int32_t(uint8_t(a[i])) - int32_t(uint8_t(b[i]));
        }
    }
    return 0;
}

namespace {
int32_t Fold(char c) {
    const auto byte = uint8_t(c);
    return (byte >= 'A' && byte <= 'Z') ? byte + ('a' - 'A') : byte;
}
} // namespace

int32_t StrCompareNoCase(uint32_t count, const char* a, const char* b) {
    for (uint32_t i = 0; i < count; ++i) {
        const int32_t difference = Fold(a[i]) - Fold(b[i]);
        if (difference != 0) {
            return difference;
        }
    }
    return 0;
}

void MemFill(void* dst, uint8_t value, uint32_t count) {
    std::memset(dst, value, count);
}

void MemMove(void* dst, const void* src, uint32_t count) {
    std::memmove(dst, src, count);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = LowerAscii(c);
    }
    return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace quib
