// TextFormat: directive parsing, the number converters and bounded output.
#include "platform/TextFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace quib {

namespace {

constexpr char digitTable[] = "0123456789ABCDEF";
constexpr uint32_t scratchSize = 128;
constexpr uint32_t fractionDigits = 8;

// --- Converters: each writes into the 128-byte scratch buffer and returns the length. ---

uint32_t ConvertDecimal(char* out, uint64_t magnitude, bool negative, bool thousands) {
    uint32_t length = 0;
    if (negative) {
        out[length++] = '-';
    }
    const uint32_t first = length;
    uint32_t inGroup = 0;
    do {
        if (thousands && inGroup == 3) {
            out[length++] = ',';
            inGroup = 0;
        }
        out[length++] = digitTable[magnitude % 10];
        magnitude /= 10;
        ++inGroup;
    } while (magnitude != 0 && length < scratchSize - 1);
    std::reverse(out + first, out + length);
    return length;
}

// The digits are written from the last one back, so nothing needs reversing. Lower case
// adds 32 to the letters by setting bit 5, which the table's digits 0 to 9 already have.
uint32_t ConvertHex(char* out, uint32_t value, bool lowerCase) {
    const uint32_t length = value == 0 ? 1 : uint32_t(std::bit_width(value) + 3) / 4;
    const char caseBit = lowerCase ? 0x20 : 0;
    for (uint32_t at = length; at-- > 0; value >>= 4) {
        out[at] = char(digitTable[value & 15] | caseBit);
    }
    return length;
}

uint32_t ConvertBinary(char* out, uint32_t value) {
    uint32_t length = 0;
    do {
        out[length++] = char('0' + (value & 1));
        value >>= 1;
    } while (value != 0);
    std::reverse(out, out + length);
    return length;
}

uint32_t CopyText(char* out, uint32_t length, const char* text) {
    std::memcpy(out + length, text, std::strlen(text));
    return length + uint32_t(std::strlen(text));
}

// Fixed point of the value narrowed to a float: the integer part (its low 32 bits), then
// 8 fraction digits, truncated. The fraction is expanded in double precision, where the
// float's fraction times 10^8 is exact, so the digits are the float's true digits.
// Not-a-number and the infinities print as "nan" and "inf".
uint32_t ConvertFixed(char* out, double argument, int32_t precision) {
    float value = float(argument);
    if (std::isnan(value)) {
        return CopyText(out, 0, "nan");
    }
    uint32_t length = 0;
    if (value < 0) {
        out[length++] = '-';
        value = -value;
    }
    if (std::isinf(value)) {
        return CopyText(out, length, "inf");
    }
    const double whole = std::trunc(double(value));
    const auto integer = uint32_t(std::fmod(whole, 4294967296.0));
    length += ConvertDecimal(out + length, integer, false, false);
    const uint32_t dot = length;
    if (length < scratchSize - 2) {
        out[length++] = '.';
        double fraction = double(value) - whole;
        for (uint32_t i = 0; i < fractionDigits && length < scratchSize - 1; ++i) {
            fraction *= 10;
            const auto digit = uint32_t(fraction);
            out[length++] = char('0' + digit);
            fraction -= digit;
        }
        if (precision >= 0) {
            length = std::min(length, precision == 0 ? dot : dot + 1 + uint32_t(precision));
        }
    }
    return length;
}

// --- Bounded output ---------------------------------------------------------------------

// count starts at 1: the terminating zero is reserved from the beginning.
struct Output {
    char* buffer;
    uint32_t capacity;
    uint32_t count = 1;

    uint32_t Room() const { return capacity - count; }
    void Put(char c) {
        if (buffer) {
            buffer[count - 1] = c;
        }
        ++count;
    }
    void Repeat(char c, uint32_t times) {
        times = std::min(times, Room());
        if (buffer) {
            std::memset(buffer + count - 1, c, times);
        }
        count += times;
    }
    void Write(const char* text, uint32_t length) {
        length = std::min(length, Room());
        if (buffer) {
            std::memcpy(buffer + count - 1, text, length);
        }
        count += length;
    }
};

// What a directive collected before its letter.
struct Directive {
    bool thousands = false;
    bool leftJustify = false;
    bool zeroPad = false;
    bool isUnsigned = false;
    bool sawDot = false;
    uint32_t width = 0;
    int32_t precision = -1;
    uint32_t digitValue = 0; // of the digits collected since the last take, at most 7
    uint32_t digitCount = 0;

    uint32_t TakeDigits() {
        const uint32_t value = digitValue;
        digitValue = 0;
        digitCount = 0;
        return value;
    }
};

// Reads flags and digits up to the first other character, which is returned unconsumed.
const char* ParseDirective(const char* format, Directive& directive) {
    for (;; ++format) {
        const char c = *format;
        if (c == ',') {
            directive.thousands = true;
        } else if (c == '-') {
            directive.leftJustify = true;
        } else if (c == 'u') {
            directive.isUnsigned = true;
        } else if (c == '0' && directive.digitCount == 0 && !directive.sawDot) {
            directive.zeroPad = true;
        } else if (c >= '0' && c <= '9') {
            if (directive.digitCount < 7) {
                directive.digitValue = directive.digitValue * 10 + uint32_t(c - '0');
                ++directive.digitCount;
            }
        } else if (c == '.') {
            if (!directive.sawDot) {
                directive.width = directive.TakeDigits();
                directive.sawDot = true;
            }
        } else {
            return format;
        }
    }
}

void WritePadded(Output& out, const Directive& directive, const char* text, uint32_t length) {
    const uint32_t pad = directive.width > length ? directive.width - length : 0;
    if (!directive.leftJustify) {
        out.Repeat(directive.zeroPad ? '0' : ' ', pad);
    }
    out.Write(text, length);
    if (directive.leftJustify) {
        out.Repeat(' ', pad);
    }
}

} // namespace

uint32_t TextFormatV(char* buffer, uint32_t capacity, const char* format, va_list args) {
    if (buffer && capacity == 0) {
        return 0;
    }
    Output out{buffer, buffer ? capacity : UINT32_MAX};
    char scratch[scratchSize];
    while (format && *format && out.count < out.capacity) {
        if (*format != '%') {
            out.Put(*format++);
            continue;
        }
        ++format;
        if (*format == '%') {
            out.Put('%');
            ++format;
            continue;
        }
        Directive directive;
        format = ParseDirective(format, directive);
        if (*format == 0) {
            break;
        }
        if (directive.sawDot) {
            directive.precision = int32_t(directive.TakeDigits());
        } else {
            directive.width = directive.TakeDigits();
        }
        uint32_t length = 0;
        switch (*format++) {
        case 'd':
            if (directive.isUnsigned) {
                length =
                    ConvertDecimal(scratch, va_arg(args, unsigned), false, directive.thousands);
            } else {
                const int value = va_arg(args, int);
                length = ConvertDecimal(scratch, value < 0 ? 0 - uint64_t(int64_t(value)) : value,
                                        value < 0, directive.thousands);
            }
            break;
        case 'h':
            if (directive.isUnsigned) {
                length =
                    ConvertDecimal(scratch, va_arg(args, uint64_t), false, directive.thousands);
            } else {
                const int64_t value = va_arg(args, int64_t);
                length = ConvertDecimal(scratch, value < 0 ? 0 - uint64_t(value) : uint64_t(value),
                                        value < 0, directive.thousands);
            }
            break;
        case 'x':
        case 'X':
            length = ConvertHex(scratch, va_arg(args, unsigned), format[-1] == 'x');
            break;
        case 'b':
            length = ConvertBinary(scratch, va_arg(args, unsigned));
            break;
        case 'f':
        case 'g':
            length = ConvertFixed(scratch, va_arg(args, double), directive.precision);
            break;
        case 's': {
            const char* text = va_arg(args, const char*);
            WritePadded(out, directive, text ? text : "", text ? uint32_t(std::strlen(text)) : 0);
            continue;
        }
        case 'c':
            out.Put(char(va_arg(args, int)));
            continue;
        default:
            continue;
        }
        WritePadded(out, directive, scratch, length);
    }
    if (buffer) {
        buffer[out.count - 1] = 0;
    }
    return out.count - 1;
}

uint32_t TextFormat(char* buffer, uint32_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const uint32_t count = TextFormatV(buffer, capacity, format, args);
    va_end(args);
    return count;
}

} // namespace quib
