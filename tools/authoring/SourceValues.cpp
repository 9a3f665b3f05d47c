// Reading and writing the value kinds of the disk source.
#include "SourceValues.h"

#include "description/DescriptionModel.h"
#include "description/PlayerCommand.h"
#include "host/audio/AudioOutput.h"
#include "host/text/DrawTextFlags.h"
#include "platform/StringPrimitives.h"
#include "platform/TextDecoding.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace quib {
namespace {

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

bool FitsInt32(int64_t value) {
    return value >= kInt32Min && value <= kInt32Max;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool AllDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::string Hex(uint64_t value, int minDigits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    while (static_cast<int>(out.size()) < minDigits) {
        out.insert(out.begin(), '0');
    }
    return out;
}

constexpr NamedValue Command(std::string_view name, PlayerCommand command) {
    return {name, static_cast<uint32_t>(command)};
}

constexpr std::array kCommands = {
    Command("play", PlayerCommand::Play),
    Command("pause", PlayerCommand::PauseResume),
    Command("stop", PlayerCommand::Stop),
    Command("previous", PlayerCommand::Previous),
    Command("next", PlayerCommand::Next),
    Command("select", PlayerCommand::SelectSong),
    Command("volume", PlayerCommand::SetVolume),
    Command("raise", PlayerCommand::RaiseEventFlag),
    Command("exit", PlayerCommand::Exit),
    Command("PauseResume", PlayerCommand::PauseResume),
    Command("SelectSong", PlayerCommand::SelectSong),
    Command("SetVolume", PlayerCommand::SetVolume),
    Command("RaiseEventFlag", PlayerCommand::RaiseEventFlag),
};

constexpr std::array kModuleFlags = {
    NamedValue{"loop", kAudioLoop},
    NamedValue{"ramp", kAudioRamp},
    NamedValue{"sensitive-ramp", kAudioRampSensitive},
    NamedValue{"ft2", kAudioFt2Mod},
    NamedValue{"pt1", kAudioPt1Mod},
    NamedValue{"no-interpolation", kAudioNoInterpolation},
    NamedValue{"prescan", kAudioPrescan},
    NamedValue{"sinc", kAudioSincInterpolation},
};

constexpr std::array kTextFormats = {
    NamedValue{"left", DT_LEFT},
    NamedValue{"center", DT_CENTER},
    NamedValue{"right", DT_RIGHT},
    NamedValue{"top", DT_TOP},
    NamedValue{"vcenter", DT_VCENTER},
    NamedValue{"bottom", DT_BOTTOM},
    NamedValue{"wordbreak", DT_WORDBREAK},
    NamedValue{"singleline", DT_SINGLELINE},
    NamedValue{"expandtabs", DT_EXPANDTABS},
    NamedValue{"noclip", DT_NOCLIP},
    NamedValue{"noprefix", DT_NOPREFIX},
};

// A TOML basic string, one line or several: every byte that TOML would not take literally is
// escaped, including quotes and backslashes, so nothing in the text can end the string early.
std::string QuoteBasic(std::string_view bytes, bool multiLine) {
    std::string out = multiLine ? "\"\"\"\n" : "\"";
    for (unsigned char c : bytes) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += multiLine ? "\n" : "\\n";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u" + Hex(c, 4);
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += multiLine ? "\"\"\"" : "\"";
    return out;
}

} // namespace

std::optional<int32_t> SecondsToUnits(double seconds, std::string& error) {
    if (!std::isfinite(seconds)) {
        error = "a time must be a finite number of seconds";
        return std::nullopt;
    }
    const double units = std::round(seconds * kUnitsPerSecond);
    if (units < static_cast<double>(kInt32Min) || units > static_cast<double>(kInt32Max)) {
        error = "time out of range (at most about 48700 seconds either way)";
        return std::nullopt;
    }
    return static_cast<int32_t>(units);
}

std::optional<int32_t> ParseClockTime(std::string_view text, std::string& error) {
    const std::string_view original = text;
    auto fail = [&]() -> std::optional<int32_t> {
        error = "\"" + std::string(original) +
                "\" is not a time of the form \"mm:ss\" or \"mm:ss.fff\"";
        return std::nullopt;
    };
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return fail();
    }
    const std::string_view minutes = text.substr(0, colon);
    std::string_view rest = text.substr(colon + 1);
    std::string_view fraction;
    if (const size_t dot = rest.find('.'); dot != std::string_view::npos) {
        fraction = rest.substr(dot + 1);
        rest = rest.substr(0, dot);
        if (!AllDigits(fraction)) {
            return fail();
        }
    }
    if (!AllDigits(minutes) || rest.size() != 2 || !AllDigits(rest) || minutes.size() > 6) {
        return fail();
    }
    const int64_t wholeSeconds =
        std::atoll(std::string(minutes).c_str()) * 60 + (rest[0] - '0') * 10 + (rest[1] - '0');
    if (rest[0] > '5') {
        error = "\"" + std::string(original) + "\": seconds must be below 60";
        return std::nullopt;
    }
    // The fraction in exact integer arithmetic, rounded half away from zero, so that
    // "0:00.5" and 0.5 give the same units.
    int64_t fractionUnits = 0;
    if (!fraction.empty()) {
        const std::string_view digits = fraction.substr(0, 12);
        int64_t numerator = 0;
        int64_t denominator = 1;
        for (char c : digits) {
            numerator = numerator * 10 + (c - '0');
            denominator *= 10;
        }
        fractionUnits = (numerator * kUnitsPerSecond * 2 + denominator) / (2 * denominator);
    }
    int64_t units = wholeSeconds * kUnitsPerSecond + fractionUnits;
    if (negative) {
        units = -units;
    }
    if (!FitsInt32(units)) {
        error = "\"" + std::string(original) + "\": time out of range";
        return std::nullopt;
    }
    return static_cast<int32_t>(units);
}

std::string FormatTime(int32_t units) {
    // Only multiples of 441 units have a finite decimal expansion in seconds (44100 = 2²3²5²7²),
    // and those are whole hundredths.
    if (units % 441 != 0) {
        return "{ units = " + std::to_string(units) + " }";
    }
    const int64_t magnitude = std::llabs(static_cast<int64_t>(units));
    const int64_t hundredths = magnitude / 441;
    std::string out = units < 0 ? "-" : "";
    out += std::to_string(hundredths / 100);
    if (const int64_t cents = hundredths % 100; cents != 0) {
        out += '.';
        out += static_cast<char>('0' + cents / 10);
        if (cents % 10 != 0) {
            out += static_cast<char>('0' + cents % 10);
        }
    }
    return out;
}

std::optional<uint32_t> ParseColour(std::string_view text, std::string& error) {
    if (text.size() == 7 || text.size() == 9) {
        if (text.front() == '#') {
            uint32_t value = text.size() == 7 ? 0xFFu : 0u;
            bool valid = true;
            for (char c : text.substr(1)) {
                const int digit = HexDigit(c);
                valid = valid && digit >= 0;
                value = (value << 4) | static_cast<uint32_t>(digit & 0xF);
            }
            if (valid) {
                return value;
            }
        }
    }
    error =
        "\"" + std::string(text) + "\" is not a colour of the form \"#AARRGGBB\" or \"#RRGGBB\"";
    return std::nullopt;
}

std::string FormatColour(uint32_t argb) {
    return "\"#" + Hex(argb, 8) + "\"";
}

std::optional<float> ToFloat(double value, std::string& error) {
    // The shortest text of the largest float reads as a double slightly above it, which still
    // narrows to it: only values that would narrow to infinity are out of range.
    if (std::isfinite(value) && std::isinf(static_cast<float>(value))) {
        error = "number out of the range of a 32-bit float";
        return std::nullopt;
    }
    return static_cast<float>(value);
}

uint32_t FloatBits(float value) {
    return std::bit_cast<uint32_t>(value);
}
float FloatFromBits(uint32_t bits) {
    return std::bit_cast<float>(bits);
}

std::string FormatFloat(float value) {
    if (std::isnan(value)) {
        if (FloatBits(value) == FloatBits(std::numeric_limits<float>::quiet_NaN())) {
            return "nan";
        }
        return "{ bits = 0x" + Hex(FloatBits(value), 8) + " }";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    // The source is read as a double and then narrowed; the shortest text of the float nearly
    // always survives that, and where double rounding could bite, the double's own shortest
    // text (which narrows exactly) is used instead.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    double readBack = 0;
    std::from_chars(text.data(), text.data() + text.size(), readBack);
    if (static_cast<float>(readBack) != value ||
        std::signbit(static_cast<float>(readBack)) != std::signbit(value)) {
        result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value));
        text.assign(buffer, result.ptr);
    }
    if (text.find_first_of(".e") == std::string::npos) {
        text += ".0";
    }
    // TOML wants digits on both sides of the point and a sign or digit before an exponent.
    if (const size_t e = text.find('e');
        e != std::string::npos && text[e + 1] != '-' && text[e + 1] != '+') {
        text.insert(e + 1, "+");
    }
    return text;
}

std::string FormatText(std::string_view bytes) {
    if (!IsValidUtf8(bytes)) {
        std::string hex;
        for (unsigned char c : bytes) {
            hex += Hex(c, 2);
        }
        return "{ hex = \"" + hex + "\" }";
    }
    return QuoteBasic(bytes, bytes.find('\n') != std::string_view::npos);
}

std::optional<std::string> ParseHexText(std::string_view hex, std::string& error) {
    if (hex.size() % 2 != 0) {
        error = "hex text must have an even number of digits";
        return std::nullopt;
    }
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            error = "hex text may hold only the digits 0-9 and A-F";
            return std::nullopt;
        }
        if (high == 0 && low == 0) {
            error = "hex text cannot hold a zero byte: it would end the text";
            return std::nullopt;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::span<const NamedValue> CommandNames() {
    return kCommands;
}
std::span<const NamedValue> EffectTypeNames() {
    // The class names are the description's; this table only pairs them with their ids.
    static const auto kEffectTypes = [] {
        std::array<NamedValue, kEffectTypeCount> table{};
        for (int32_t type = 0; type < kEffectTypeCount; ++type) {
            table[type] = {EffectTypeName(type), static_cast<uint32_t>(type)};
        }
        return table;
    }();
    return kEffectTypes;
}
std::span<const NamedValue> ModuleFlagNames() {
    return kModuleFlags;
}
std::span<const NamedValue> TextFormatNames() {
    return kTextFormats;
}

std::optional<uint32_t> LookUpName(std::span<const NamedValue> table, std::string_view name) {
    for (const NamedValue& entry : table) {
        if (EqualIgnoringCase(entry.name, name)) {
            return entry.value;
        }
    }
    return std::nullopt;
}

std::string_view NameOf(std::span<const NamedValue> table, uint32_t value) {
    for (const NamedValue& entry : table) {
        if (entry.value == value) {
            return entry.name;
        }
    }
    return {};
}

std::string ListNames(std::span<const NamedValue> table, bool withZero) {
    std::string out;
    for (const NamedValue& entry : table) {
        // Aliases (a later name for a value already listed) stay out of the list.
        if ((entry.value == 0 && !withZero) || NameOf(table, entry.value) != entry.name) {
            continue;
        }
        if (!out.empty()) {
            out += ", ";
        }
        out += entry.name;
    }
    return out;
}

std::string FormatFlags(std::span<const NamedValue> table, uint32_t value) {
    std::string out = "[";
    uint32_t left = value;
    for (const NamedValue& entry : table) {
        if (entry.value != 0 && (left & entry.value) == entry.value) {
            out += out.size() > 1 ? ", " : "";
            out += "\"" + std::string(entry.name) + "\"";
            left &= ~entry.value;
        }
    }
    if (left != 0) {
        out += out.size() > 1 ? ", " : "";
        out += "0x" + Hex(left, 1);
    }
    return out + "]";
}

std::string FormatKey(std::string_view key) {
    bool bare = !key.empty();
    for (char c : key) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '_' || c == '-';
        bare = bare && allowed;
    }
    return bare ? std::string(key) : QuoteBasic(key, false);
}

} // namespace quib
