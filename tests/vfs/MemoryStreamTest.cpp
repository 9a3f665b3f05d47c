// Memory streams: open modes, edges of the block, shared ownership and memory locators.
#include "vfs/MemoryStream.h"

#include "vfs/StreamAccessor.h"
#include "vfs/VfsTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace quib {
namespace {

using test::AllocationBalance;

class MemoryStreamTest : public testing::Test {
protected:
    void TearDown() override {
        CloseStream(stream);
        EXPECT_EQ(balance.outstanding(), 0) << "blocks left allocated";
    }

    MemoryStream stream; // before balance: its accessor lives as long as the fixture
    AllocationBalance balance;
    uint8_t block[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
};

TEST_F(MemoryStreamTest, IsAlwaysUnbufferedWithModeZero) {
    EXPECT_EQ(stream.mode, 0u);
    EXPECT_EQ(stream.capabilities, 6u);
    EXPECT_EQ(stream.kind(), 1u);
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(stream.tellRaw(), 0u);
}

TEST_F(MemoryStreamTest, ReadingExactlyToTheEndSetsTheFlagOnlyOnTheNextRead) {
    ASSERT_TRUE(OpenMemory(stream, block, 10, 'r', 0));
    uint8_t out[16];
    EXPECT_EQ(stream.accessor->read(out, 10), 10u);
    EXPECT_FALSE(stream.atEnd());
    EXPECT_EQ(stream.accessor->read(out, 1), 0u);
    EXPECT_TRUE(stream.atEnd());

    ASSERT_TRUE(Seek(stream, 0, 's'));
    EXPECT_FALSE(stream.atEnd());
    EXPECT_EQ(stream.accessor->read(out, 15), 10u);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_EQ(stream.accessor->write(out, 1), 0u) << "mode r is read-only";
}

TEST_F(MemoryStreamTest, SeeksStayInsideTheBlock) {
    ASSERT_TRUE(OpenMemory(stream, block, 10, 'r', 0));
    ASSERT_TRUE(stream.seekRaw(3, 's'));
    EXPECT_TRUE(stream.seekRaw(0, 'e'));
    EXPECT_TRUE(stream.atEnd());
    EXPECT_EQ(stream.tellRaw(), 10u);
    EXPECT_FALSE(stream.seekRaw(1, 'e'));
    EXPECT_FALSE(stream.seekRaw(-11, 'c'));
    EXPECT_FALSE(stream.seekRaw(INT64_MIN, 'c'));
    EXPECT_EQ(stream.tellRaw(), 10u);
    EXPECT_TRUE(stream.seekRaw(-4, 'e'));
    EXPECT_FALSE(stream.atEnd());
    EXPECT_FALSE(stream.seekRaw(0, 'x'));
}

TEST_F(MemoryStreamTest, WritesAreCutAtTheEndOfTheBlock) {
    ASSERT_TRUE(OpenMemory(stream, block, 10, 'w', 0));
    ASSERT_TRUE(Seek(stream, 8, 's'));
    const uint8_t five[5] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4};
    EXPECT_EQ(stream.accessor->write(five, 5), 2u);
    EXPECT_TRUE(stream.atEnd());
    EXPECT_EQ(block[7], 7);
    EXPECT_EQ(block[8], 0xA0);
    EXPECT_EQ(block[9], 0xA1);
    EXPECT_EQ(stream.size(), 10u);
}

TEST_F(MemoryStreamTest, OpenModesAndTheirRefusals) {
    EXPECT_FALSE(OpenMemory(stream, block, 10, 'c', 0)) << "c refuses an address";
    EXPECT_FALSE(OpenMemory(stream, nullptr, 0, 'c', 0)) << "c needs a size";
    EXPECT_FALSE(OpenMemory(stream, nullptr, 10, 'r', 0));
    EXPECT_FALSE(OpenMemory(stream, nullptr, 10, 'w', 0)) << "w allocates only with flag 8";
    EXPECT_FALSE(OpenMemory(stream, nullptr, 0, 'w', MemoryStream::AllocateBlock));
    EXPECT_FALSE(OpenMemory(stream, block, 10, 'a', 0));
    EXPECT_FALSE(stream.isOpen());

    ASSERT_TRUE(OpenMemory(stream, nullptr, 100, 'w', MemoryStream::AllocateBlock));
    EXPECT_EQ(stream.size(), 100u);
    EXPECT_EQ(stream.accessor->write("abc", 3), 3u);

    const MemCounters before = MemGetCounters();
    ASSERT_TRUE(OpenMemory(stream, nullptr, 100, 'c', 0));
    EXPECT_EQ(MemGetCounters().frees - before.frees, 1u) << "reopening freed the owned block";
    uint8_t zero[100];
    EXPECT_EQ(stream.accessor->read(zero, 100), 100u);
    EXPECT_EQ(zero[0], 0);
    EXPECT_EQ(zero[99], 0);

    ASSERT_TRUE(OpenMemoryReadOnly(stream, block, 4));
    EXPECT_EQ(stream.accessor->write("x", 1), 0u);
    EXPECT_FALSE(OpenMemoryReadOnly(stream, nullptr, 4));
}

TEST_F(MemoryStreamTest, MapRefusesRangesOutsideTheBlock) {
    EXPECT_EQ(stream.map(0, 1), nullptr) << "closed";
    ASSERT_TRUE(OpenMemory(stream, block, 10, 'r', 0));
    EXPECT_EQ(stream.map(2, 8), block + 2);
    EXPECT_EQ(stream.map(10, 0), block + 10);
    EXPECT_EQ(stream.map(2, 9), nullptr);
    EXPECT_EQ(stream.map(11, 0), nullptr);
    EXPECT_EQ(stream.map(UINT64_MAX, 2), nullptr);
}

TEST_F(MemoryStreamTest, OwnedBlockIsFreedOnceAfterTheLastCloneCloses) {
    void* owned = MemAllocate(64, MemZero);
    ASSERT_TRUE(OpenMemory(stream, owned, 64, 'w', MemoryStream::OwnBlock));
    Stream* first = stream.clone(0);
    Stream* second = first->clone(0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->mode, 0u);

    const MemCounters before = MemGetCounters();
    CloseStream(stream);
    CloseStream(*second);
    delete second;
    // Deleting a stream frees the object and its accessor; the block must still be there.
    EXPECT_EQ(MemGetCounters().frees - before.frees, 2u) << "the block went with a clone";
    EXPECT_EQ(first->accessor->write("still here", 10), 10u);
    EXPECT_EQ(0, std::memcmp(owned, "still here", 10));
    delete first; // the last stream: object, accessor, block and the shared count
    EXPECT_EQ(MemGetCounters().frees - before.frees, 6u);
}

TEST_F(MemoryStreamTest, BorrowedBlockIsNeverFreed) {
    ASSERT_TRUE(OpenMemory(stream, block, 10, 'w', 0));
    Stream* copy = stream.clone(0);
    ASSERT_NE(copy, nullptr);
    const MemCounters before = MemGetCounters();
    delete copy;
    CloseStream(stream);
    EXPECT_EQ(MemGetCounters().frees - before.frees, 2u) << "the clone and its accessor only";
    EXPECT_EQ(stream.clone(0), nullptr) << "a closed stream has nothing to clone";
}

struct LocatorCase {
    uintptr_t address;
    uint32_t size;
    const char* text;
};

TEST(MemoryLocator, FormatsAndParsesBothWays) {
    const LocatorCase cases[] = {
        {0x1000, 256, "zqmem://0x00001000:256"},
        {0xDEADBEEF, 0, "zqmem://0xDEADBEEF:0"},
        {0x7F12345678A0, 4096, "zqmem://0x00007F12345678A0:4096"},
        {UINTPTR_MAX, 0xFFFFFFFFu, "zqmem://0xFFFFFFFFFFFFFFFF:-1"},
    };
    for (const LocatorCase& c : cases) {
        char text[64];
        const uint32_t length =
            FormatMemoryLocator(text, sizeof(text), reinterpret_cast<void*>(c.address), c.size);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(length, std::strlen(c.text));
        void* address = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(ParseMemoryLocator(text, address, size)) << text;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(address), c.address) << text;
        EXPECT_EQ(size, c.size) << text;
    }
}

TEST(MemoryLocator, ParsesTheLooseFormsAndRefusesWithoutAColon) {
    const LocatorCase cases[] = {
        {0x1000, 256, "ZQMEM://0x1000:256"},
        {0xab, 16, "zqmem://0XaB:0x10"},
        {4096, 12, "zqmem://4096:12 trailing"},
        {0x12, 7, "zqmem://0x12zz:7"},
    };
    for (const LocatorCase& c : cases) {
        void* address = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(ParseMemoryLocator(c.text, address, size)) << c.text;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(address), c.address) << c.text;
        EXPECT_EQ(size, c.size) << c.text;
    }
    void* address = nullptr;
    uint32_t size = 0;
    EXPECT_FALSE(ParseMemoryLocator("zqmem://0x1000", address, size));
    EXPECT_FALSE(ParseMemoryLocator("file://a:b", address, size));
    EXPECT_FALSE(ParseMemoryLocator("zqmem:/", address, size));
}

TEST(MemoryLocator, OpensTheBlockItNames) {
    AllocationBalance balance;
    uint8_t data[256];
    for (int i = 0; i < 256; ++i) {
        data[i] = static_cast<uint8_t>(i);
    }
    char text[64];
    FormatMemoryLocator(text, sizeof(text), data, sizeof(data));
    void* address = nullptr;
    uint32_t size = 0;
    ASSERT_TRUE(ParseMemoryLocator(text, address, size));
    {
        MemoryStream stream;
        ASSERT_TRUE(OpenMemory(stream, address, size, 'r', 0));
        EXPECT_EQ(stream.size(), 256u);
        uint8_t back[256];
        EXPECT_EQ(stream.accessor->read(back, 256), 256u);
        EXPECT_EQ(0, std::memcmp(back, data, 256));
    }
    EXPECT_EQ(balance.outstanding(), 0);
}

} // namespace
} // namespace quib
