// Typed reading of one TOML table of the disk source: each field by its value kind, with errors
// that point at the offending value, and a report of the keys that nobody asked for.
#pragma once

#include "SourceDiagnostics.h"
#include "SourceValues.h"

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <toml++/toml.h>

namespace quib {

SourcePosition PositionOf(const toml::node& node);

class SourceTable {
public:
    SourceTable(const toml::table& table, SourceDiagnostics& diagnostics);

    const toml::table& Table() const { return table_; }
    SourcePosition Position() const { return PositionOf(table_); }
    SourceDiagnostics& Diagnostics() { return diagnostics_; }

    // The node of a key (marking the key as known), or null when the key is absent; a required
    // key that is absent is reported.
    const toml::node* Take(std::string_view key, bool required = false);

    // Each reads a key into `out` when it is present and valid, and leaves `out` as it is (the
    // default) when the key is absent. Returns false when the key was present but invalid, or
    // required and absent; the problem has then been reported.
    bool Int(std::string_view key, int32_t& out, bool required = false);
    bool Float(std::string_view key, float& out, bool required = false);
    bool Time(std::string_view key, int32_t& out, bool required = false);
    bool Colour(std::string_view key, uint32_t& out, Alpha alpha = Alpha::Used);
    bool Switch(std::string_view key, uint8_t& out, bool required = false);
    bool Text(std::string_view key, std::string& out, bool required = false);
    bool Flags(std::string_view key, std::span<const NamedValue> names, uint32_t& out,
               bool required = false);
    // A name of the table or a number.
    bool Named(std::string_view key, std::span<const NamedValue> names, std::string_view what,
               int32_t& out, bool required = false);

    // Node readers for values inside arrays and inline tables; `key` names the value in errors.
    bool ReadInt(const toml::node& node, std::string_view key, int32_t& out);
    bool ReadFloat(const toml::node& node, std::string_view key, float& out);
    bool ReadTime(const toml::node& node, std::string_view key, int32_t& out);
    // Warns of a colour whose alpha is 00 while its other bytes are not: drawn fully
    // transparent, which the author hardly meant.
    bool ReadColour(const toml::node& node, std::string_view key, uint32_t& out,
                    Alpha alpha = Alpha::Used);
    bool ReadText(const toml::node& node, std::string_view key, std::string& out);

    // Reports every key of the table that no reader took, as an error: a misspelt key would
    // otherwise be dropped without a word.
    void ReportUnknownKeys(std::string_view where);

private:
    bool Fail(const toml::node& node, std::string_view key, const std::string& message);
    // The single value of an inline table { name = ... }, or null when the node is not exactly
    // that.
    const toml::node* OnlyEntry(const toml::node& node, std::string_view name);
    bool ReadUnsigned(const toml::node& node, std::string_view key, uint32_t& out);

    const toml::table& table_;
    SourceDiagnostics& diagnostics_;
    std::set<std::string, std::less<>> taken_;
};

} // namespace quib
