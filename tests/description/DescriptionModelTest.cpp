// Round trips and refusals of the description writer and parser.
#include "description/DescriptionModel.h"

#include "description/DescriptionBytes.h"

#include <cstring>
#include <gtest/gtest.h>

namespace quib {
namespace {

using test::Bytes;

// One effect of every type with values that differ from the defaults.
DescriptionModel EveryEffectModel() {
    DescriptionModel m;
    m.header = {"Disk \xC3\xA9", 0, 1, 1.25f, 600};
    m.songs = {{"a.mod", "Alpha", 0, 0x20004}, {"b.ogg", "Beta", 1, 0}, {"c.xm", "", 0, 0}};
    m.textures = {"a.png", "B.PNG"};
    PageRecord intro;
    GroupRecord group;
    group.intervals = {{0, 44100}, {-5, 3}, {10, 2}};

    ImageEffectBlock image;
    image.x = -0.5f;
    image.fadeIn = 100;
    image.texture = 1;
    image.u = 0.25f;
    image.discardedSpanU = 0.5f;
    image.discardedSpanV = 0.25f;
    ButtonEffectBlock button;
    button.looks[2].texture = 7;
    button.looks[1].discardedSpanV = 3.0f;
    button.command = 7;
    button.commandArgument = 4;
    BouncingEQVisualizerBlock bouncing;
    bouncing.barGap = 0.1f;
    bouncing.linearBands = 2;
    AnimationEffectBlock animation;
    animation.listName = "anim/list.txt";
    animation.frameDuration = 735;
    SongNameEffectBlock songName;
    songName.fontFace = "Liberation Sans";
    songName.italic = 1;
    songName.topColour = 0x80FF0000u;
    SliderBarEffectBlock slider;
    slider.knobAspectWidth = 3;
    slider.knobSpanV = 0.5f;
    VerticalScrollerEffectBlock scroller;
    scroller.text = "line one\nline two";
    scroller.fontHeight = 18;
    scroller.eventFlag = 2;
    VerticalEQBarsVisualizerBlock bars;
    bars.colourRight = 0x12345678u;
    bars.clipLevel = 0.75f;
    PlasmaVisualizerBlock plasma;
    plasma.columns = 16;
    plasma.rows = 9;
    BeatFlowerVisualizerBlock flower;
    flower.alphaScales[2] = 12.0f;
    flower.layerColours[0] = 0xABCDEFu;
    ToggledImageEffectBlock toggled;
    toggled.eventFlag = 3;
    toggled.v = 0.75f;

    for (EffectBlock block :
         std::vector<EffectBlock>{image, button, bouncing, animation, songName, slider, scroller,
                                  bars, plasma, flower, toggled}) {
        group.effects.push_back({block});
    }
    intro.groups = {group, GroupRecord{}};
    m.pages = {intro, PageRecord{}};
    return m;
}

TEST(DescriptionModel, RecordIndexIsTypeId) {
    const DescriptionModel m = EveryEffectModel();
    const auto& effects = m.pages[0].groups[0].effects;
    ASSERT_EQ(effects.size(), 11u);
    for (int32_t t = 0; t < 11; ++t) {
        EXPECT_EQ(static_cast<int32_t>(effects[t].Type()), t) << EffectTypeName(t);
    }
    EXPECT_STREQ(EffectTypeName(10), "ToggledImageEffect");
    EXPECT_STREQ(EffectTypeName(11), "unknown");
}

TEST(DescriptionModel, EveryEffectTypeRoundTripsByteForByte) {
    const std::vector<uint8_t> bytes = WriteDescription(EveryEffectModel());
    const ParsedDescription parsed = ParseDescription(bytes);
    ASSERT_FALSE(parsed.error) << parsed.error->offset << ": " << parsed.error->expected;
    EXPECT_EQ(parsed.consumed, bytes.size());
    EXPECT_EQ(WriteDescription(parsed.model), bytes);

    const auto& effects = parsed.model.pages[0].groups[0].effects;
    EXPECT_EQ(std::get<ImageEffectBlock>(effects[0].block).discardedSpanU, 0.5f);
    EXPECT_EQ(std::get<ButtonEffectBlock>(effects[1].block).looks[2].texture, 7);
    EXPECT_EQ(std::get<BouncingEQVisualizerBlock>(effects[2].block).linearBands, 2);
    EXPECT_EQ(std::get<AnimationEffectBlock>(effects[3].block).listName, "anim/list.txt");
    EXPECT_EQ(std::get<VerticalScrollerEffectBlock>(effects[6].block).text, "line one\nline two");
    EXPECT_EQ(std::get<BeatFlowerVisualizerBlock>(effects[9].block).alphaScales[2], 12.0f);
    EXPECT_EQ(std::get<ToggledImageEffectBlock>(effects[10].block).eventFlag, 3);
    EXPECT_EQ(parsed.model.pages[0].groups[0].intervals[1].start, -5);
    EXPECT_EQ(parsed.model.pages[1].groups.size(), 0u);
}

// Block lengths on disk, type id excluded, for blocks without strings.
TEST(DescriptionModel, FixedBlocksHaveTheirDiskLengths) {
    const std::vector<std::pair<EffectBlock, size_t>> table = {
        {ImageEffectBlock{}, 44},
        {ButtonEffectBlock{}, 92},
        {BouncingEQVisualizerBlock{}, 58},
        {SliderBarEffectBlock{}, 48},
        {VerticalEQBarsVisualizerBlock{}, 62},
        {PlasmaVisualizerBlock{}, 50},
        {BeatFlowerVisualizerBlock{}, 102},
        {ToggledImageEffectBlock{}, 48},
    };
    DescriptionModel empty;
    empty.pages = {PageRecord{{GroupRecord{}}}};
    const size_t base = WriteDescription(empty).size();
    for (const auto& [block, length] : table) {
        DescriptionModel m = empty;
        m.pages[0].groups[0].effects.push_back({block});
        EXPECT_EQ(WriteDescription(m).size(), base + 4 + length)
            << EffectTypeName(static_cast<int32_t>(block.index()));
    }
}

TEST(DescriptionModel, HeaderVariantsRoundTrip) {
    const std::vector<DescriptionHeader> headers = {
        {"", 0, 0, 0.0f, 0},
        {"quib", 1, 0, 1.778f, 480},
        {"toggle", 0, 1, 1.3333334f, 768},
        {"raw flags", 0x7F, 0xFF, -2.0f, -1},
        {std::string(300, 'x'), 1, 1, 2.35f, 1080},
    };
    for (const DescriptionHeader& h : headers) {
        DescriptionModel m;
        m.header = h;
        const std::vector<uint8_t> bytes = WriteDescription(m);
        EXPECT_EQ(bytes.size(), h.title.size() + 1 + 1 + 1 + 4 + 4 + 12);
        const ParsedDescription parsed = ParseDescription(bytes);
        ASSERT_FALSE(parsed.error);
        EXPECT_EQ(parsed.model.header.title, h.title);
        EXPECT_EQ(parsed.model.header.windowed, h.windowed);
        EXPECT_EQ(parsed.model.header.allowToggle, h.allowToggle);
        EXPECT_EQ(parsed.model.header.aspect, h.aspect);
        EXPECT_EQ(parsed.model.header.windowHeight, h.windowHeight);
        EXPECT_EQ(WriteDescription(parsed.model), bytes);
    }
}

TEST(DescriptionModel, StreamSongsCarryNoFlags) {
    Bytes b;
    b.Header().I32(3);
    b.Str("s.ogg").Str("Stream").U8(1);              // stream: next song follows at once
    b.Str("m.it").Str("Module").U8(0).I32(0x800004); // module: four bytes of flags
    b.Str("s2.wav").Str("").U8(5);                   // any non-zero byte is a stream
    b.I32(0).I32(0);
    const ParsedDescription parsed = ParseDescription(b.data);
    ASSERT_FALSE(parsed.error) << parsed.error->expected;
    ASSERT_EQ(parsed.model.songs.size(), 3u);
    EXPECT_EQ(parsed.model.songs[0].fileName, "s.ogg");
    EXPECT_EQ(parsed.model.songs[0].bassFlags, 0u);
    EXPECT_EQ(parsed.model.songs[1].isStream, 0);
    EXPECT_EQ(parsed.model.songs[1].bassFlags, 0x800004u);
    EXPECT_EQ(parsed.model.songs[2].isStream, 5);
    EXPECT_EQ(WriteDescription(parsed.model), b.data);
}

TEST(DescriptionModel, NegativeCountsReadAsNoElements) {
    Bytes b;
    b.Header().I32(-1).I32(-7).I32(2);
    b.I32(-3);                       // page 0: no groups
    b.I32(1).I32(-2).I32(INT32_MIN); // page 1: one group, no intervals, no effects
    const ParsedDescription parsed = ParseDescription(b.data);
    ASSERT_FALSE(parsed.error) << parsed.error->expected;
    EXPECT_TRUE(parsed.model.songs.empty());
    EXPECT_TRUE(parsed.model.textures.empty());
    ASSERT_EQ(parsed.model.pages.size(), 2u);
    EXPECT_TRUE(parsed.model.pages[0].groups.empty());
    ASSERT_EQ(parsed.model.pages[1].groups.size(), 1u);
    EXPECT_TRUE(parsed.model.pages[1].groups[0].intervals.empty());
    EXPECT_TRUE(parsed.model.trailing.empty());
}

TEST(DescriptionModel, TrailingBytesAreKeptNotRead) {
    Bytes b;
    b.Header().I32(0).I32(0).I32(0).I32(99).U8(1).U8(2);
    const ParsedDescription parsed = ParseDescription(b.data);
    ASSERT_FALSE(parsed.error);
    EXPECT_EQ(parsed.consumed, b.data.size() - 6);
    EXPECT_EQ(parsed.model.trailing, (std::vector<uint8_t>{99, 0, 0, 0, 1, 2}));
    EXPECT_EQ(WriteDescription(parsed.model), b.data);
}

struct Refusal {
    const char* name;
    Bytes bytes;
    uint64_t offset;
    const char* expectedPart; // a piece of the explanation
};

TEST(DescriptionModel, DamagedDescriptionsAreRefusedWithOffset) {
    const auto header = [] { return Bytes().Header(); };
    const size_t h = header().data.size(); // 15
    std::vector<Refusal> table = {
        {"empty", Bytes(), 0, "the zero byte ending string title of the header"},
        {"title cut off", Bytes().U8('a').U8('b'), 2, "string starts at byte 0"},
        {"aspect cut off", Bytes().Str("t").U8(1).U8(1).U8(0).U8(0), 4, "float aspect"},
        {"no song count", header(), h, "int32 songCount"},
        {"song count too large", header().I32(1000), h,
         "songCount of the song list no larger than the remaining 0 bytes"},
        {"module flags cut off", header().I32(1).Str("m").Str("t").U8(0).U8(1), h + 9,
         "uint32 bassFlags of song 0"},
        {"texture name cut off", header().I32(0).I32(1).U8('x'), h + 9, "texture 0"},
        {"page count too large", header().I32(0).I32(0).I32(3).I32(0).I32(0), h + 8, "pageCount"},
        {"interval count too large", header().I32(0).I32(0).I32(1).I32(1).I32(2).I32(0).I32(5),
         h + 16, "int32 intervalCount of page 0, group 0"},
        {"type 11", header().OneEffect(11).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0), h + 24,
         "an effect type from 0 to 10 for page 0, group 0, effect 0, not 11"},
        {"type -1", header().OneEffect(-1).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0), h + 24,
         "not -1"},
        {"block cut off", header().OneEffect(0).F32(0).F32(0).F32(1).F32(1).I32(0).I32(0).I32(0),
         h + 56, "float u of page 0, group 0, effect 0 (ImageEffect)"},
    };
    for (const Refusal& r : table) {
        const ParsedDescription parsed = ParseDescription(r.bytes.data);
        ASSERT_TRUE(parsed.error) << r.name;
        EXPECT_EQ(parsed.error->offset, r.offset) << r.name << ": " << parsed.error->expected;
        EXPECT_NE(parsed.error->expected.find(r.expectedPart), std::string::npos)
            << r.name << ": " << parsed.error->expected;
    }
}

// Every proper prefix of a valid file is refused, at or before its end, never read past it.
TEST(DescriptionModel, EveryTruncationIsRefused) {
    const std::vector<uint8_t> bytes = WriteDescription(EveryEffectModel());
    for (size_t n = 0; n < bytes.size(); ++n) {
        const ParsedDescription parsed =
            ParseDescription(std::span<const uint8_t>(bytes.data(), n));
        ASSERT_TRUE(parsed.error) << "prefix of " << n << " bytes";
        EXPECT_LE(parsed.error->offset, n);
    }
}

} // namespace
} // namespace quib
