// UTF-8 validation and decoding, with Windows-1252 for byte strings that are not UTF-8.
#include "platform/TextDecoding.h"

#include <array>
#include <cstdint>

namespace quib {

namespace {

// Decodes the UTF-8 sequence that starts at bytes[at]. Returns its length, or 0 when the
// sequence is malformed, overlong, a surrogate or beyond U+10FFFF.
std::size_t DecodeUtf8At(std::string_view bytes, std::size_t at, char32_t& value) {
    const auto lead = static_cast<std::uint8_t>(bytes[at]);
    if (lead < 0x80) {
        value = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() - at < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(bytes[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    char32_t value = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = DecodeUtf8At(bytes, at, value);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::u32string DecodeText(std::string_view bytes) {
    std::u32string text;
    text.reserve(bytes.size());
    if (IsValidUtf8(bytes)) {
        char32_t value = 0;
        for (std::size_t at = 0; at < bytes.size();) {
            at += DecodeUtf8At(bytes, at, value);
            text.push_back(value);
        }
        return text;
    }
    for (const char byte : bytes) {
        const auto b = static_cast<std::uint8_t>(byte);
        text.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char32_t{b});
    }
    return text;
}

std::string DecodeTextToUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string utf8;
    for (const char32_t c : DecodeText(bytes)) {
        // Windows-1252 reaches no further than U+2122: one to three bytes.
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

} // namespace quib
