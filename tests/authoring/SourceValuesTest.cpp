// The value kinds of the disk source: times, colours, floats, text and name tables.
#include "SourceValues.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <toml++/toml.h>

namespace quib {
namespace {

int32_t Clock(std::string_view text) {
    std::string error;
    const std::optional<int32_t> units = ParseClockTime(text, error);
    EXPECT_TRUE(units.has_value()) << text << ": " << error;
    return units.value_or(-12345);
}

TEST(SourceValues, ClockTimesConvertExactly) {
    EXPECT_EQ(Clock("0:12.5"), 551250);
    EXPECT_EQ(Clock("00:12.500"), 551250);
    EXPECT_EQ(Clock("1:02"), 62 * 44100);
    EXPECT_EQ(Clock("-0:01"), -44100);
    EXPECT_EQ(Clock("0:00.001"), 44);     // 44.1 units round down
    EXPECT_EQ(Clock("0:00.0005"), 22);    // 22.05 units
    EXPECT_EQ(Clock("0:00.00001134"), 1); // 0.50009 units rounds up
    EXPECT_EQ(Clock("810:00"), 810 * 60 * 44100);
}

TEST(SourceValues, MalformedClockTimesAreRefused) {
    for (std::string_view bad : {"12.5", "1:2", "1:60", "1:5x", "a:00", "1:00.", "1:00.5.5", ":00",
                                 "", "--1:00", "812:00"}) {
        std::string error;
        EXPECT_FALSE(ParseClockTime(bad, error).has_value()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(SourceValues, SecondsRoundToNearestUnitWithinRange) {
    std::string error;
    EXPECT_EQ(SecondsToUnits(12.5, error), 551250);
    EXPECT_EQ(SecondsToUnits(-0.5, error), -22050);
    EXPECT_EQ(SecondsToUnits(1.0 / 60.0, error), 735);
    EXPECT_EQ(SecondsToUnits(48695.0, error), 2147449500);
    EXPECT_FALSE(SecondsToUnits(48700.0, error).has_value());
    EXPECT_FALSE(SecondsToUnits(std::nan(""), error).has_value());
    EXPECT_FALSE(SecondsToUnits(-std::numeric_limits<double>::infinity(), error).has_value());
}

TEST(SourceValues, TimesAreWrittenAsSecondsOnlyWhenExact) {
    EXPECT_EQ(FormatTime(551250), "12.5");
    EXPECT_EQ(FormatTime(0), "0");
    EXPECT_EQ(FormatTime(44100 * 3), "3");
    EXPECT_EQ(FormatTime(441), "0.01");
    EXPECT_EQ(FormatTime(-22050), "-0.5");
    EXPECT_EQ(FormatTime(-441 * 105), "-1.05");
    EXPECT_EQ(FormatTime(735), "{ units = 735 }");
    EXPECT_EQ(FormatTime(std::numeric_limits<int32_t>::min()), "{ units = -2147483648 }");
    // Every exact form reads back as the same units.
    std::string error;
    for (int32_t units :
         {441, -441, 551250, 44100 * 600 + 441 * 99, 2147483647 - 2147483647 % 441}) {
        const std::string text = FormatTime(units);
        EXPECT_EQ(SecondsToUnits(std::strtod(text.c_str(), nullptr), error), units) << text;
    }
}

TEST(SourceValues, ColoursReadBothFormsAndWriteTheLongOne) {
    std::string error;
    EXPECT_EQ(ParseColour("#FF8040C0", error), 0xFF8040C0u);
    EXPECT_EQ(ParseColour("#00ffffff", error), 0x00FFFFFFu);
    EXPECT_EQ(ParseColour("#8040c0", error), 0xFF8040C0u);
    for (std::string_view bad : {"FF8040C0", "#FF8040C", "#GG8040C0", "#", "#12345"}) {
        EXPECT_FALSE(ParseColour(bad, error).has_value()) << bad;
    }
    EXPECT_EQ(FormatColour(0x00FFE0A0u), "\"#00FFE0A0\"");
}

float ReadBackAsToml(const std::string& text) {
    const toml::table table = toml::parse("v = " + text);
    const toml::node& node = *table.get("v");
    if (const auto* bits = node.as_table()) {
        return FloatFromBits(static_cast<uint32_t>((*bits)["bits"].value_or(int64_t{0})));
    }
    return static_cast<float>(node.value_or(0.0));
}

TEST(SourceValues, FloatsReadBackBitForBit) {
    const float values[] = {0.0f,
                            -0.0f,
                            1.0f,
                            0.1f,
                            1.778f,
                            16.0f / 9.0f,
                            0.0023419203f,
                            -1.1f,
                            1e-30f,
                            3.4e38f,
                            std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            FloatFromBits(0x7FC00001u),
                            FloatFromBits(0xFFC00000u)};
    for (float value : values) {
        const std::string text = FormatFloat(value);
        EXPECT_EQ(FloatBits(ReadBackAsToml(text)), FloatBits(value)) << text;
    }
    EXPECT_EQ(FormatFloat(1.0f), "1.0");
    EXPECT_EQ(FormatFloat(0.1f), "0.1");
    std::string error;
    EXPECT_FALSE(ToFloat(1e39, error).has_value());
    EXPECT_EQ(ToFloat(3.4028235e38, error), std::numeric_limits<float>::max());
    EXPECT_TRUE(ToFloat(std::numeric_limits<double>::infinity(), error).has_value());
}

TEST(SourceValues, TextThatIsNotUtf8IsWrittenAsHex) {
    EXPECT_EQ(FormatText("Caf\xC3\xA9"), "\"Caf\xC3\xA9\"");
    EXPECT_EQ(FormatText("Caf\xE9"), "{ hex = \"436166E9\" }");
    EXPECT_EQ(FormatText("a\"b\\c\td\x01"), "\"a\\\"b\\\\c\\td\\u0001\"");
    EXPECT_EQ(FormatText("one\r\ntwo"), "\"\"\"\none\\r\ntwo\"\"\"");
    EXPECT_EQ(FormatText("\xC0\x80"), "{ hex = \"C080\" }"); // an overlong zero is not UTF-8

    std::string error;
    EXPECT_EQ(ParseHexText("436166e9", error), "Caf\xE9");
    EXPECT_FALSE(ParseHexText("4361660", error).has_value());
    EXPECT_FALSE(ParseHexText("43zz", error).has_value());
    EXPECT_FALSE(ParseHexText("4300", error).has_value());
}

TEST(SourceValues, MultiLineTextReadsBackUnchanged) {
    for (std::string_view text :
         {"\nstarts with a break", "ends with quotes \"\"\"", "a\r\nb\n\nc\\", "tab\there"}) {
        const toml::table table = toml::parse("v = " + FormatText(text));
        EXPECT_EQ(table["v"].value_or(std::string()), text);
    }
}

TEST(SourceValues, NamesLookUpIgnoringCaseAndWriteTheirFirstSpelling) {
    EXPECT_EQ(LookUpName(CommandNames(), "PAUSE"), 1u);
    EXPECT_EQ(LookUpName(CommandNames(), "PauseResume"), 1u);
    EXPECT_EQ(LookUpName(CommandNames(), "exit"), 8u);
    EXPECT_FALSE(LookUpName(CommandNames(), "paws").has_value());
    EXPECT_EQ(NameOf(CommandNames(), 1), "pause");
    EXPECT_EQ(NameOf(CommandNames(), 9), "");
    EXPECT_EQ(ListNames(CommandNames(), true),
              "play, pause, stop, previous, next, select, volume, raise, exit");
    EXPECT_EQ(LookUpName(EffectTypeNames(), "beatflowervisualizer"), 9u);
    EXPECT_EQ(NameOf(EffectTypeNames(), 10), "ToggledImageEffect");
}

TEST(SourceValues, FlagsKeepBitsWithoutNamesAsANumber) {
    EXPECT_EQ(FormatFlags(ModuleFlagNames(), 0), "[]");
    EXPECT_EQ(FormatFlags(ModuleFlagNames(), 0x802000), "[\"ft2\", \"sinc\"]");
    EXPECT_EQ(FormatFlags(ModuleFlagNames(), 0x80000104), "[\"loop\", 0x80000100]");
    EXPECT_EQ(FormatFlags(TextFormatNames(), 0x811), "[\"center\", \"wordbreak\", \"noprefix\"]");
    EXPECT_EQ(LookUpName(TextFormatNames(), "left"), 0u);
}

} // namespace
} // namespace quib
