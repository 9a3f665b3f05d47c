// Where the source wrote each record and field of the description it compiled to, so that a
// finding about the description can point at the value that causes it.
#pragma once

#include "SourceDiagnostics.h"

#include <compare>
#include <cstdint>
#include <map>
#include <string>

namespace quib {

// A record of a description, and optionally one field of it: the header, a song, a texture (by
// the texture store's index), a page, a group of a page, an interval or an effect of a group.
struct DescriptionPlace {
    enum class Kind : uint8_t { Disk, Header, Song, Texture, Page };
    Kind kind = Kind::Disk;
    int32_t index = -1;    // the song, texture or page
    int32_t group = -1;    // a group of the page
    int32_t interval = -1; // an interval of the group
    int32_t effect = -1;   // an effect of the group
    std::string field;     // a key of the record ("fadeOut", "normal.texture"), or empty

    static DescriptionPlace Header() { return {Kind::Header}; }
    static DescriptionPlace Song(size_t n) { return {Kind::Song, static_cast<int32_t>(n)}; }
    static DescriptionPlace Texture(size_t n) { return {Kind::Texture, static_cast<int32_t>(n)}; }
    static DescriptionPlace Page(size_t n) { return {Kind::Page, static_cast<int32_t>(n)}; }
    DescriptionPlace Group(size_t n) const;
    DescriptionPlace Interval(size_t n) const;
    DescriptionPlace Effect(size_t n) const;
    DescriptionPlace Field(std::string key) const;

    auto operator<=>(const DescriptionPlace&) const = default;
};

class SourceMap {
public:
    void Note(const DescriptionPlace& place, SourcePosition position);
    // The position of the place; for one the source does not write (a field left at its
    // default) that of the nearest record around it; line 0 (the whole file) when none.
    SourcePosition Find(DescriptionPlace place) const;

private:
    std::map<DescriptionPlace, SourcePosition> positions_;
};

} // namespace quib
