// Byte strings decode as UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise.
#include "platform/TextDecoding.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

struct DecodingCase {
    const char* name;
    std::string bytes;
    bool utf8;
    std::u32string text;
};

class TextDecodingTest : public testing::TestWithParam<DecodingCase> {};

TEST_P(TextDecodingTest, DecodesAsUtf8OnlyWhenWellFormed) {
    const DecodingCase& c = GetParam();
    EXPECT_EQ(IsValidUtf8(c.bytes), c.utf8);
    EXPECT_EQ(DecodeText(c.bytes), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, TextDecodingTest,
    testing::Values(DecodingCase{"Empty", "", true, U""},
                    DecodingCase{"Ascii", "Song 1", true, U"Song 1"},
                    DecodingCase{"Utf8TwoBytes", "Caf\xC3\xA9", true, U"Caf\u00E9"},
                    DecodingCase{"Utf8ThreeBytes", "\xE2\x82\xAC 5", true, U"\u20AC 5"},
                    DecodingCase{"Utf8FourBytes", "\xF0\x9F\x8E\xB5", true, U"\U0001F3B5"},
                    DecodingCase{"Cp1252Accent", "Caf\xE9", false, U"Caf\u00E9"},
                    DecodingCase{"Cp1252HighPunctuation", "\x80\x93\x99\x9F", false,
                                 U"\u20AC\u201C\u2122\u0178"},
                    DecodingCase{"Cp1252UnassignedBytesStayC1", "\x81\x8D\x8F\x90\x9D", false,
                                 U"\u0081\u008D\u008F\u0090\u009D"},
                    DecodingCase{"OverlongIsNotUtf8", "\xC0\xAF", false, U"\u00C0\u00AF"},
                    DecodingCase{"SurrogateIsNotUtf8", "\xED\xA0\x80", false,
                                 U"\u00ED\u00A0\u20AC"},
                    DecodingCase{"BeyondUnicodeIsNotUtf8", "\xF4\x90\x80\x80", false,
                                 U"\u00F4\u0090\u20AC\u20AC"},
                    DecodingCase{"TruncatedSequenceIsNotUtf8", "ab\xC3", false, U"ab\u00C3"},
                    DecodingCase{"StrayContinuationIsNotUtf8", "\xA9 2024", false, U"\u00A9 2024"}),
    [](const testing::TestParamInfo<DecodingCase>& info) { return info.param.name; });

// Names for libraries that want UTF-8 (font faces): Windows-1252 bytes are re-encoded.
TEST(TextDecoding, ReencodesWindows1252AsUtf8) {
    EXPECT_EQ(DecodeTextToUtf8("Caf\xE9 \x80\x99"), "Caf\xC3\xA9 \xE2\x82\xAC\xE2\x84\xA2");
    EXPECT_EQ(DecodeTextToUtf8("Caf\xC3\xA9"), "Caf\xC3\xA9");
}

} // namespace
} // namespace quib
