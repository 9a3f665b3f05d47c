// The value kinds of the disk source (times, colours, floats, text, names of commands, effect
// types and flags): how each is read from its written form and how it is written back so that
// reading it again gives the same bits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quib {

// The disk clock counts sample frames.
inline constexpr int32_t kUnitsPerSecond = 44100;

// A name for a value: a command code, an effect type, a flag bit.
struct NamedValue {
    std::string_view name;
    uint32_t value;
};

// Times. Each parser returns the clock units, or nothing with `error` set.
std::optional<int32_t> SecondsToUnits(double seconds, std::string& error);
// "mm:ss" with an optional fraction of any length and an optional leading '-'.
std::optional<int32_t> ParseClockTime(std::string_view text, std::string& error);
// Seconds when they are whole hundredths ("12.5", "-0.25", "3"), else "{ units = N }".
std::string FormatTime(int32_t units);

// Whether a colour field's alpha byte reaches the screen; a few fields draw without it.
enum class Alpha { Used, Ignored };

// "#AARRGGBB" or "#RRGGBB" (opaque).
std::optional<uint32_t> ParseColour(std::string_view text, std::string& error);
std::string FormatColour(uint32_t argb);

// A double as a 32-bit float; nothing when a finite value is out of the float's range.
std::optional<float> ToFloat(double value, std::string& error);
// A TOML value that reads back as exactly these bits: a float literal, or "{ bits = 0x... }"
// for a NaN whose bits a literal cannot carry.
std::string FormatFloat(float value);
uint32_t FloatBits(float value);
float FloatFromBits(uint32_t bits);

// Text: a TOML string of the bytes when they are UTF-8, else "{ hex = "..." }".
std::string FormatText(std::string_view bytes);
// The bytes of a hex string; nothing when it has an odd length, a non-hex digit, or a zero byte
// (a zero byte would end the text in the description).
std::optional<std::string> ParseHexText(std::string_view hex, std::string& error);

// Name tables. Lookup ignores ASCII case.
std::span<const NamedValue> CommandNames();    // play 0 .. exit 8, then the long aliases
std::span<const NamedValue> EffectTypeNames(); // ImageEffect 0 .. ToggledImageEffect 10
std::span<const NamedValue> ModuleFlagNames(); // loop, ramp, ...
std::span<const NamedValue> TextFormatNames(); // left, center, ...
std::optional<uint32_t> LookUpName(std::span<const NamedValue> table, std::string_view name);
// The first name of a value in the table, or empty.
std::string_view NameOf(std::span<const NamedValue> table, uint32_t value);
// The names of a table (not its aliases; zero values only when asked), for error messages.
std::string ListNames(std::span<const NamedValue> table, bool withZero = false);
// An array of the names of the set bits the table knows, in table order, with the bits left
// over as one hex number: ["ft2", "sinc", 0x100]. "[]" for 0.
std::string FormatFlags(std::span<const NamedValue> table, uint32_t value);

// A TOML key or a quoted key, as needed.
std::string FormatKey(std::string_view key);

} // namespace quib
