// Stream helpers: line reading, peeking, value layout and strings.
#include "vfs/StreamHelpers.h"

#include "vfs/MemoryStream.h"
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quib {
namespace {

using test::AllocationBalance;

// A read-only memory stream over text, with or without a buffered accessor.
class TextStream {
public:
    TextStream(const std::string& text, bool buffered) : bytes(text) {
        if (buffered) {
            InstallBufferedAccessorFactory(4096, 4096);
        }
        EXPECT_TRUE(OpenMemory(stream, bytes.data(), static_cast<uint32_t>(bytes.size()), 'r', 0));
        ReplaceAccessor(stream);
        ResetStreamSettings();
    }

    std::string bytes;
    MemoryStream stream;
};

struct LineCase {
    const char* name;
    std::string text;
    std::vector<std::pair<int32_t, std::string>> lines; // result and buffer of each call
};

class ReadLineTest : public testing::TestWithParam<bool> {};

TEST_P(ReadLineTest, LineEndsLengthsAndTheEnd) {
    const std::string hundred(100, 'x');
    const LineCase cases[] = {
        {"crlf then unterminated", "ab\r\ncd", {{2, "ab"}, {-1, "cd"}, {-2, ""}, {-2, ""}}},
        {"lone cr", "ab\rcd", {{2, "ab"}, {-1, "cd"}, {-2, ""}}},
        {"lf and cr cr", "a\n\r\rb\n", {{1, "a"}, {0, ""}, {0, ""}, {1, "b"}, {-2, ""}}},
        {"empty last line", "ab\n\n", {{2, "ab"}, {0, ""}, {-2, ""}}},
        {"long line",
         hundred + "\nz",
         {{-1, std::string(79, 'x')}, {21, std::string(21, 'x')}, {-1, "z"}, {-2, ""}}},
        {"exactly 79", std::string(79, 'y') + "\n", {{-1, std::string(79, 'y')}, {0, ""}}},
        {"empty", "", {{-2, ""}}},
    };
    for (const LineCase& c : cases) {
        TextStream text(c.text, GetParam());
        for (size_t i = 0; i < c.lines.size(); ++i) {
            char buffer[ReadLineBufferSize];
            std::memset(buffer, '#', sizeof(buffer));
            EXPECT_EQ(ReadLine(text.stream, buffer), c.lines[i].first) << c.name << " call " << i;
            EXPECT_EQ(std::string(buffer), c.lines[i].second) << c.name << " call " << i;
        }
    }
}

TEST_P(ReadLineTest, LoneCarriageReturnLeavesTheNextByte) {
    TextStream text("ab\rcd", GetParam());
    char buffer[ReadLineBufferSize];
    ASSERT_EQ(ReadLine(text.stream, buffer), 2);
    char next = 0;
    ASSERT_EQ(text.stream.accessor->read(&next, 1), 1u);
    EXPECT_EQ(next, 'c');
}

TEST_P(ReadLineTest, PeekGivesTheBytesBack) {
    TextStream text("WXYZ!", GetParam());
    uint32_t value = 0;
    EXPECT_EQ(PeekU32(text.stream, &value), 4u);
    EXPECT_EQ(value, 0x5A595857u);
    EXPECT_EQ(text.stream.accessor->tell(), 0u);
    char first = 0;
    ASSERT_EQ(text.stream.accessor->read(&first, 1), 1u);
    EXPECT_EQ(first, 'W');

    TextStream two("PK", GetParam());
    uint8_t bytes[4] = {};
    EXPECT_EQ(PeekU32(two.stream, bytes), 2u);
    EXPECT_EQ(two.stream.accessor->tell(), 0u);
    EXPECT_EQ(bytes[1], 'K');
}

INSTANTIATE_TEST_SUITE_P(Accessors, ReadLineTest, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Buffered" : "Unbuffered";
                         });

TEST(StreamValues, WritersLayValuesOutLittleEndian) {
    uint8_t block[24] = {};
    MemoryStream stream;
    ASSERT_TRUE(OpenMemory(stream, block, sizeof(block), 'w', 0));
    EXPECT_TRUE(WriteU8(stream, 0xA1));
    EXPECT_TRUE(WriteBool(stream, true));
    EXPECT_TRUE(WriteU16(stream, 0xB2C3));
    EXPECT_TRUE(WriteU32(stream, 0xD4E5F607u));
    EXPECT_TRUE(WriteI32(stream, -2));
    EXPECT_TRUE(WriteF32(stream, -0.5f));
    EXPECT_TRUE(WriteU64(stream, 0x1122334455667788ull));
    EXPECT_FALSE(WriteU8(stream, 1)) << "the block is full";
    const uint8_t expected[24] = {0xA1, 0x01, 0xC3, 0xB2, 0x07, 0xF6, 0xE5, 0xD4,
                                  0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xBF,
                                  0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(0, std::memcmp(block, expected, sizeof(expected)));

    ASSERT_TRUE(Seek(stream, 1, 's'));
    bool flag = false;
    EXPECT_TRUE(ReadBool(stream, flag));
    EXPECT_TRUE(flag);
    uint64_t cut = 7;
    ASSERT_TRUE(Seek(stream, 17, 's'));
    EXPECT_FALSE(ReadU64(stream, cut)) << "only seven bytes remain";
    EXPECT_EQ(cut, 7u) << "a short read leaves the value alone";
}

TEST(StreamStrings, ReadStringTakesExactlyTheBytesUpToTheZero) {
    AllocationBalance balance;
    const std::string longText(300, 'L');
    std::string bytes = std::string("", 1) + longText + std::string("\0tail", 5);
    {
        TextStream text(bytes, true);
        char* empty = ReadString(text.stream);
        ASSERT_NE(empty, nullptr);
        EXPECT_STREQ(empty, "");
        EXPECT_EQ(MemBlockSize(empty), 1u);
        char* grown = ReadString(text.stream);
        ASSERT_NE(grown, nullptr);
        EXPECT_EQ(std::string(grown), longText);
        EXPECT_EQ(MemBlockSize(grown), 301u);
        EXPECT_EQ(ReadString(text.stream), nullptr) << "tail has no terminating zero";
        EXPECT_EQ(ReadString(text.stream), nullptr) << "nothing left";
        MemFree(empty);
        MemFree(grown);
    }
    EXPECT_EQ(balance.outstanding(), 0);
}

} // namespace
} // namespace quib
