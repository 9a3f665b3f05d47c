// String primitives and number parsers.
#include "platform/StringPrimitives.h"

#include "platform/MemAllocator.h"
#include "platform/NumberParsers.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

TEST(StringPrimitives, CompareOrdersByLengthFirst) {
    EXPECT_LT(StrCompare("b", "aa"), 0);
    EXPECT_EQ(StrCompare("abc", "a"), 2);
    EXPECT_EQ(StrCompare("abc", "abc"), 0);
    EXPECT_EQ(StrCompare("abd", "abc"), 1);
    EXPECT_GT(StrCompare("\xff", "a"), 0) << "bytes compare unsigned";
    EXPECT_EQ(StrCompare(nullptr, ""), 0);
}

TEST(StringPrimitives, CompareNoCaseLooksAtExactlyCountBytes) {
    EXPECT_EQ(StrCompareNoCase(5, "MuSiC", "music"), 0);
    EXPECT_EQ(StrCompareNoCase(3, "abX", "ABz"), 'x' - 'z');
    EXPECT_EQ(StrCompareNoCase(4, "a\0b", "a\0c"), 'b' - 'c') << "zero bytes do not stop it";
    EXPECT_EQ(StrCompareNoCase(0, "a", "b"), 0);
    EXPECT_NE(StrCompareNoCase(1, "[", "{"), 0) << "only A to Z fold";
}

TEST(StringPrimitives, FoldingTouchesOnlyAToZ) {
    EXPECT_EQ(LowerAscii("@AZ[`az{\xC4\xE4"), "@az[`az{\xC4\xE4");
    EXPECT_TRUE(EqualIgnoringCase("Dir/Logo.PNG", "dir/logo.png"));
    EXPECT_FALSE(EqualIgnoringCase("\xC4", "\xE4")); // not ASCII: compared as is
    EXPECT_FALSE(EqualIgnoringCase("a", "a "));
    EXPECT_FALSE(EqualIgnoringCase("@", "`"));
}

TEST(StringPrimitives, BoundedCopyTakesTheSmallestBound) {
    char buffer[16];
    EXPECT_EQ(StrCopyBounded(buffer, 10, 3, "abcdef"), 3u);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(StrCopyBounded(buffer, 2, 10, "abcdef"), 2u);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(StrCopyBounded(buffer, 10, 10, "xy"), 2u);
    EXPECT_STREQ(buffer, "xy");

    char overlap[16] = "0123456789";
    EXPECT_EQ(StrCopyBounded(overlap + 2, 8, 8, overlap), 8u);
    EXPECT_STREQ(overlap, "0101234567");
}

TEST(StringPrimitives, DuplicateFillMoveLength) {
    const MemCounters before = MemGetCounters();
    char* copy = StrDuplicate("quib");
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "quib");
    EXPECT_EQ(MemBlockSize(copy), 5u);
    MemFree(copy);
    EXPECT_EQ(StrDuplicate(nullptr), nullptr);
    EXPECT_EQ(MemGetCounters().allocations - MemGetCounters().frees,
              before.allocations - before.frees);

    char bytes[8] = "abcdefg";
    MemMove(bytes + 1, bytes, 5);
    EXPECT_STREQ(bytes, "aabcdeg");
    MemFill(bytes, 'z', 3);
    EXPECT_STREQ(bytes, "zzzcdeg");
    EXPECT_EQ(StrLength(bytes), 7u);
    EXPECT_EQ(StrLength(nullptr), 0u);
}

TEST(NumberParsers, Decimal) {
    EXPECT_EQ(ParseDecimal("42"), 42);
    EXPECT_EQ(ParseDecimal("-17x"), -17);
    EXPECT_EQ(ParseDecimal("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ParseDecimal("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("-"), 0);
    EXPECT_EQ(ParseDecimal(" 5"), 0);
    EXPECT_EQ(ParseDecimal(nullptr), 0);
}

TEST(NumberParsers, Hex) {
    EXPECT_EQ(ParseHex("0x00A0B0C0"), 0x00A0B0C0u);
    EXPECT_EQ(ParseHex("0XffG"), 0xFFu);
    EXPECT_EQ(ParseHex("cbf43926"), 0xCBF43926u);
    EXPECT_EQ(ParseHex("0"), 0u);
    EXPECT_EQ(ParseHex("0x"), 0u);
    EXPECT_EQ(ParseHex("123456789"), 0x23456789u) << "low 32 bits";
    EXPECT_EQ(ParseHex(nullptr), 0u);
}

} // namespace
} // namespace quib
