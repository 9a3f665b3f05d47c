// Filter chains: attaching, detaching, enabling, the close sequence and the codec filter.
#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"
#include "vfs/CodecFilter.h"
#include "vfs/MemoryStream.h"
#include "vfs/StreamFilter.h"
#include "vfs/VfsTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace quib {
namespace {

using test::AllocationBalance;
using test::PatternBytes;

// Flips bits with a key in both directions, and records its hooks.
class XorFilter : public StreamFilter {
public:
    explicit XorFilter(uint8_t key, bool refuseAttach = false)
        : key(key), refuseAttach(refuseAttach) {}
    ~XorFilter() override {
        if (host != nullptr) {
            DetachFilter(*this, *host);
        }
    }

    bool onAttachRead() override {
        ++attachedRead;
        return !refuseAttach;
    }
    bool onAttachWrite() override {
        ++attachedWrite;
        return !refuseAttach;
    }
    bool onDetachRead() override {
        ++detachedRead;
        return true;
    }
    bool onDetachWrite() override {
        ++detachedWrite;
        return true;
    }
    uint32_t read(void* buffer, uint32_t count) override {
        const uint32_t got = readLink.read(buffer, count);
        auto* bytes = static_cast<uint8_t*>(buffer);
        for (uint32_t i = 0; i < got; ++i) {
            bytes[i] ^= key;
        }
        return got;
    }
    uint32_t write(const void* buffer, uint32_t count) override {
        std::vector<uint8_t> flipped(static_cast<const uint8_t*>(buffer),
                                     static_cast<const uint8_t*>(buffer) + count);
        for (uint8_t& b : flipped) {
            b ^= key;
        }
        return writeLink.write(flipped.data(), count);
    }

    uint8_t key;
    bool refuseAttach;
    int attachedRead = 0;
    int attachedWrite = 0;
    int detachedRead = 0;
    int detachedWrite = 0;
};

class FilterChainTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenMemory(stream, block, sizeof(block), 'w', 0)); }

    uint8_t readByteAt(int64_t offset) {
        EXPECT_TRUE(Seek(stream, offset, 's'));
        uint8_t b = 0;
        EXPECT_EQ(stream.accessor->read(&b, 1), 1u);
        return b;
    }

    uint8_t block[16] = {0x00, 0x11, 0x22, 0x33};
    MemoryStream stream;
};

TEST_F(FilterChainTest, AttachingTwiceKeepsOneEntryAndDetachingUnattachedDoesNothing) {
    XorFilter filter(0x0F);
    ASSERT_TRUE(AttachReadFilter(filter, stream));
    ASSERT_TRUE(AttachReadFilter(filter, stream));
    EXPECT_EQ(stream.readFilters.Count(), 1);
    EXPECT_EQ(filter.attachedRead, 1);
    EXPECT_EQ(readByteAt(1), 0x11 ^ 0x0F);

    XorFilter loose(0x01);
    DetachFilter(loose, stream);
    EXPECT_EQ(loose.detachedRead + loose.detachedWrite, 0);
    EXPECT_EQ(stream.readFilters.Count(), 1);
}

TEST_F(FilterChainTest, AFilterServesOneRoleOnOneStream) {
    XorFilter filter(0x0F);
    ASSERT_TRUE(AttachReadFilter(filter, stream));
    EXPECT_FALSE(AttachWriteFilter(filter, stream));
    MemoryStream other;
    EXPECT_FALSE(AttachReadFilter(filter, other));
    EXPECT_EQ(other.readFilters.Count(), 0);
    DetachFilter(filter, other);
    EXPECT_EQ(filter.host, &stream) << "detaching from the wrong stream changes nothing";
}

TEST_F(FilterChainTest, ChainsRunInAttachmentOrderAndSkipDisabledFilters) {
    XorFilter first(0x0F);
    XorFilter second(0xF0);
    XorFilter writer(0x55);
    ASSERT_TRUE(AttachReadFilter(first, stream));
    ASSERT_TRUE(AttachReadFilter(second, stream));
    ASSERT_TRUE(AttachWriteFilter(writer, stream));
    EXPECT_EQ(stream.readLink.target(), &first);
    EXPECT_EQ(first.readLink.target(), &second);
    EXPECT_EQ(second.readLink.target(), &stream);
    EXPECT_EQ(readByteAt(2), 0x22 ^ 0xFF);

    first.disable();
    EXPECT_EQ(stream.readFilters.Count(), 2) << "a disabled filter stays attached";
    EXPECT_EQ(readByteAt(2), 0x22 ^ 0xF0);
    writer.disable();
    ASSERT_TRUE(Seek(stream, 3, 's'));
    ASSERT_EQ(stream.accessor->write("\x01", 1), 1u);
    EXPECT_EQ(block[3], 0x01) << "the disabled writer is skipped";

    first.enable();
    writer.enable();
    EXPECT_EQ(readByteAt(2), 0x22 ^ 0xFF);
    ASSERT_TRUE(Seek(stream, 3, 's'));
    ASSERT_EQ(stream.accessor->write("\x01", 1), 1u);
    EXPECT_EQ(block[3], 0x01 ^ 0x55) << "enabling rebuilt the write chain too";
}

TEST_F(FilterChainTest, RefusedAttachmentLeavesTheChainAlone) {
    XorFilter refusing(0x0F, true);
    EXPECT_FALSE(AttachReadFilter(refusing, stream));
    EXPECT_EQ(stream.readFilters.Count(), 1);
    EXPECT_EQ(refusing.host, &stream);
    EXPECT_EQ(stream.readLink.target(), &stream);
    EXPECT_EQ(readByteAt(1), 0x11);
}

TEST_F(FilterChainTest, CloseSequenceDetachesEveryFilter) {
    XorFilter a(1);
    XorFilter b(2);
    XorFilter c(3);
    ASSERT_TRUE(AttachReadFilter(a, stream));
    ASSERT_TRUE(AttachReadFilter(b, stream));
    ASSERT_TRUE(AttachWriteFilter(c, stream));
    CloseStream(stream);
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(stream.readFilters.Count(), 0);
    EXPECT_EQ(stream.writeFilters.Count(), 0);
    for (XorFilter* f : {&a, &b}) {
        EXPECT_EQ(f->host, nullptr);
        EXPECT_EQ(f->detachedRead, 1);
    }
    EXPECT_EQ(c.host, nullptr);
    EXPECT_EQ(c.detachedWrite, 1);
    EXPECT_EQ(stream.readLink.target(), &stream);
    EXPECT_EQ(stream.writeLink.target(), &stream);
}

TEST_F(FilterChainTest, DestroyingAnAttachedFilterDetachesIt) {
    XorFilter warmUp(1); // gives the filter array its storage, which it keeps
    ASSERT_TRUE(AttachReadFilter(warmUp, stream));
    DetachFilter(warmUp, stream);
    AllocationBalance balance;
    {
        DeflateCodec codec(15);
        CodecFilter filter(&codec);
        ASSERT_TRUE(AttachReadFilter(filter, stream));
        EXPECT_EQ(stream.readLink.target(), &filter);
    }
    EXPECT_EQ(stream.readFilters.Count(), 0);
    EXPECT_EQ(stream.readLink.target(), &stream);
    EXPECT_EQ(balance.outstanding(), 0) << "buffer and codec state released";
}

// Compressed output goes through the write chain into memory; reading it back through a read
// filter restores the data, and the checksum sinks agree on both sides.
TEST(CodecFilter, CompressesIntoMemoryAndReadsBack) {
    AllocationBalance balance;
    const std::vector<uint8_t> data = PatternBytes(200000);
    std::vector<uint8_t> block(data.size());
    uint64_t packedSize = 0;
    Crc32Sink written;
    Crc32Sink read;
    {
        MemoryStream stream;
        ASSERT_TRUE(OpenMemory(stream, block.data(), static_cast<uint32_t>(block.size()), 'w', 0));
        DeflateCodec codec(-15);
        CodecFilter filter(&codec, &written);
        ASSERT_TRUE(AttachWriteFilter(filter, stream));
        for (size_t at = 0; at < data.size(); at += 999) {
            const auto n = static_cast<uint32_t>(std::min<size_t>(999, data.size() - at));
            ASSERT_EQ(stream.accessor->write(&data[at], n), n);
        }
        DetachFilter(filter, stream);
        packedSize = stream.accessor->tell();
        EXPECT_LT(packedSize, data.size() * 3 / 4);

        std::vector<uint8_t> check(data.size());
        uint32_t checkSize = static_cast<uint32_t>(check.size());
        EXPECT_EQ(codec.decompressBuffer(check.data(), checkSize, block.data(),
                                         static_cast<uint32_t>(packedSize), nullptr, 0),
                  CodecDone);
        EXPECT_EQ(check, data);

        ASSERT_TRUE(OpenMemory(stream, block.data(), static_cast<uint32_t>(packedSize), 'r', 0));
        filter.sink = &read;
        ASSERT_TRUE(AttachReadFilter(filter, stream));
        std::vector<uint8_t> back(data.size() + 1);
        EXPECT_EQ(stream.accessor->read(back.data(), static_cast<uint32_t>(back.size())),
                  data.size());
        back.resize(data.size());
        EXPECT_EQ(back, data);
        EXPECT_TRUE(stream.accessor->atEnd());
        CloseStream(stream);
    }
    EXPECT_NE(written.value(), 0u);
    EXPECT_EQ(read.value(), written.value());
    EXPECT_EQ(balance.outstanding(), 0);
}

TEST(CodecFilter, CorruptInputStopsTheReadWithWhatWasDecoded) {
    std::vector<uint8_t> garbage = PatternBytes(5000, 9);
    MemoryStream stream;
    ASSERT_TRUE(OpenMemory(stream, garbage.data(), static_cast<uint32_t>(garbage.size()), 'r', 0));
    DeflateCodec codec(15);
    CodecFilter filter(&codec);
    ASSERT_TRUE(AttachReadFilter(filter, stream));
    uint8_t out[100];
    EXPECT_EQ(stream.accessor->read(out, sizeof(out)), 0u);
    CloseStream(stream);
}

} // namespace
} // namespace quib
