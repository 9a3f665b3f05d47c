// CRC-32 sink: the check value, its text, and agreement with a bitwise reference.
#include "platform/Crc32Sink.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace quib {
namespace {

// The definition, one bit at a time, independent of any table.
uint32_t BitwiseCrc32(const uint8_t* bytes, size_t count) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

TEST(Crc32Sink, CheckValueOfTheNineDigitsAndItsText) {
    Crc32Sink sink;
    sink.begin();
    sink.update(reinterpret_cast<const uint8_t*>("123456789"), 9);
    EXPECT_EQ(sink.finish(), 0xCBF43926u);
    EXPECT_EQ(sink.value(), 0xCBF43926u);
    char text[16];
    EXPECT_EQ(sink.format(text, sizeof(text)), 8u);
    EXPECT_STREQ(text, "cbf43926");
}

TEST(Crc32Sink, PiecewiseUpdatesMatchTheBitwiseDefinition) {
    std::vector<uint8_t> bytes(100003);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
    }
    Crc32Sink sink;
    sink.begin();
    size_t at = 0;
    for (size_t step = 0; at < bytes.size(); ++step) {
        const size_t n = std::min(bytes.size() - at, step % 5 == 0 ? size_t{0} : step * 37);
        sink.update(bytes.data() + at, static_cast<uint32_t>(n));
        at += n;
    }
    EXPECT_EQ(sink.finish(), BitwiseCrc32(bytes.data(), bytes.size()));

    sink.begin();
    EXPECT_EQ(sink.finish(), 0u) << "CRC-32 of nothing";
    char text[9];
    EXPECT_EQ(sink.format(text, sizeof(text)), 8u);
    EXPECT_STREQ(text, "00000000");
}

} // namespace
} // namespace quib
