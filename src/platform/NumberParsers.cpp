// Decimal and hexadecimal text to integers.
#include "platform/NumberParsers.h"

namespace quib {

// Accumulates unsigned, so that overlong input wraps instead of overflowing a signed value.
int64_t ParseDecimal(const char* text) {
    if (!text) {
        return 0;
    }
    const bool negative = *text == '-';
    if (negative) {
        ++text;
    }
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + uint64_t(*text - '0');
    }
    return int64_t(negative ? 0 - value : value);
}

uint32_t ParseHex(const char* text) {
    if (!text) {
        return 0;
    }
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text += 2;
    }
    uint32_t value = 0;
    for (;; ++text) {
        const char c = *text;
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = uint32_t(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = uint32_t(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = uint32_t(c - 'A' + 10);
        } else {
            return value;
        }
        value = value * 16 + digit;
    }
}

} // namespace quib
