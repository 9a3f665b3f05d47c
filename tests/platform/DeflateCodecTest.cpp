// Deflate codec: result codes, stream formats, checksums and the whole-buffer calls.
#include "platform/DeflateCodec.h"

#include "platform/Crc32Sink.h"
#include "platform/MemAllocator.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>
#include <zlib.h>

namespace quib {
namespace {

class DeflateCodecTest : public testing::Test {
protected:
    void TearDown() override {
        const MemCounters now = MemGetCounters();
        EXPECT_EQ(now.allocations - start.allocations, now.frees - start.frees)
            << "blocks left allocated";
    }

    static std::vector<uint8_t> Text(size_t count) {
        std::vector<uint8_t> bytes(count);
        uint32_t state = 7;
        for (size_t i = 0; i < count; ++i) {
            state = state * 1103515245u + 12345u;
            bytes[i] = static_cast<uint8_t>("the quick brown fox "[(state >> 16) % 20]);
        }
        return bytes;
    }

    // Compresses the whole input with the buffer call; fails the test on anything but done.
    static std::vector<uint8_t> Compress(DeflateCodec& codec, const std::vector<uint8_t>& in,
                                         uint32_t level = 6) {
        std::vector<uint8_t> out(in.size() + 1024);
        uint32_t outSize = static_cast<uint32_t>(out.size());
        EXPECT_EQ(codec.compressBuffer(out.data(), outSize, in.data(),
                                       static_cast<uint32_t>(in.size()), nullptr, level, 1000),
                  CodecDone);
        out.resize(outSize);
        return out;
    }

    MemCounters start = MemGetCounters();
};

TEST_F(DeflateCodecTest, EmptyInputMakesTheEightByteZlibStream) {
    DeflateCodec codec(15);
    uint8_t out[16] = {};
    uint32_t outSize = sizeof(out);
    EXPECT_EQ(codec.compressBuffer(out, outSize, nullptr, 0, nullptr, 9, 4096), CodecDone);
    ASSERT_EQ(outSize, 8u);
    EXPECT_EQ(out[0] & 0x0F, 8) << "deflate method in the zlib header";
    EXPECT_EQ((out[0] << 8 | out[1]) % 31, 0) << "zlib header check bits";
    EXPECT_EQ(0, std::memcmp(out + 4, "\x00\x00\x00\x01", 4)) << "Adler-32 of nothing is 1";
    for (uint32_t space : {6u, 7u}) {
        uint32_t small = space;
        EXPECT_EQ(codec.compressBuffer(out, small, nullptr, 0, nullptr, 9, 4096), CodecOutputFull)
            << space << " bytes of space";
        EXPECT_TRUE(codec.isIdle()) << "a whole-buffer call never leaves a run open";
    }
}

TEST_F(DeflateCodecTest, FinishWithoutRoomForTheTrailerTouchesNothing) {
    DeflateCodec codec(15);
    ASSERT_TRUE(codec.beginCompress(nullptr, 0, 9));
    uint8_t out[5] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    uint8_t* next = out;
    uint32_t space = sizeof(out);
    EXPECT_EQ(codec.finishCompress(&next, &space), CodecOutputFull);
    EXPECT_EQ(next, out);
    EXPECT_EQ(space, 5u);
    EXPECT_EQ(out[0], 0xAA);
    EXPECT_EQ(codec.finishCompress(nullptr, nullptr), CodecAborted) << "no window abandons";
    EXPECT_TRUE(codec.isIdle());
}

TEST_F(DeflateCodecTest, ZlibFormatIsReadableByZlibAndRawFormatHasNoHeader) {
    const std::vector<uint8_t> input = Text(100000);
    DeflateCodec zlibFormat(15);
    const std::vector<uint8_t> wrapped = Compress(zlibFormat, input);
    std::vector<uint8_t> check(input.size());
    uLongf checkSize = check.size();
    ASSERT_EQ(uncompress(check.data(), &checkSize, wrapped.data(), wrapped.size()), Z_OK);
    EXPECT_EQ(checkSize, input.size());
    EXPECT_EQ(check, input);

    DeflateCodec raw(-15);
    const std::vector<uint8_t> bare = Compress(raw, input);
    EXPECT_EQ(bare.size() + 6, wrapped.size()) << "two header and four trailer bytes fewer";
    std::vector<uint8_t> back(input.size());
    uint32_t backSize = static_cast<uint32_t>(back.size());
    EXPECT_EQ(raw.decompressBuffer(back.data(), backSize, bare.data(),
                                   static_cast<uint32_t>(bare.size()), nullptr, 333),
              CodecDone);
    EXPECT_EQ(backSize, input.size());
    EXPECT_EQ(back, input);
}

TEST_F(DeflateCodecTest, TruncatedInputSteppsOnThenFinishReportsTruncation) {
    const std::vector<uint8_t> input = Text(20000);
    DeflateCodec codec(15);
    std::vector<uint8_t> packed = Compress(codec, input);
    packed.resize(packed.size() - 10);

    ASSERT_TRUE(codec.beginDecompress(nullptr, 0));
    std::vector<uint8_t> out(input.size() + 100);
    uint8_t* next = out.data();
    uint32_t space = static_cast<uint32_t>(out.size());
    const uint8_t* in = packed.data();
    uint32_t left = static_cast<uint32_t>(packed.size());
    while (left > 0) {
        ASSERT_EQ(codec.decompress(next, space, in, left), CodecContinue);
    }
    EXPECT_EQ(codec.finishDecompress(&next, &space), CodecInputTruncated);
    EXPECT_EQ(codec.finishDecompress(nullptr, nullptr), CodecAborted);

    uint32_t outSize = static_cast<uint32_t>(out.size());
    EXPECT_EQ(codec.decompressBuffer(out.data(), outSize, packed.data(),
                                     static_cast<uint32_t>(packed.size()), nullptr, 4096),
              CodecInputTruncated);
    EXPECT_TRUE(codec.isIdle());
}

TEST_F(DeflateCodecTest, CorruptDataIsADataError) {
    const std::vector<uint8_t> input = Text(5000);
    DeflateCodec codec(15);
    std::vector<uint8_t> packed = Compress(codec, input);
    packed[0] = 0x00; // not a zlib header
    std::vector<uint8_t> out(input.size());
    uint32_t outSize = static_cast<uint32_t>(out.size());
    EXPECT_EQ(codec.decompressBuffer(out.data(), outSize, packed.data(),
                                     static_cast<uint32_t>(packed.size()), nullptr, 4096),
              CodecDataError);

    DeflateCodec raw(-15);
    const uint8_t badBlock[] = {0x07, 0x00, 0x00}; // final block of the reserved type 3
    outSize = static_cast<uint32_t>(out.size());
    EXPECT_EQ(raw.decompressBuffer(out.data(), outSize, badBlock, sizeof(badBlock), nullptr, 1),
              CodecDataError);
    EXPECT_TRUE(raw.isIdle());
}

TEST_F(DeflateCodecTest, PresetDictionaryStreamIsRefusedNotSpun) {
    std::vector<uint8_t> packed(256);
    z_stream zs = {};
    ASSERT_EQ(deflateInit(&zs, 9), Z_OK);
    const char dictionary[] = "dictionary";
    ASSERT_EQ(deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(dictionary), 10), Z_OK);
    Bytef text[] = "dictionary dictionary";
    zs.next_in = text;
    zs.avail_in = sizeof(text);
    zs.next_out = packed.data();
    zs.avail_out = static_cast<uInt>(packed.size());
    ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
    packed.resize(zs.total_out);
    deflateEnd(&zs);

    DeflateCodec codec(15);
    std::vector<uint8_t> out(64);
    uint32_t outSize = static_cast<uint32_t>(out.size());
    EXPECT_EQ(codec.decompressBuffer(out.data(), outSize, packed.data(),
                                     static_cast<uint32_t>(packed.size()), nullptr, 4096),
              CodecDataError);
}

TEST_F(DeflateCodecTest, OutputFullWhenTheBufferRunsOut) {
    const std::vector<uint8_t> input = Text(50000);
    DeflateCodec codec(15);
    const std::vector<uint8_t> packed = Compress(codec, input);
    std::vector<uint8_t> out(1000);
    uint32_t outSize = static_cast<uint32_t>(out.size());
    EXPECT_EQ(codec.decompressBuffer(out.data(), outSize, packed.data(),
                                     static_cast<uint32_t>(packed.size()), nullptr, 100),
              CodecOutputFull);
    EXPECT_EQ(outSize, 1000u);
    EXPECT_EQ(0, std::memcmp(out.data(), input.data(), 1000));

    outSize = 10;
    EXPECT_EQ(codec.compressBuffer(out.data(), outSize, input.data(),
                                   static_cast<uint32_t>(input.size()), nullptr, 9, 4096),
              CodecOutputFull);
    EXPECT_TRUE(codec.isIdle());
}

TEST_F(DeflateCodecTest, FinishAsksForMoreRoomUntilAllOutputIsOut) {
    const std::vector<uint8_t> input = Text(60000);
    DeflateCodec codec(-15);
    ASSERT_TRUE(codec.beginCompress(nullptr, 0, 1));
    std::vector<uint8_t> packed(input.size() + 1024);
    uint8_t* next = packed.data();
    uint32_t space = 64 * 1024;
    const uint8_t* in = input.data();
    uint32_t left = static_cast<uint32_t>(input.size());
    ASSERT_EQ(codec.compress(next, space, in, left, false), CodecContinue);
    ASSERT_EQ(left, 0u);
    int rounds = 0;
    CodecResult result = CodecOutputFull;
    while (result == CodecOutputFull) {
        uint32_t slice = 64;
        result = codec.finishCompress(&next, &slice);
        ++rounds;
    }
    EXPECT_EQ(result, CodecDone);
    EXPECT_GT(rounds, 1);
    packed.resize(static_cast<size_t>(next - packed.data()));

    std::vector<uint8_t> back(input.size());
    uint32_t backSize = static_cast<uint32_t>(back.size());
    EXPECT_EQ(codec.decompressBuffer(back.data(), backSize, packed.data(),
                                     static_cast<uint32_t>(packed.size()), nullptr, 0),
              CodecDone);
    EXPECT_EQ(back, input);
}

class StopAtOnce {
public:
    bool Ask(Codec&, uint32_t, uint32_t, bool) {
        ++calls;
        return false;
    }
    int calls = 0;
};

TEST_F(DeflateCodecTest, ProgressDelegateCanStopARun) {
    const std::vector<uint8_t> input = Text(10000);
    DeflateCodec codec(15);
    StopAtOnce stopper;
    codec.progress = ProgressDelegate::Bind<StopAtOnce, &StopAtOnce::Ask>(&stopper);
    std::vector<uint8_t> out(20000);
    uint32_t outSize = static_cast<uint32_t>(out.size());
    EXPECT_EQ(codec.compressBuffer(out.data(), outSize, input.data(),
                                   static_cast<uint32_t>(input.size()), nullptr, 9, 4096),
              CodecAborted);
    EXPECT_TRUE(codec.isIdle());

    ASSERT_TRUE(codec.beginDecompress(nullptr, 0));
    stopper.calls = 0;
    uint8_t* next = out.data();
    uint32_t space = 100;
    const uint8_t* in = out.data();
    uint32_t left = outSize;
    EXPECT_EQ(codec.decompress(next, space, in, left), CodecAborted);
    EXPECT_EQ(stopper.calls, 1);
    EXPECT_EQ(codec.finishDecompress(nullptr, nullptr), CodecAborted);
}

TEST_F(DeflateCodecTest, LevelsAboveNineCompressAsNine) {
    const std::vector<uint8_t> input = Text(30000);
    DeflateCodec codec(15);
    const std::vector<uint8_t> nine = Compress(codec, input, 9);
    for (uint32_t level : {10u, 99u, 255u}) {
        EXPECT_EQ(Compress(codec, input, level), nine) << "level " << level;
    }
    EXPECT_NE(Compress(codec, input, 1), nine);
}

TEST_F(DeflateCodecTest, SinkSeesTheUncompressedBytesBothWays) {
    const std::vector<uint8_t> input = Text(70000);
    const auto expected =
        static_cast<uint32_t>(crc32(0, input.data(), static_cast<uInt>(input.size())));
    DeflateCodec codec(-15);
    Crc32Sink sink;
    std::vector<uint8_t> packed(input.size());
    uint32_t packedSize = static_cast<uint32_t>(packed.size());
    ASSERT_EQ(codec.compressBuffer(packed.data(), packedSize, input.data(),
                                   static_cast<uint32_t>(input.size()), &sink, 9, 777),
              CodecDone);
    EXPECT_EQ(sink.value(), expected);

    // Decompress into small windows so output waits inside zlib between steps.
    Crc32Sink back;
    ASSERT_TRUE(codec.beginDecompress(&back, packedSize));
    std::vector<uint8_t> out(input.size());
    uint8_t* next = out.data();
    const uint8_t* in = packed.data();
    uint32_t left = packedSize;
    CodecResult result = CodecContinue;
    while (result == CodecContinue) {
        uint32_t window = 100;
        result = codec.decompress(next, window, in, left);
    }
    ASSERT_EQ(result, CodecDone);
    uint32_t none = 16;
    EXPECT_EQ(codec.finishDecompress(&next, &none), CodecDone);
    EXPECT_EQ(back.value(), expected);
    EXPECT_EQ(out, input);
}

} // namespace
} // namespace quib
