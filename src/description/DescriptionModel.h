// The disk description "musicdisk.cfg" as plain records, its writer and its standalone parser.
//
// Sections: effect type ids; parameter blocks (one record per effect class, fields named and
// ordered as on disk); the description (header, songs, textures, pages, groups, intervals,
// effects); writing and parsing.
//
// Block records default to the values a freshly constructed effect of the class holds, so
// authoring tools and the effects themselves share one set of defaults. Flags keep their raw
// byte (any non-zero value is true) and the floats that the player reads and discards keep
// their values, so every file that parses writes back byte for byte (negative counts, which
// read as no elements, are the one exception: they are written back as 0).
#pragma once

#include "description/DescriptionReader.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace quib {

// Type id of an effect record: which effect class reads the parameter block that follows.
enum class EffectType : int32_t {
    Image = 0,
    Button = 1,
    BouncingEQ = 2,
    Animation = 3,
    SongName = 4,
    SliderBar = 5,
    VerticalScroller = 6,
    VerticalEQBars = 7,
    Plasma = 8,
    BeatFlower = 9,
    ToggledImage = 10,
};
inline constexpr int32_t kEffectTypeCount = 11;

// Class name of a type id ("ImageEffect", ...); "unknown" outside 0..10.
const char* EffectTypeName(int32_t type);

// ---- Parameter blocks ----------------------------------------------------------------------

// The 24 bytes every parameter block begins with.
struct EffectHead {
    float x = -1.0f;
    float y = 1.0f;
    float width = 2.0f;
    float height = 2.0f;
    int32_t fadeIn = 0;
    int32_t fadeOut = 0;
};

struct ImageEffectBlock : EffectHead {
    int32_t texture = 0;
    float u = 0.0f;
    float v = 0.0f;
    float discardedSpanU = 1.0f; // read and ignored by the player
    float discardedSpanV = 1.0f;
};

struct ToggledImageEffectBlock : ImageEffectBlock {
    int32_t eventFlag = -1;
};

// One of a button's three looks: normal, hover, pressed.
struct ButtonLook {
    int32_t texture = 0;
    float stateU = 0.0f;
    float stateV = 0.0f;
    float discardedSpanU = 1.0f;
    float discardedSpanV = 1.0f;
};

struct ButtonEffectBlock : EffectHead {
    std::array<ButtonLook, 3> looks{};
    int32_t command = 0;
    int32_t commandArgument = -1;
};

struct SliderBarEffectBlock : EffectHead {
    int32_t texture = 0;
    int32_t knobAspectWidth = 1;
    int32_t knobAspectHeight = 1;
    int32_t command = 6;
    float knobSpanU = 1.0f;
    float knobSpanV = 1.0f;
};

struct SongNameEffectBlock : EffectHead {
    std::string fontFace = "Arial";
    uint8_t bold = 0;
    uint8_t italic = 0;
    uint8_t strikeOut = 0;
    uint8_t underline = 0;
    int32_t scrollSpeed = 367;
    uint32_t bottomColour = 0xFFFFFFFFu;
    uint32_t topColour = 0xFFFFFFFFu;
};

struct AnimationEffectBlock : EffectHead {
    std::string listName;
    int32_t frameDuration = 1470;
};

struct VerticalScrollerEffectBlock : EffectHead {
    std::string text;
    std::string fontFace = "Arial";
    int32_t fontHeight = 24;
    uint8_t bold = 0;
    uint8_t italic = 0;
    uint8_t strikeOut = 0;
    uint8_t underline = 0;
    uint32_t textColour = 0x00FFFFFFu;
    uint32_t textFormat = 1;
    int32_t scrollSpeed = 735;
    int32_t eventFlag = -1;
};

// The 42 bytes every visualizer block begins with; band counts default per class.
struct VisualizerHead : EffectHead {
    int32_t beatBandCount = 0;
    int32_t bandCount = 0;
    float bandFactor = 1.0f;
    uint8_t linearBands = 0;
    uint8_t normalise = 0;
    float clipLevel = 1.0f;
};

struct VerticalEQBarsVisualizerBlock : VisualizerHead {
    VerticalEQBarsVisualizerBlock() { bandCount = 64; }
    float decaySeconds = 1.0f;
    uint32_t colourLeft = 0xFFFF0000u;
    uint32_t colourCentre = 0xFFFFFFFFu;
    uint32_t colourRight = 0xFF7F7F00u;
    float barWidth = 0.04f;
};

struct BouncingEQVisualizerBlock : VisualizerHead {
    BouncingEQVisualizerBlock() { bandCount = 6; }
    float decaySeconds = 1.0f;
    uint32_t bottomColour = 0xFFFFFFFFu;
    uint32_t topColour = 0xFFFFFFFFu;
    float barGap = 0.0023419203f;
};

struct PlasmaVisualizerBlock : VisualizerHead {
    PlasmaVisualizerBlock() { beatBandCount = 6; }
    int32_t columns = 32;
    int32_t rows = 32;
};

// On disk the three flowers are three records of 20 bytes, flower 0 first.
struct BeatFlowerVisualizerBlock : VisualizerHead {
    BeatFlowerVisualizerBlock() {
        beatBandCount = 6;
        bandCount = 18;
        normalise = 1;
    }
    std::array<uint32_t, 3> layerColours{0xFF3F3Fu, 0x3FFF3Fu, 0x3F3FFFu};
    std::array<float, 3> normalSpeeds{1.0f, 1.1f, 1.2f};
    std::array<float, 3> beatSpeeds{4.0f, 4.4f, 4.8f};
    std::array<float, 3> alphaOffsets{0.0f, 0.0f, 0.0f};
    std::array<float, 3> alphaScales{255.0f, 255.0f, 255.0f};
};

// Alternatives in type-id order: the index of the alternative is the record's type id.
using EffectBlock =
    std::variant<ImageEffectBlock, ButtonEffectBlock, BouncingEQVisualizerBlock,
                 AnimationEffectBlock, SongNameEffectBlock, SliderBarEffectBlock,
                 VerticalScrollerEffectBlock, VerticalEQBarsVisualizerBlock, PlasmaVisualizerBlock,
                 BeatFlowerVisualizerBlock, ToggledImageEffectBlock>;
static_assert(std::variant_size_v<EffectBlock> == kEffectTypeCount);

// Reading one block level: each reads the fields its record adds to its base record, nothing
// of the base. Effects read their blocks with these; the parser reads whole records with them.
void ReadOwnFields(DescriptionReader& reader, EffectHead& block);
void ReadOwnFields(DescriptionReader& reader, ImageEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, ToggledImageEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, ButtonEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, SliderBarEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, SongNameEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, AnimationEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, VerticalScrollerEffectBlock& block);
void ReadOwnFields(DescriptionReader& reader, VisualizerHead& block);
void ReadOwnFields(DescriptionReader& reader, VerticalEQBarsVisualizerBlock& block);
void ReadOwnFields(DescriptionReader& reader, BouncingEQVisualizerBlock& block);
void ReadOwnFields(DescriptionReader& reader, PlasmaVisualizerBlock& block);
void ReadOwnFields(DescriptionReader& reader, BeatFlowerVisualizerBlock& block);

// Reads a whole parameter block of the given type (head included) into a new record.
EffectBlock ReadEffectBlock(DescriptionReader& reader, EffectType type);
// The bytes of a whole parameter block (head included, type id not).
std::vector<uint8_t> WriteEffectBlock(const EffectBlock& block);

// ---- The description -----------------------------------------------------------------------

// The description's entry name inside a disk's archive.
inline constexpr char kDescriptionEntry[] = "musicdisk.cfg";

struct DescriptionHeader {
    std::string title = "quib";
    uint8_t windowed = 1;
    uint8_t allowToggle = 0;
    float aspect = 1.778f;
    int32_t windowHeight = 480;
};

// A header whose windowHeight by aspect comes to less than a pixel gives the window no area;
// such a window opens at this size instead.
inline constexpr int32_t kFallbackWindowWidth = 640;
inline constexpr int32_t kFallbackWindowHeight = 480;
inline bool WindowHasArea(int32_t windowHeight, float aspect) {
    return windowHeight > 0 && static_cast<float>(windowHeight) * aspect >= 1.0f;
}

struct SongRecord {
    std::string fileName;
    std::string title;
    uint8_t isStream = 0;
    uint32_t bassFlags = 0; // on disk only for modules (isStream zero)
};

struct IntervalRecord {
    int32_t start = 0;
    int32_t end = 0;
};

struct EffectRecord {
    EffectBlock block;
    EffectType Type() const { return static_cast<EffectType>(block.index()); }
};

struct GroupRecord {
    std::vector<IntervalRecord> intervals;
    std::vector<EffectRecord> effects;
};

struct PageRecord {
    std::vector<GroupRecord> groups;
};

struct DescriptionModel {
    DescriptionHeader header;
    std::vector<SongRecord> songs;
    std::vector<std::string> textures;
    std::vector<PageRecord> pages; // 0 intro, 1 overlay, 2 + n the page of song n
    std::vector<uint8_t> trailing; // bytes after the last page; the player never reads them
};

// ---- Writing and parsing -------------------------------------------------------------------

// The file bytes of a description: the exact inverse of the parser.
std::vector<uint8_t> WriteDescription(const DescriptionModel& model);

struct ParsedDescription {
    DescriptionModel model; // as far as it was read
    std::optional<DescriptionError> error;
    uint64_t consumed = 0; // bytes up to the end of the last page
};

// Parses a whole description held in memory. Fails, with the offset and what was expected,
// when the data ends early, a string has no terminating zero, a count is larger than the
// remaining bytes can hold, or an effect type is outside 0..10. Bytes after the last page are
// kept in the model's trailing bytes.
ParsedDescription ParseDescription(std::span<const uint8_t> bytes);

} // namespace quib
