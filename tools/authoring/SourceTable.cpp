// Reading typed fields from a TOML table of the disk source.
#include "SourceTable.h"

#include <cmath>
#include <limits>

namespace quib {
namespace {

// "; did you mean "X"?" for a name of the table near the unknown one, else nothing.
std::string SuggestName(std::string_view name, std::span<const NamedValue> names) {
    std::vector<std::string_view> candidates;
    for (const NamedValue& entry : names) {
        candidates.push_back(entry.name);
    }
    const std::string_view nearest = NearestName(name, candidates);
    return nearest.empty() ? "" : "; did you mean \"" + std::string(nearest) + "\"?";
}

} // namespace

SourcePosition PositionOf(const toml::node& node) {
    const toml::source_position begin = node.source().begin;
    return {static_cast<int>(begin.line), static_cast<int>(begin.column)};
}

SourceTable::SourceTable(const toml::table& table, SourceDiagnostics& diagnostics)
    : table_(table), diagnostics_(diagnostics) {}

const toml::node* SourceTable::Take(std::string_view key, bool required) {
    taken_.emplace(key);
    const toml::node* node = table_.get(key);
    if (node == nullptr && required) {
        diagnostics_.Error(Position(), "missing `" + std::string(key) + "`");
    }
    return node;
}

bool SourceTable::Fail(const toml::node& node, std::string_view key, const std::string& message) {
    diagnostics_.Error(PositionOf(node), "`" + std::string(key) + "`: " + message);
    return false;
}

const toml::node* SourceTable::OnlyEntry(const toml::node& node, std::string_view name) {
    const toml::table* table = node.as_table();
    if (table == nullptr || table->size() != 1) {
        return nullptr;
    }
    return table->get(name);
}

bool SourceTable::ReadInt(const toml::node& node, std::string_view key, int32_t& out) {
    const auto* value = node.as_integer();
    if (value == nullptr) {
        return Fail(node, key, "expected an integer");
    }
    const int64_t number = value->get();
    if (number < std::numeric_limits<int32_t>::min() ||
        number > std::numeric_limits<int32_t>::max()) {
        return Fail(node, key, std::to_string(number) + " does not fit in 32 bits");
    }
    out = static_cast<int32_t>(number);
    return true;
}

bool SourceTable::ReadUnsigned(const toml::node& node, std::string_view key, uint32_t& out) {
    const auto* value = node.as_integer();
    if (value == nullptr) {
        return Fail(node, key, "expected an integer");
    }
    const int64_t number = value->get();
    if (number < 0 || number > std::numeric_limits<uint32_t>::max()) {
        return Fail(node, key, std::to_string(number) + " is not between 0 and 0xFFFFFFFF");
    }
    out = static_cast<uint32_t>(number);
    return true;
}

bool SourceTable::ReadFloat(const toml::node& node, std::string_view key, float& out) {
    if (const toml::node* bits = OnlyEntry(node, "bits")) {
        uint32_t raw = 0;
        if (!ReadUnsigned(*bits, key, raw)) {
            return false;
        }
        out = FloatFromBits(raw);
        return true;
    }
    double number = 0;
    if (const auto* real = node.as_floating_point()) {
        number = real->get();
    } else if (const auto* whole = node.as_integer()) {
        number = static_cast<double>(whole->get());
    } else {
        return Fail(node, key, "expected a number");
    }
    std::string error;
    const std::optional<float> narrowed = ToFloat(number, error);
    if (!narrowed) {
        return Fail(node, key, error);
    }
    out = *narrowed;
    return true;
}

bool SourceTable::ReadTime(const toml::node& node, std::string_view key, int32_t& out) {
    if (const toml::node* units = OnlyEntry(node, "units")) {
        return ReadInt(*units, key, out);
    }
    std::string error;
    std::optional<int32_t> units;
    if (const auto* text = node.as_string()) {
        units = ParseClockTime(text->get(), error);
    } else if (const auto* real = node.as_floating_point()) {
        units = SecondsToUnits(real->get(), error);
    } else if (const auto* whole = node.as_integer()) {
        units = SecondsToUnits(static_cast<double>(whole->get()), error);
    } else if (const auto* clock = node.as_time()) {
        // TOML reads an unquoted hh:mm:ss as a time of day; say it as minutes and seconds.
        const toml::time time = clock->get();
        std::string seconds = std::to_string(100 + time.second).substr(1);
        if (time.nanosecond != 0) {
            std::string fraction = std::to_string(1000000000 + time.nanosecond).substr(1);
            seconds += "." + fraction.substr(0, fraction.find_last_not_of('0') + 1);
        }
        error = "an unquoted hh:mm:ss is a time of day; write minutes and seconds in quotes: \"" +
                std::to_string(time.hour * 60 + time.minute) + ":" + seconds + "\"";
    } else {
        error = "expected a time: seconds, \"mm:ss.fff\" or { units = N }";
    }
    if (!units) {
        return Fail(node, key, error);
    }
    out = *units;
    return true;
}

bool SourceTable::ReadColour(const toml::node& node, std::string_view key, uint32_t& out,
                             Alpha alpha) {
    const auto* text = node.as_string();
    if (node.is_integer()) {
        if (!ReadUnsigned(node, key, out)) {
            return false;
        }
    } else if (text == nullptr) {
        return Fail(node, key, "expected a colour \"#AARRGGBB\"");
    } else {
        std::string error;
        const std::optional<uint32_t> colour = ParseColour(text->get(), error);
        if (!colour) {
            return Fail(node, key, error);
        }
        out = *colour;
    }
    if (alpha == Alpha::Used && out != 0 && (out >> 24) == 0) {
        // FormatColour gives "#AARRGGBB" in quotes.
        const std::string digits = FormatColour(out).substr(2, 8);
        const std::string opaque = FormatColour(out | 0xFF000000u);
        const std::string written = text != nullptr ? "\"#" + digits + "\"" : "0x" + digits;
        diagnostics_.Warning(PositionOf(node),
                             "`" + std::string(key) + "`: " + written +
                                 " is fully transparent (its first byte, the alpha, is 00); "
                                 "for the opaque colour write " +
                                 (text != nullptr ? opaque : "0x" + opaque.substr(2, 8)) +
                                 " or \"#" + digits.substr(2) + "\"");
    }
    return true;
}

bool SourceTable::ReadText(const toml::node& node, std::string_view key, std::string& out) {
    if (const toml::node* hex = OnlyEntry(node, "hex")) {
        const auto* digits = hex->as_string();
        if (digits == nullptr) {
            return Fail(*hex, key, "expected a string of hex digits");
        }
        std::string error;
        std::optional<std::string> bytes = ParseHexText(digits->get(), error);
        if (!bytes) {
            return Fail(*hex, key, error);
        }
        out = std::move(*bytes);
        return true;
    }
    const auto* text = node.as_string();
    if (text == nullptr) {
        return Fail(node, key, "expected a string");
    }
    if (text->get().find('\0') != std::string::npos) {
        return Fail(node, key, "text cannot hold a zero character: it would end the text");
    }
    out = text->get();
    return true;
}

bool SourceTable::Int(std::string_view key, int32_t& out, bool required) {
    const toml::node* node = Take(key, required);
    return node != nullptr ? ReadInt(*node, key, out) : !required;
}

bool SourceTable::Float(std::string_view key, float& out, bool required) {
    const toml::node* node = Take(key, required);
    return node != nullptr ? ReadFloat(*node, key, out) : !required;
}

bool SourceTable::Time(std::string_view key, int32_t& out, bool required) {
    const toml::node* node = Take(key, required);
    return node != nullptr ? ReadTime(*node, key, out) : !required;
}

bool SourceTable::Colour(std::string_view key, uint32_t& out, Alpha alpha) {
    const toml::node* node = Take(key);
    return node == nullptr || ReadColour(*node, key, out, alpha);
}

bool SourceTable::Text(std::string_view key, std::string& out, bool required) {
    const toml::node* node = Take(key, required);
    return node != nullptr ? ReadText(*node, key, out) : !required;
}

bool SourceTable::Switch(std::string_view key, uint8_t& out, bool required) {
    const toml::node* node = Take(key, required);
    if (node == nullptr) {
        return !required;
    }
    if (const auto* flag = node->as_boolean()) {
        out = flag->get() ? 1 : 0;
        return true;
    }
    const auto* number = node->as_integer();
    if (number == nullptr || number->get() < 0 || number->get() > 255) {
        return Fail(*node, key, "expected true, false or a byte value 0..255");
    }
    out = static_cast<uint8_t>(number->get());
    return true;
}

bool SourceTable::Flags(std::string_view key, std::span<const NamedValue> names, uint32_t& out,
                        bool required) {
    const toml::node* node = Take(key, required);
    if (node == nullptr) {
        return !required;
    }
    auto readOne = [&](const toml::node& item, uint32_t& bits) {
        if (const auto* name = item.as_string()) {
            const std::optional<uint32_t> value = LookUpName(names, name->get());
            if (!value) {
                return Fail(item, key,
                            "unknown name \"" + name->get() + "\" (" + ListNames(names) + ")" +
                                SuggestName(name->get(), names));
            }
            bits |= *value;
            return true;
        }
        uint32_t number = 0;
        if (!ReadUnsigned(item, key, number)) {
            return false;
        }
        bits |= number;
        return true;
    };
    uint32_t bits = 0;
    bool valid = true;
    if (const toml::array* items = node->as_array()) {
        for (const toml::node& item : *items) {
            valid = readOne(item, bits) && valid;
        }
    } else {
        valid = readOne(*node, bits);
    }
    if (valid) {
        out = bits;
    }
    return valid;
}

bool SourceTable::Named(std::string_view key, std::span<const NamedValue> names,
                        std::string_view what, int32_t& out, bool required) {
    const toml::node* node = Take(key, required);
    if (node == nullptr) {
        return !required;
    }
    if (const auto* name = node->as_string()) {
        const std::optional<uint32_t> value = LookUpName(names, name->get());
        if (!value) {
            return Fail(*node, key,
                        "unknown " + std::string(what) + " \"" + name->get() + "\" (" +
                            ListNames(names, true) + ")" + SuggestName(name->get(), names));
        }
        out = static_cast<int32_t>(*value);
        return true;
    }
    return ReadInt(*node, key, out);
}

void SourceTable::ReportUnknownKeys(std::string_view where) {
    const std::vector<std::string_view> known(taken_.begin(), taken_.end());
    for (const auto& [key, node] : table_) {
        if (!taken_.contains(key.str())) {
            const std::string_view nearest = NearestName(key.str(), known);
            diagnostics_.Error(
                PositionOf(node),
                "unknown key `" + std::string(key.str()) + "` in " + std::string(where) +
                    (nearest.empty() ? "" : "; did you mean `" + std::string(nearest) + "`?"));
        }
    }
}

} // namespace quib
