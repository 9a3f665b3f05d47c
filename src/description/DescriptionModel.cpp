// The disk description "musicdisk.cfg" as plain records, its writer and its standalone parser.
//
// Sections: block field lists (shared by reading and writing); reading blocks; writing;
// parsing.
#include "description/DescriptionModel.h"

#include "description/DescriptionSink.h"
#include "description/MemoryDescriptionReader.h"

#include <concepts>
#include <cstring>
#include <type_traits>
#include <utility>

namespace quib {

const char* EffectTypeName(int32_t type) {
    static constexpr const char* kNames[kEffectTypeCount] = {"ImageEffect",
                                                             "ButtonEffect",
                                                             "BouncingEQVisualizer",
                                                             "AnimationEffect",
                                                             "SongNameEffect",
                                                             "SliderBarEffect",
                                                             "VerticalScrollerEffect",
                                                             "VerticalEQBarsVisualizer",
                                                             "PlasmaVisualizer",
                                                             "BeatFlowerVisualizer",
                                                             "ToggledImageEffect"};
    return type >= 0 && type < kEffectTypeCount ? kNames[type] : "unknown";
}

namespace {

// ---- Block field lists ---------------------------------------------------------------------
// One list per block level, in file order, run by the reader (mutable records) and by the
// writer (const records): reading and writing cannot drift apart.

template <class B, class T>
concept Level = std::same_as<std::remove_const_t<B>, T>;

template <class Io, Level<EffectHead> B>
void OwnFields(Io& io, B& b) {
    io.Float(b.x, "x");
    io.Float(b.y, "y");
    io.Float(b.width, "width");
    io.Float(b.height, "height");
    io.Int32(b.fadeIn, "fadeIn");
    io.Int32(b.fadeOut, "fadeOut");
}

template <class Io, Level<ImageEffectBlock> B>
void OwnFields(Io& io, B& b) {
    io.Int32(b.texture, "texture");
    io.Float(b.u, "u");
    io.Float(b.v, "v");
    io.Float(b.discardedSpanU, "spanU");
    io.Float(b.discardedSpanV, "spanV");
}

template <class Io, Level<ToggledImageEffectBlock> B>
void OwnFields(Io& io, B& b) {
    io.Int32(b.eventFlag, "eventFlag");
}

template <class Io, Level<ButtonEffectBlock> B>
void OwnFields(Io& io, B& b) {
    for (auto& look : b.looks) {
        io.Int32(look.texture, "texture");
        io.Float(look.stateU, "stateU");
        io.Float(look.stateV, "stateV");
        io.Float(look.discardedSpanU, "stateSpanU");
        io.Float(look.discardedSpanV, "stateSpanV");
    }
    io.Int32(b.command, "command");
    io.Int32(b.commandArgument, "commandArgument");
}

template <class Io, Level<SliderBarEffectBlock> B>
void OwnFields(Io& io, B& b) {
    io.Int32(b.texture, "texture");
    io.Int32(b.knobAspectWidth, "knobAspectWidth");
    io.Int32(b.knobAspectHeight, "knobAspectHeight");
    io.Int32(b.command, "command");
    io.Float(b.knobSpanU, "knobSpanU");
    io.Float(b.knobSpanV, "knobSpanV");
}

template <class Io, Level<SongNameEffectBlock> B>
void OwnFields(Io& io, B& b) {
    io.String(b.fontFace, "fontFace");
    io.Flag(b.bold, "bold");
    io.Flag(b.italic, "italic");
    io.Flag(b.strikeOut, "strikeOut");
    io.Flag(b.underline, "underline");
    io.Int32(b.scrollSpeed, "scrollSpeed");
    io.UInt32(b.bottomColour, "bottomColour");
    io.UInt32(b.topColour, "topColour");
}

template <class Io, Level<AnimationEffectBlock> B>
void OwnFields(Io& io, B& b) {
    io.String(b.listName, "listName");
    io.Int32(b.frameDuration, "frameDuration");
}

template <class Io, Level<VerticalScrollerEffectBlock> B>
void OwnFields(Io& io, B& b) {
    io.String(b.text, "text");
    io.String(b.fontFace, "fontFace");
    io.Int32(b.fontHeight, "fontHeight");
    io.Flag(b.bold, "bold");
    io.Flag(b.italic, "italic");
    io.Flag(b.strikeOut, "strikeOut");
    io.Flag(b.underline, "underline");
    io.UInt32(b.textColour, "textColour");
    io.UInt32(b.textFormat, "textFormat");
    io.Int32(b.scrollSpeed, "scrollSpeed");
    io.Int32(b.eventFlag, "eventFlag");
}

template <class Io, Level<VisualizerHead> B>
void OwnFields(Io& io, B& b) {
    io.Int32(b.beatBandCount, "beatBandCount");
    io.Int32(b.bandCount, "bandCount");
    io.Float(b.bandFactor, "bandFactor");
    io.Flag(b.linearBands, "linearBands");
    io.Flag(b.normalise, "normalise");
    io.Float(b.clipLevel, "clipLevel");
}

template <class Io, Level<VerticalEQBarsVisualizerBlock> B>
void OwnFields(Io& io, B& b) {
    io.Float(b.decaySeconds, "decaySeconds");
    io.UInt32(b.colourLeft, "colourLeft");
    io.UInt32(b.colourCentre, "colourCentre");
    io.UInt32(b.colourRight, "colourRight");
    io.Float(b.barWidth, "barWidth");
}

template <class Io, Level<BouncingEQVisualizerBlock> B>
void OwnFields(Io& io, B& b) {
    io.Float(b.decaySeconds, "decaySeconds");
    io.UInt32(b.bottomColour, "bottomColour");
    io.UInt32(b.topColour, "topColour");
    io.Float(b.barGap, "barGap");
}

template <class Io, Level<PlasmaVisualizerBlock> B>
void OwnFields(Io& io, B& b) {
    io.Int32(b.columns, "columns");
    io.Int32(b.rows, "rows");
}

template <class Io, Level<BeatFlowerVisualizerBlock> B>
void OwnFields(Io& io, B& b) {
    for (size_t f = 0; f < 3; ++f) {
        io.UInt32(b.layerColours[f], "layerColours");
        io.Float(b.normalSpeeds[f], "normalSpeeds");
        io.Float(b.beatSpeeds[f], "beatSpeeds");
        io.Float(b.alphaOffsets[f], "alphaOffsets");
        io.Float(b.alphaScales[f], "alphaScales");
    }
}

// The base level T of a record B, as const as B is.
template <class T, class B>
auto& AsLevel(B& b) {
    if constexpr (std::is_const_v<B>) {
        return static_cast<const T&>(b);
    } else {
        return static_cast<T&>(b);
    }
}

// A whole block: its levels from the common head down.
template <class Io, class B>
void BlockFields(Io& io, B& b) {
    using Plain = std::remove_const_t<B>;
    OwnFields(io, AsLevel<EffectHead>(b));
    if constexpr (std::is_base_of_v<VisualizerHead, Plain>) {
        OwnFields(io, AsLevel<VisualizerHead>(b));
    }
    if constexpr (std::is_same_v<Plain, ToggledImageEffectBlock>) {
        OwnFields(io, AsLevel<ImageEffectBlock>(b));
    }
    OwnFields(io, b);
}

template <size_t... I>
EffectBlock DefaultBlock(size_t index, std::index_sequence<I...>) {
    EffectBlock block;
    ((index == I ? (block.template emplace<I>(), 0) : 0), ...);
    return block;
}

// ---- Writing -------------------------------------------------------------------------------

class ByteWriter {
public:
    void Int32(const int32_t& value, const char*) { Word(static_cast<uint32_t>(value)); }
    void UInt32(const uint32_t& value, const char*) { Word(value); }
    void Float(const float& value, const char*) {
        uint32_t word = 0;
        std::memcpy(&word, &value, 4);
        Word(word);
    }
    void Flag(const uint8_t& value, const char*) { bytes.push_back(value); }
    void String(const std::string& value, const char*) {
        bytes.insert(bytes.end(), value.begin(), value.end());
        bytes.push_back(0);
    }
    void Count(size_t count) { Word(static_cast<uint32_t>(count)); }

    std::vector<uint8_t> bytes;

private:
    void Word(uint32_t word) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<uint8_t>(word >> (8 * i)));
        }
    }
};

// ---- Parsing -------------------------------------------------------------------------------

class ModelSink final : public DescriptionSink {
public:
    explicit ModelSink(DescriptionModel& model) : model(model) {}

    bool Header(const DescriptionHeader& header, DescriptionReader&) override {
        model.header = header;
        return true;
    }
    bool Song(const SongRecord& song, DescriptionReader&) override {
        model.songs.push_back(song);
        return true;
    }
    bool Texture(const std::string& name, DescriptionReader&) override {
        model.textures.push_back(name);
        return true;
    }
    bool Page(DescriptionReader&) override {
        model.pages.emplace_back();
        return true;
    }
    bool Group(DescriptionReader&) override {
        model.pages.back().groups.emplace_back();
        return true;
    }
    bool Interval(const IntervalRecord& interval, DescriptionReader&) override {
        model.pages.back().groups.back().intervals.push_back(interval);
        return true;
    }
    bool Effect(EffectType type, DescriptionReader& reader) override {
        model.pages.back().groups.back().effects.push_back({ReadEffectBlock(reader, type)});
        return true;
    }

private:
    DescriptionModel& model;
};

} // namespace

void ReadOwnFields(DescriptionReader& r, EffectHead& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, ImageEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, ToggledImageEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, ButtonEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, SliderBarEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, SongNameEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, AnimationEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, VerticalScrollerEffectBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, VisualizerHead& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, VerticalEQBarsVisualizerBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, BouncingEQVisualizerBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, PlasmaVisualizerBlock& b) {
    OwnFields(r, b);
}
void ReadOwnFields(DescriptionReader& r, BeatFlowerVisualizerBlock& b) {
    OwnFields(r, b);
}

EffectBlock ReadEffectBlock(DescriptionReader& reader, EffectType type) {
    EffectBlock block = DefaultBlock(static_cast<size_t>(type),
                                     std::make_index_sequence<std::variant_size_v<EffectBlock>>{});
    std::visit([&](auto& b) { BlockFields(reader, b); }, block);
    return block;
}

std::vector<uint8_t> WriteEffectBlock(const EffectBlock& block) {
    ByteWriter w;
    std::visit([&](const auto& b) { BlockFields(w, b); }, block);
    return std::move(w.bytes);
}

std::vector<uint8_t> WriteDescription(const DescriptionModel& model) {
    ByteWriter w;
    const DescriptionHeader& h = model.header;
    w.String(h.title, "title");
    w.Flag(h.windowed, "windowed");
    w.Flag(h.allowToggle, "allowToggle");
    w.Float(h.aspect, "aspect");
    w.Int32(h.windowHeight, "windowHeight");
    w.Count(model.songs.size());
    for (const SongRecord& song : model.songs) {
        w.String(song.fileName, "fileName");
        w.String(song.title, "title");
        w.Flag(song.isStream, "isStream");
        if (song.isStream == 0) {
            w.UInt32(song.bassFlags, "bassFlags");
        }
    }
    w.Count(model.textures.size());
    for (const std::string& name : model.textures) {
        w.String(name, "name");
    }
    w.Count(model.pages.size());
    for (const PageRecord& page : model.pages) {
        w.Count(page.groups.size());
        for (const GroupRecord& group : page.groups) {
            w.Count(group.intervals.size());
            for (const IntervalRecord& interval : group.intervals) {
                w.Int32(interval.start, "start");
                w.Int32(interval.end, "end");
            }
            w.Count(group.effects.size());
            for (const EffectRecord& effect : group.effects) {
                w.Int32(static_cast<int32_t>(effect.Type()), "type");
                std::visit([&](const auto& b) { BlockFields(w, b); }, effect.block);
            }
        }
    }
    w.bytes.insert(w.bytes.end(), model.trailing.begin(), model.trailing.end());
    return std::move(w.bytes);
}

ParsedDescription ParseDescription(std::span<const uint8_t> bytes) {
    ParsedDescription result;
    MemoryDescriptionReader reader(bytes);
    ModelSink sink(result.model);
    if (!ReadDescription(reader, sink)) {
        result.error = reader.Error();
        return result;
    }
    result.consumed = reader.Offset();
    const auto rest = reader.Rest();
    result.model.trailing.assign(rest.begin(), rest.end());
    return result;
}

} // namespace quib
