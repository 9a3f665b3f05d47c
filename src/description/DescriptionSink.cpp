// Receives a disk description as it is read in file order; the one walk over its layout.
#include "description/DescriptionSink.h"

namespace quib {
namespace {

// Smallest sizes of the records a count announces: two empty strings and a flag; an empty
// string; an empty page; an empty group; two int32; a type id and the common head.
constexpr uint64_t kMinSong = 3;
constexpr uint64_t kMinTextureName = 1;
constexpr uint64_t kMinPage = 4;
constexpr uint64_t kMinGroup = 8;
constexpr uint64_t kInterval = 8;
constexpr uint64_t kMinEffect = 4 + 24;

std::string Numbered(const std::string& prefix, const char* what, int32_t index) {
    return prefix + what + " " + std::to_string(index);
}

bool ReadGroup(DescriptionReader& reader, DescriptionSink& sink, const std::string& where) {
    reader.SetPlace(where);
    const int32_t intervalCount = reader.Count("intervalCount", kInterval);
    for (int32_t i = 0; i < intervalCount; ++i) {
        reader.SetPlace(Numbered(where + ", ", "interval", i));
        IntervalRecord interval;
        reader.Int32(interval.start, "start");
        reader.Int32(interval.end, "end");
        if (reader.Failed() || !sink.Interval(interval, reader)) {
            return false;
        }
    }
    reader.SetPlace(where);
    const int32_t effectCount = reader.Count("effectCount", kMinEffect);
    for (int32_t e = 0; e < effectCount; ++e) {
        const std::string effectPlace = Numbered(where + ", ", "effect", e);
        reader.SetPlace(effectPlace);
        const uint64_t typeOffset = reader.Offset();
        int32_t type = -1;
        reader.Int32(type, "type");
        if (reader.Failed()) {
            return false;
        }
        if (type < 0 || type >= kEffectTypeCount) {
            reader.Fail(typeOffset, "an effect type from 0 to 10 for " + effectPlace + ", not " +
                                        std::to_string(type));
            return false;
        }
        reader.SetPlace(effectPlace + " (" + EffectTypeName(type) + ")");
        if (!sink.Effect(static_cast<EffectType>(type), reader) || reader.Failed()) {
            return false;
        }
    }
    return !reader.Failed();
}

} // namespace

bool ReadDescription(DescriptionReader& reader, DescriptionSink& sink) {
    reader.SetPlace("the header");
    DescriptionHeader header;
    reader.String(header.title, "title");
    reader.Flag(header.windowed, "windowed");
    reader.Flag(header.allowToggle, "allowToggle");
    reader.Float(header.aspect, "aspect");
    reader.Int32(header.windowHeight, "windowHeight");
    if (reader.Failed() || !sink.Header(header, reader)) {
        return false;
    }

    reader.SetPlace("the song list");
    const int32_t songCount = reader.Count("songCount", kMinSong);
    for (int32_t s = 0; s < songCount; ++s) {
        reader.SetPlace(Numbered("", "song", s));
        SongRecord song;
        reader.String(song.fileName, "fileName");
        reader.String(song.title, "title");
        reader.Flag(song.isStream, "isStream");
        if (song.isStream == 0) {
            reader.UInt32(song.bassFlags, "bassFlags");
        }
        if (reader.Failed() || !sink.Song(song, reader)) {
            return false;
        }
    }

    reader.SetPlace("the texture list");
    const int32_t textureCount = reader.Count("textureCount", kMinTextureName);
    for (int32_t t = 0; t < textureCount; ++t) {
        reader.SetPlace(Numbered("", "texture", t));
        std::string name;
        reader.String(name, "name");
        if (reader.Failed() || !sink.Texture(name, reader)) {
            return false;
        }
    }

    reader.SetPlace("the page list");
    const int32_t pageCount = reader.Count("pageCount", kMinPage);
    for (int32_t p = 0; p < pageCount; ++p) {
        const std::string pagePlace = Numbered("", "page", p);
        reader.SetPlace(pagePlace);
        if (!sink.Page(reader)) {
            return false;
        }
        const int32_t groupCount = reader.Count("groupCount", kMinGroup);
        for (int32_t g = 0; g < groupCount; ++g) {
            if (!sink.Group(reader) ||
                !ReadGroup(reader, sink, Numbered(pagePlace + ", ", "group", g))) {
                return false;
            }
        }
        if (reader.Failed()) {
            return false;
        }
    }
    reader.SetPlace("");
    return !reader.Failed();
}

} // namespace quib
