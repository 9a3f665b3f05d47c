// Compiling disk sources: defaults, texture indices, event flag names, page slots and errors.
#include "SourceCompiler.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

struct Compiled {
    CompiledDisk disk;
    std::string messages;
    bool ok = false;
};

Compiled Compile(std::string_view text) {
    SourceDiagnostics diagnostics("disk.toml");
    Compiled result;
    result.disk = CompileSource(text, "some/folder/disk.toml", diagnostics);
    result.messages = diagnostics.Format();
    result.ok = !diagnostics.HasErrors();
    return result;
}

template <class Block>
const Block& EffectOf(const CompiledDisk& disk, size_t page, size_t group = 0, size_t effect = 0) {
    return std::get<Block>(disk.model.pages.at(page).groups.at(group).effects.at(effect).block);
}

TEST(SourceCompiler, AnEmptySourceGivesTheDocumentedHeader) {
    const Compiled result = Compile("");
    ASSERT_TRUE(result.ok) << result.messages;
    const DescriptionHeader& header = result.disk.model.header;
    EXPECT_EQ(result.disk.name, "disk");
    EXPECT_EQ(header.title, "quib");
    EXPECT_EQ(header.windowed, 1);
    EXPECT_EQ(header.allowToggle, 1);
    EXPECT_EQ(header.aspect, 16.0f / 9.0f);
    EXPECT_EQ(header.windowHeight, 480);
    EXPECT_TRUE(result.disk.model.songs.empty());
    EXPECT_TRUE(result.disk.model.pages.empty());
}

TEST(SourceCompiler, HeaderFieldsAndAspectRatios) {
    const Compiled result = Compile(R"(name = "demo"
title = "Demo"
windowed = false
allowToggle = 3
aspect = "4:3"
windowHeight = 600
)");
    ASSERT_TRUE(result.ok) << result.messages;
    EXPECT_EQ(result.disk.name, "demo");
    EXPECT_EQ(result.disk.model.header.windowed, 0);
    EXPECT_EQ(result.disk.model.header.allowToggle, 3);
    EXPECT_EQ(result.disk.model.header.aspect, 4.0f / 3.0f);
    EXPECT_EQ(result.disk.model.header.windowHeight, 600);
    EXPECT_EQ(Compile("aspect = 1.25").disk.model.header.aspect, 1.25f);
}

TEST(SourceCompiler, TexturesTakeTheStoreIndicesIgnoringCase) {
    const Compiled result = Compile(R"(textures = ["a.png", "A.PNG", "b.png"]
[overlay]
[[overlay.groups]]
[[overlay.groups.effects]]
type = "ImageEffect"
texture = "B.png"
[[overlay.groups.effects]]
type = "ImageEffect"
texture = "c.png"
[[overlay.groups.effects]]
type = "ImageEffect"
texture = "a.PNG"
[[overlay.groups.effects]]
type = 0
texture = 7
)");
    ASSERT_TRUE(result.ok) << result.messages;
    EXPECT_EQ(result.disk.model.textures,
              (std::vector<std::string>{"a.png", "A.PNG", "b.png", "c.png"}));
    EXPECT_EQ(EffectOf<ImageEffectBlock>(result.disk, 1, 0, 0).texture, 1);
    EXPECT_EQ(EffectOf<ImageEffectBlock>(result.disk, 1, 0, 1).texture, 2);
    EXPECT_EQ(EffectOf<ImageEffectBlock>(result.disk, 1, 0, 2).texture, 0);
    EXPECT_EQ(EffectOf<ImageEffectBlock>(result.disk, 1, 0, 3).texture, 7);
    ASSERT_EQ(result.disk.textures.size(), 4u);
    EXPECT_EQ(result.disk.textures[3].position.line, 9);
}

TEST(SourceCompiler, TexturesNamedByEffectsAreListedInSourceOrder) {
    // TOML tables keep no key order, so the overlay (first in the file) must still come first.
    const Compiled result = Compile(R"([[overlay.groups]]
effects = [{ type = "ImageEffect", texture = "first.png" }]
[[intro.groups]]
effects = [{ type = "ButtonEffect", command = "play", normal = { texture = "second.png" }, hover = { texture = "third.png" } }]
[[songs]]
file = "x.mod"
[[songs.page.groups]]
effects = [{ type = "SliderBarEffect", texture = "fourth.png" }]
)");
    ASSERT_TRUE(result.ok) << result.messages;
    EXPECT_EQ(result.disk.model.textures,
              (std::vector<std::string>{"first.png", "second.png", "third.png", "fourth.png"}));
    const auto& button = EffectOf<ButtonEffectBlock>(result.disk, 0);
    EXPECT_EQ(button.looks[0].texture, 1);
    EXPECT_EQ(button.looks[1].texture, 2);
    EXPECT_EQ(button.looks[2].texture, 0); // no pressed look: the record's default
    EXPECT_EQ(EffectOf<SliderBarEffectBlock>(result.disk, 2).texture, 3);
}

TEST(SourceCompiler, EventFlagNamesGetNumbersNoNumberedFlagUses) {
    const Compiled result = Compile(R"([[overlay.groups]]
[[overlay.groups.effects]]
type = "ButtonEffect"
normal = { texture = "b.png" }
command = "raise"
commandArgument = "credits"
[[overlay.groups.effects]]
type = "ToggledImageEffect"
texture = "p.png"
eventFlag = 0
[[overlay.groups.effects]]
type = "VerticalScrollerEffect"
text = "hello"
eventFlag = "credits"
[[overlay.groups.effects]]
type = "ToggledImageEffect"
texture = "q.png"
eventFlag = "about"
[[overlay.groups.effects]]
type = "ButtonEffect"
normal = { texture = "b.png" }
command = 7
commandArgument = 2
)");
    ASSERT_TRUE(result.ok) << result.messages;
    EXPECT_EQ(EffectOf<ButtonEffectBlock>(result.disk, 1, 0, 0).commandArgument, 1);
    EXPECT_EQ(EffectOf<VerticalScrollerEffectBlock>(result.disk, 1, 0, 2).eventFlag, 1);
    EXPECT_EQ(EffectOf<ToggledImageEffectBlock>(result.disk, 1, 0, 3).eventFlag, 3);
    EXPECT_EQ(EffectOf<ButtonEffectBlock>(result.disk, 1, 0, 4).command, 7);
}

TEST(SourceCompiler, PagesFillTheirSlotsAndMissingOnesAreEmpty) {
    const Compiled result = Compile(R"([[songs]]
file = "one.mod"
[[songs]]
file = "two.ogg"
[[songs.page.groups]]
intervals = [[0, 1]]
[overlay]
[[pages]]
[[pages.groups]]
)");
    ASSERT_TRUE(result.ok) << result.messages;
    const auto& pages = result.disk.model.pages;
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_TRUE(pages[0].groups.empty());
    EXPECT_TRUE(pages[2].groups.empty());
    ASSERT_EQ(pages[3].groups.size(), 1u);
    EXPECT_EQ(pages[3].groups[0].intervals[0].end, 44100);
    EXPECT_EQ(pages[4].groups.size(), 1u);

    EXPECT_EQ(Compile("[overlay]").disk.model.pages.size(), 2u);
    EXPECT_EQ(Compile("[intro]").disk.model.pages.size(), 1u);
}

TEST(SourceCompiler, SongsInferTheirKindAndReadModuleFlags) {
    const Compiled result = Compile(R"([[songs]]
file = "tune.XM"
moduleFlags = ["ft2", 0x800000, "LOOP"]
[[songs]]
file = "take.flac"
title = "Take"
[[songs]]
file = "odd.bin"
isStream = false
moduleFlags = 0x10000
)");
    ASSERT_TRUE(result.ok) << result.messages;
    const auto& songs = result.disk.model.songs;
    ASSERT_EQ(songs.size(), 3u);
    EXPECT_EQ(songs[0].isStream, 0);
    EXPECT_EQ(songs[0].bassFlags, 0x802004u);
    EXPECT_EQ(songs[0].title, "tune.XM");
    EXPECT_EQ(songs[1].isStream, 1);
    EXPECT_EQ(songs[1].title, "Take");
    EXPECT_EQ(songs[2].isStream, 0);
    EXPECT_EQ(songs[2].bassFlags, 0x10000u);
}

TEST(SourceCompiler, AnimationsRecordTheirFrameLists) {
    const Compiled result = Compile(R"([[intro.groups]]
[[intro.groups.effects]]
type = "AnimationEffect"
listName = "anim/list.txt"
frameDuration = "0:00.05"
frames = ["anim/a.png", "anim/b.png"]
[[intro.groups.effects]]
type = "AnimationEffect"
listName = "other.txt"
)");
    ASSERT_TRUE(result.ok) << result.messages;
    EXPECT_EQ(EffectOf<AnimationEffectBlock>(result.disk, 0).frameDuration, 2205);
    EXPECT_EQ(EffectOf<AnimationEffectBlock>(result.disk, 0, 0, 1).frameDuration, 1470);
    ASSERT_EQ(result.disk.animations.size(), 2u);
    ASSERT_TRUE(result.disk.animations[0].frames.has_value());
    EXPECT_EQ(result.disk.animations[0].frames->at(1).name, "anim/b.png");
    EXPECT_FALSE(result.disk.animations[1].frames.has_value());
    EXPECT_EQ(result.disk.animations[1].list.name, "other.txt");
}

// Each broken source gives one error at the expected place.
struct BrokenSource {
    const char* name;
    const char* text;
    int line;
    int column;
    const char* message;
};

const BrokenSource kBrokenSources[] = {
    {"TomlSyntax", "title = \"a\"\nwindowed = tru\n", 2, 15, "expected 'true'"},
    {"UnknownHeaderKey", "title = \"a\"\ntitel = \"b\"\n", 2, 9,
     "unknown key `titel` in the disk header; did you mean `title`?"},
    {"UnclosedString", "title = \"Caf\xC3\xA9\nwindowed = true\n", 1, 9,
     "string not closed before the end of the line: end it with \""},
    {"UnclosedLiteralAtTheEnd", "title = 'it\"s", 1, 9,
     "string not closed before the end of the file: end it with '"},
    {"UnquotedClockTime", "[[intro.groups]]\nintervals = [[0, 0:20]]\n", 2, 18,
     "a time such as 0:20 must be written in quotes: \"0:20\""},
    {"UnquotedNegativeClockTime", "[[intro.groups]]\nintervals = [[-0:01, 1]]\n", 2, 15,
     "a time such as -0:01 must be written in quotes: \"-0:01\""},
    {"UnquotedTimeOfDay", "[[intro.groups]]\nintervals = [[0, 01:02:03.5]]\n", 2, 18,
     "write minutes and seconds in quotes: \"62:03.5\""},
    {"MisspeltEffectKey",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"ImageEffect\"\ntexture = \"a.png\"\n"
     "fadein = 1\n",
     5, 10, "unknown key `fadein` in an ImageEffect; did you mean `fadeIn`?"},
    {"MisspeltToggledImageKey",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"ToggledImageEffect\"\n"
     "texture = \"a.png\"\nfadeOutt = 1\n",
     5, 12, "unknown key `fadeOutt` in a ToggledImageEffect; did you mean `fadeOut`?"},
    {"MisspeltTypeName", "[[intro.groups]]\neffects = [{ type = \"ImagEffect\" }]\n", 2, 21,
     "; did you mean \"ImageEffect\"?"},
    {"MisspeltModuleFlag", "[[songs]]\nfile = \"a.mod\"\nmoduleFlags = [\"sinq\"]\n", 3, 16,
     "unknown name \"sinq\" (loop, ramp, sensitive-ramp, ft2, pt1, no-interpolation, prescan, "
     "sinc); did you mean \"sinc\"?"},
    {"UnknownCommand",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"ButtonEffect\"\n"
     "normal = { texture = \"a.png\" }\ncommand = \"paws\"\n",
     5, 11, "unknown command \"paws\" (play, pause"},
    {"BadClockTime", "[[intro.groups]]\nintervals = [[0, \"1:75\"]]\n", 2, 18,
     "seconds must be below 60"},
    {"MissingTexture", "[[intro.groups]]\n\n[[intro.groups.effects]]\ntype = \"ImageEffect\"\n", 3,
     1, "missing `texture`"},
    {"TypeOutOfRange", "[[intro.groups]]\neffects = [{ type = 11 }]\n", 2, 21,
     "11 is not an effect type"},
    {"UnknownTypeName", "[[intro.groups]]\neffects = [{ type = \"Image\" }]\n", 2, 21,
     "unknown effect type \"Image\""},
    {"IntervalNotAPair", "[[intro.groups]]\nintervals = [[0, 1], [2]]\n", 2, 22,
     "each interval is a pair"},
    {"FlagsOnAStream", "[[songs]]\nfile = \"a.ogg\"\nmoduleFlags = [\"loop\"]\n", 3, 15,
     "a sampled stream has no module flags"},
    {"IntegerTooWide", "windowHeight = 4294967296\n", 1, 16, "does not fit in 32 bits"},
    {"FlagNumberTwice", "flags = { a = 1, b = 1 }\n", 1, 22,
     "`flags`: \"b\" and \"a\" have the same number"},
    {"FlagNumberOutOfRange", "flags = { a = 65536 }\n", 1, 15,
     "needs a flag number from 0 to 65535"},
    {"FlowerArrayTooShort",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"BeatFlowerVisualizer\"\n"
     "normalSpeeds = [1.0, 2.0]\n",
     4, 16, "expected an array of three values"},
    {"NameWithAFolder", "name = \"out/demo\"\n", 1, 8, "without folders"},
    {"SongWithoutFile", "[[songs]]\ntitle = \"x\"\n", 1, 1, "missing `file`"},
    {"FloatOutOfRange",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"ImageEffect\"\ntexture = 0\n"
     "x = 1e39\n",
     5, 5, "out of the range of a 32-bit float"},
    {"NameOnlyForRaise",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"ButtonEffect\"\n"
     "normal = { texture = \"a.png\" }\ncommand = \"select\"\ncommandArgument = \"two\"\n",
     6, 19, "only the command \"raise\" takes one"},
    {"UnknownLookKey",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"ButtonEffect\"\ncommand = 0\n"
     "normal = { texture = \"a.png\", u = 0.5 }\n",
     5, 35, "unknown key `u` in `normal`"},
    {"ColourMalformed",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"SongNameEffect\"\n"
     "topColour = \"#FFF\"\n",
     4, 13, "is not a colour"},
    {"FrameNameTooLong",
     "[[intro.groups]]\n[[intro.groups.effects]]\ntype = \"AnimationEffect\"\n"
     "listName = \"l.txt\"\nframes = [\"a.png\", "
     "\"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.png\"]\n",
     5, 20, "1 to 79 characters"},
    {"HexWithZero", "title = { hex = \"4100\" }\n", 1, 17, "zero byte"},
};

class BrokenSourceTest : public testing::TestWithParam<BrokenSource> {};

TEST_P(BrokenSourceTest, ErrorNamesFileLineAndColumn) {
    const BrokenSource& source = GetParam();
    const Compiled result = Compile(source.text);
    EXPECT_FALSE(result.ok);
    const std::string where = "disk.toml:" + std::to_string(source.line) + ":" +
                              std::to_string(source.column) + ": error: ";
    EXPECT_EQ(result.messages.rfind(where, 0), 0u) << result.messages;
    EXPECT_NE(result.messages.find(source.message), std::string::npos) << result.messages;
    EXPECT_EQ(std::count(result.messages.begin(), result.messages.end(), '\n'), 1)
        << result.messages;
}

INSTANTIATE_TEST_SUITE_P(SourceCompiler, BrokenSourceTest, testing::ValuesIn(kBrokenSources),
                         [](const auto& info) { return std::string(info.param.name); });

// Sources that compile, with the warnings they must give (or none).
struct WarnedSource {
    const char* name;
    const char* text;
    const char* warnings;
};

constexpr char kEffect[] = "[[intro.groups]]\n[[intro.groups.effects]]\n";

const WarnedSource kWarnedSources[] = {
    {"ColourNumberWithoutAlpha", "type = \"SongNameEffect\"\ntopColour = 0xFFFFFF\n",
     "disk.toml:4:13: warning: `topColour`: 0x00FFFFFF is fully transparent (its first byte, "
     "the alpha, is 00); for the opaque colour write 0xFFFFFFFF or \"#FFFFFF\"\n"},
    {"ColourStringWithoutAlpha", "type = \"BouncingEQVisualizer\"\nbottomColour = \"#00102030\"\n",
     "disk.toml:4:16: warning: `bottomColour`: \"#00102030\" is fully transparent (its first "
     "byte, the alpha, is 00); for the opaque colour write \"#FF102030\" or \"#102030\"\n"},
    {"OpaqueAndBlankColours",
     "type = \"VerticalEQBarsVisualizer\"\ncolourLeft = \"#102030\"\ncolourCentre = 0\n"
     "colourRight = \"#FFFFFF80\"\n",
     ""},
    {"ColoursWhoseAlphaIsNotDrawn",
     "type = \"VerticalScrollerEffect\"\ntext = \"x\"\ntextColour = 0xFFFFFF\n"
     "[[intro.groups.effects]]\ntype = \"BeatFlowerVisualizer\"\n"
     "layerColours = [\"#00FF6040\", 0x40FF60, \"#004060FF\"]\n",
     ""},
    {"FlagNameNearARaisedOne",
     "type = \"ButtonEffect\"\nnormal = { texture = \"b.png\" }\ncommand = \"raise\"\n"
     "commandArgument = \"credits\"\n[[intro.groups.effects]]\n"
     "type = \"VerticalScrollerEffect\"\ntext = \"x\"\neventFlag = \"credit\"\n",
     "disk.toml:10:13: warning: event flag \"credit\" is waited on but nothing raises it; did "
     "you mean \"credits\"?\n"},
    {"FlagNamesFarApart",
     "type = \"ButtonEffect\"\nnormal = { texture = \"b.png\" }\ncommand = \"raise\"\n"
     "commandArgument = \"about\"\n[[intro.groups.effects]]\n"
     "type = \"VerticalScrollerEffect\"\ntext = \"x\"\neventFlag = \"credits\"\n",
     ""},
};

class WarnedSourceTest : public testing::TestWithParam<WarnedSource> {};

TEST_P(WarnedSourceTest, WarnsWhereAndHowToMendIt) {
    const Compiled result = Compile(kEffect + std::string(GetParam().text));
    EXPECT_TRUE(result.ok) << result.messages;
    EXPECT_EQ(result.messages, GetParam().warnings);
}

INSTANTIATE_TEST_SUITE_P(SourceCompiler, WarnedSourceTest, testing::ValuesIn(kWarnedSources),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SourceCompiler, NearestNamesPreferCaseThenFewestEdits) {
    const std::vector<std::string_view> names = {"fadeIn", "fadeOut", "texture", "x", "width"};
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"fadein", "fadeIn"},
        {"FADEOUT", "fadeOut"},
        {"txeture", "texture"},
        {"textur", "texture"},
        {"widht", "width"},
        {"fade", "fadeIn"},
        {"X", "x"},
        {"y", ""},
        {"xy", ""},
        {"colour", ""},
    };
    for (const auto& [word, nearest] : cases) {
        EXPECT_EQ(NearestName(word, names), nearest) << word;
    }
}

TEST(SourceCompiler, EveryErrorOfASourceIsReported) {
    const Compiled result = Compile(R"(titel = "x"
[[intro.groups]]
intervals = [["0:61", 1]]
[[intro.groups.effects]]
type = "ImageEffect"
)");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.messages.find("disk.toml:3:15:"), std::string::npos) << result.messages;
    EXPECT_NE(result.messages.find("disk.toml:4:1: error: missing `texture`"), std::string::npos)
        << result.messages;
    EXPECT_NE(result.messages.find("disk.toml:1:9: error: unknown key `titel`"), std::string::npos)
        << result.messages;
}

} // namespace
} // namespace quib
