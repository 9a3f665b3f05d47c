// Buffered accessor: read-ahead and write-behind arithmetic, bypass of large transfers, flush.
#include "vfs/BufferedAccessor.h"

#include "vfs/MemoryStream.h"
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace quib {
namespace {

using test::PatternBytes;

// A memory stream given a 4096-byte BufferedAccessor, with every raw transfer recorded.
class BufferedAccessorTest : public testing::Test {
protected:
    void SetUp() override {
        InstallBufferedAccessorFactory(4096, 4096);
        ASSERT_TRUE(OpenMemory(stream, data.data(), static_cast<uint32_t>(data.size()), 'w', 0));
        ReplaceAccessor(stream);
        accessor = dynamic_cast<BufferedAccessor*>(stream.accessor);
        ASSERT_NE(accessor, nullptr);
        stream.completion = [](Stream&, uint32_t count, uintptr_t value) {
            reinterpret_cast<std::vector<uint32_t>*>(value)->push_back(count);
        };
        stream.completionValue = reinterpret_cast<uintptr_t>(&raw);
    }
    void TearDown() override {
        CloseStream(stream);
        ResetStreamSettings();
    }

    std::vector<uint8_t> data = PatternBytes(40000);
    std::vector<uint8_t> original = data;
    MemoryStream stream;
    BufferedAccessor* accessor = nullptr;
    std::vector<uint32_t> raw; // byte counts of the raw transfers, in order
};

TEST_F(BufferedAccessorTest, SmallReadsFillTheBufferAndLargeReadsBypassIt) {
    uint8_t out[10000];
    ASSERT_EQ(accessor->read(out, 1), 1u);
    EXPECT_EQ(raw, (std::vector<uint32_t>{4096}));
    EXPECT_EQ(accessor->tell(), 1u);
    EXPECT_EQ(accessor->bufferedForReading(), 4095u);

    ASSERT_EQ(accessor->read(out, 5000), 5000u);
    EXPECT_EQ(0, std::memcmp(out, &original[1], 5000)) << "4095 buffered plus 905 of a new fill";
    EXPECT_EQ(raw, (std::vector<uint32_t>{4096, 4096}));
    EXPECT_EQ(accessor->tell(), 5001u);
    EXPECT_EQ(accessor->bufferedForReading(), 4096u - 905u);

    accessor->flush(true, false);
    EXPECT_EQ(stream.tellRaw(), 5001u) << "flush gives the read-ahead back";
    EXPECT_EQ(accessor->tell(), 5001u);
    ASSERT_EQ(accessor->read(out, 10000), 10000u);
    EXPECT_EQ(raw.back(), 10000u) << "a large read goes straight into the caller's memory";
    EXPECT_EQ(accessor->bufferedForReading(), 0u);
    EXPECT_EQ(0, std::memcmp(out, &original[5001], 10000));
}

TEST_F(BufferedAccessorTest, NoOpSeeksKeepTheReadAhead) {
    uint8_t out[8];
    ASSERT_EQ(accessor->read(out, 8), 8u);
    EXPECT_TRUE(Seek(stream, 0, 'c'));
    EXPECT_TRUE(Seek(stream, 8, 's'));
    EXPECT_EQ(accessor->bufferedForReading(), 4088u);
    EXPECT_EQ(raw.size(), 1u);
    EXPECT_TRUE(Seek(stream, 9, 's'));
    EXPECT_EQ(accessor->bufferedForReading(), 0u);
    ASSERT_EQ(accessor->read(out, 1), 1u);
    EXPECT_EQ(out[0], original[9]);
}

TEST_F(BufferedAccessorTest, WritesWaitUntilFlushedOrTooLarge) {
    const uint8_t bytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(accessor->write(bytes, 10), 10u);
    EXPECT_TRUE(raw.empty());
    EXPECT_EQ(accessor->tell(), 10u);
    EXPECT_EQ(stream.tellRaw(), 0u);
    accessor->flush(false, true);
    EXPECT_EQ(raw, (std::vector<uint32_t>{10}));
    EXPECT_EQ(0, std::memcmp(data.data(), bytes, 10));

    ASSERT_EQ(accessor->write(bytes, 4), 4u);
    const std::vector<uint8_t> big(5000, 0xEE);
    ASSERT_EQ(accessor->write(big.data(), 5000), 5000u);
    EXPECT_EQ(raw, (std::vector<uint32_t>{10, 4, 5000})) << "pending bytes first, then bypass";
    EXPECT_EQ(accessor->tell(), 5014u);
    EXPECT_EQ(data[14], 0xEE);
    EXPECT_EQ(data[5013], 0xEE);
    EXPECT_EQ(data[5014], original[5014]);
}

TEST_F(BufferedAccessorTest, WriteAfterReadLandsWhereTellSays) {
    uint8_t out[3];
    ASSERT_EQ(accessor->read(out, 3), 3u);
    ASSERT_EQ(accessor->write("XY", 2), 2u);
    EXPECT_EQ(accessor->tell(), 5u);
    accessor->flush(false, true);
    EXPECT_EQ(data[3], 'X');
    EXPECT_EQ(data[4], 'Y');
    EXPECT_EQ(data[4096], original[4096]) << "nothing written past the read-ahead";

    ASSERT_EQ(accessor->write("Z", 1), 1u);
    ASSERT_EQ(accessor->read(out, 1), 1u) << "a read writes out what waits first";
    EXPECT_EQ(data[5], 'Z');
    EXPECT_EQ(out[0], original[6]);
    EXPECT_EQ(accessor->tell(), 7u);
}

TEST_F(BufferedAccessorTest, AtEndOnlyOnceTheBufferIsConsumed) {
    ASSERT_TRUE(Seek(stream, -100, 'e'));
    uint8_t out[100];
    ASSERT_EQ(accessor->read(out, 10), 10u);
    EXPECT_TRUE(stream.atEnd()) << "the fill ran past the end of the block";
    EXPECT_FALSE(accessor->atEnd());
    ASSERT_EQ(accessor->read(out, 90), 90u);
    EXPECT_TRUE(accessor->atEnd());
    EXPECT_EQ(accessor->read(out, 1), 0u);
}

TEST_F(BufferedAccessorTest, ReplacingTheAccessorWritesOutAndGivesBack) {
    uint8_t out[2];
    ASSERT_EQ(accessor->read(out, 2), 2u);
    ASSERT_EQ(accessor->write("Q", 1), 1u);
    ResetStreamSettings();
    ReplaceAccessor(stream);
    EXPECT_EQ(dynamic_cast<BufferedAccessor*>(stream.accessor), nullptr);
    EXPECT_EQ(data[2], 'Q');
    EXPECT_EQ(stream.accessor->tell(), 3u);
}

TEST(StreamSize, AStreamThatCannotSeekReportsItsPosition) {
    uint8_t block[64] = {};
    MemoryStream stream;
    ASSERT_TRUE(OpenMemory(stream, block, sizeof(block), 'r', 0));
    uint8_t out[5];
    ASSERT_EQ(stream.accessor->read(out, 5), 5u);
    stream.capabilities = 0;
    EXPECT_EQ(stream.Stream::size(), 5u);
    EXPECT_FALSE(Seek(stream, 0, 's'));
    stream.capabilities = Stream::Seekable;
    EXPECT_EQ(stream.Stream::size(), 64u);
    EXPECT_EQ(stream.accessor->tell(), 5u);
}

} // namespace
} // namespace quib
