// Source to description to source to description: the bytes must come back identical.
#include "SourceCompiler.h"
#include "SourceValues.h"
#include "SourceWriter.h"
#include "authoring/DocumentedExample.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

std::vector<uint8_t> CompileToBytes(const std::string& text, std::string* messages = nullptr) {
    SourceDiagnostics diagnostics("dumped.toml");
    const CompiledDisk disk = CompileSource(text, "dumped.toml", diagnostics);
    if (messages != nullptr) {
        *messages = diagnostics.Format();
    }
    EXPECT_FALSE(diagnostics.HasErrors()) << diagnostics.Format() << "\n" << text;
    return WriteDescription(disk.model);
}

// Dumps the description and builds the dump; checks the bytes and that a second dump reads
// exactly like the first.
void ExpectRoundTrip(const std::vector<uint8_t>& bytes) {
    const ParsedDescription parsed = ParseDescription(bytes);
    ASSERT_FALSE(parsed.error.has_value()) << parsed.error->expected;
    const std::string source = WriteSource(parsed.model, "disk");
    std::string messages;
    const std::vector<uint8_t> rebuilt = CompileToBytes(source, &messages);
    EXPECT_EQ(messages, "");
    EXPECT_EQ(rebuilt, bytes) << source;
    const ParsedDescription again = ParseDescription(rebuilt);
    ASSERT_FALSE(again.error.has_value());
    EXPECT_EQ(WriteSource(again.model, "disk"), source);
}

TEST(SourceRoundTrip, FlagNamesComeBackWithTheirNumbers) {
    // The overlay comes first here and names "x" first; a dump writes the song's page first.
    const std::string source = R"(textures = ["a.png"]
[[overlay.groups]]
intervals = [[0, 1]]
[[overlay.groups.effects]]
type = "ToggledImageEffect"
texture = "a.png"
eventFlag = "x"
[[overlay.groups.effects]]
type = "ButtonEffect"
normal = { texture = "a.png" }
command = "raise"
commandArgument = "y"
[[songs]]
file = "a.mod"
[[songs.page.groups]]
intervals = [[0, 1]]
[[songs.page.groups.effects]]
type = "ToggledImageEffect"
texture = "a.png"
eventFlag = "y"
[[songs.page.groups.effects]]
type = "ButtonEffect"
normal = { texture = "a.png" }
command = "raise"
commandArgument = "x"
)";
    SourceDiagnostics diagnostics("disk.toml");
    const CompiledDisk disk = CompileSource(source, "disk.toml", diagnostics);
    ASSERT_FALSE(diagnostics.HasErrors()) << diagnostics.Format();
    EXPECT_EQ(disk.flagNames, (FlagNames{{0, "x"}, {1, "y"}}));
    const std::string dump = WriteSource(disk.model, "disk", {}, disk.flagNames);
    EXPECT_NE(dump.find("flags = { \"x\" = 0, \"y\" = 1 }"), std::string::npos) << dump;
    const CompiledDisk again = CompileSource(dump, "dump.toml", diagnostics);
    ASSERT_FALSE(diagnostics.HasErrors()) << diagnostics.Format();
    EXPECT_EQ(again.flagNames, disk.flagNames);
    EXPECT_EQ(WriteDescription(again.model), WriteDescription(disk.model));
}

TEST(SourceRoundTrip, TheDocumentedExampleCompilesAndComesBack) {
    SourceDiagnostics diagnostics("example.toml");
    const CompiledDisk disk = CompileSource(test::DocumentedExample(), "example.toml", diagnostics);
    ASSERT_FALSE(diagnostics.HasErrors()) << diagnostics.Format();
    std::vector<bool> typesUsed(kEffectTypeCount);
    for (const PageRecord& page : disk.model.pages) {
        for (const GroupRecord& group : page.groups) {
            for (const EffectRecord& effect : group.effects) {
                typesUsed[static_cast<size_t>(effect.Type())] = true;
            }
        }
    }
    EXPECT_EQ(std::count(typesUsed.begin(), typesUsed.end(), true), kEffectTypeCount);
    ExpectRoundTrip(WriteDescription(disk.model));
}

// A description that no source author would write: raw values in every place where the
// readable form could lose them.
DescriptionModel OddModel() {
    DescriptionModel model;
    model.header.title = "Caf\xE9 \"night\"\n\ttab";
    model.header.windowed = 7;
    model.header.allowToggle = 0;
    model.header.aspect = FloatFromBits(0x7FC00123u);
    model.header.windowHeight = -5;
    model.songs = {
        {"a.mod", "A", 0, 0x80000104u}, {"b\\sub.ogg", "\xFF\xFE", 1, 0}, {"c.xm", "", 0, 0}};
    model.textures = {"a.png", "A.PNG", "b.png", "\xE9.png", "", "b.PNG"};
    model.pages.resize(7);

    ImageEffectBlock image;
    image.x = -0.0f;
    image.y = std::numeric_limits<float>::infinity();
    image.fadeIn = 735;
    image.fadeOut = -1;
    image.texture = 3; // the texture whose name is not UTF-8
    image.discardedSpanU = 0.5f;
    image.discardedSpanV = std::numeric_limits<float>::denorm_min();
    ToggledImageEffectBlock toggled;
    toggled.texture = -1;
    toggled.eventFlag = -7;
    ButtonEffectBlock button;
    button.looks[0].texture = 1;
    button.looks[1].texture = 99;
    button.looks[2].discardedSpanU = -1.0f;
    button.command = 42;
    button.commandArgument = std::numeric_limits<int32_t>::min();
    SliderBarEffectBlock slider;
    slider.knobAspectWidth = 0;
    slider.command = -3;
    SongNameEffectBlock songName;
    songName.fontFace = "";
    songName.bold = 2;
    songName.scrollSpeed = 0;
    AnimationEffectBlock animation;
    animation.listName = "list\xA0.txt";
    animation.frameDuration = std::numeric_limits<int32_t>::max();
    VerticalScrollerEffectBlock scroller;
    scroller.text = "\r\nline\r\n\"\"\"end\\";
    scroller.textFormat = 0xFFFFFFFFu;
    scroller.textColour = 0x12345678u;
    VerticalEQBarsVisualizerBlock bars;
    bars.clipLevel = 0.0f;
    bars.bandFactor = 1e-30f;
    BouncingEQVisualizerBlock bouncing;
    bouncing.linearBands = 255;
    PlasmaVisualizerBlock plasma;
    plasma.columns = -1;
    BeatFlowerVisualizerBlock flower;
    flower.layerColours = {0, 0xFFFFFFFFu, 0x80000000u};
    flower.normalSpeeds = {-1.1f, 0.1f, FloatFromBits(0xFF800001u)};

    GroupRecord busy;
    busy.intervals = {{0, 0}, {10, -10}, {std::numeric_limits<int32_t>::min(), 441}};
    for (EffectBlock block :
         std::initializer_list<EffectBlock>{image, button, bouncing, animation, songName, slider,
                                            scroller, bars, plasma, flower, toggled}) {
        busy.effects.push_back({std::move(block)});
    }
    model.pages[0].groups = {busy, GroupRecord{}};
    model.pages[1].groups = {GroupRecord{{{1, 2}}, {}}};
    model.pages[3].groups = {busy};
    model.pages[6].groups = {busy};
    return model;
}

TEST(SourceRoundTrip, RawValuesSurviveTheReadableForm) {
    ExpectRoundTrip(WriteDescription(OddModel()));
}

TEST(SourceRoundTrip, PageCountsBelowAndAboveTheSongCount) {
    DescriptionModel model;
    model.songs = {{"a.mod", "A", 0, 0}, {"b.mod", "B", 0, 0}, {"c.mod", "C", 0, 0}};
    for (size_t pages : {0u, 1u, 2u, 3u, 5u, 6u, 9u}) {
        model.pages.assign(pages, PageRecord{});
        ExpectRoundTrip(WriteDescription(model));
    }
}

TEST(SourceRoundTrip, DumpsNameTexturesAsFilesWhereTheyCan) {
    DescriptionModel model;
    model.textures = {"bg.png", "BG.PNG", "knob.png"};
    ImageEffectBlock image;
    image.texture = 1;
    model.pages.resize(1);
    model.pages[0].groups.push_back({{}, {{image}}});
    const std::string source = WriteSource(model, "disk");
    EXPECT_NE(source.find("texture = \"knob.png\""), std::string::npos) << source;
    EXPECT_EQ(source.find("spanU"), std::string::npos) << source;
}

} // namespace
} // namespace quib
