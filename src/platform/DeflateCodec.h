// The deflate codec: zlib-format or raw deflate streams through zlib, allocating via MemAllocate.
#pragma once

#include "platform/Codec.h"

#include <cstdint>

struct z_stream_s;

namespace quib {

class DeflateCodec : public Codec {
public:
    // 15: zlib header and Adler-32 trailer; -15: raw deflate (ZIP entries). Both use a 32 KiB
    // window. The setting is kept across runs and may be changed while the codec is idle.
    explicit DeflateCodec(int8_t windowBits = 15) : windowBits(windowBits) {}
    ~DeflateCodec() override;
    DeflateCodec(const DeflateCodec&) = delete;
    DeflateCodec& operator=(const DeflateCodec&) = delete;

    uint32_t method() const override { return 1; }
    uint32_t features() const override { return 7; }

    // Levels above 9 compress as level 9. A begin while a run is live ends that run first.
    bool beginCompress(ChecksumSink* sink, uint32_t expected, uint32_t level) override;
    CodecResult compress(uint8_t*& nextOut, uint32_t& outSpace, const uint8_t*& nextIn,
                         uint32_t& inLeft, bool flush) override;
    CodecResult finishCompress(uint8_t** nextOut, uint32_t* outSpace) override;
    bool beginDecompress(ChecksumSink* sink, uint32_t expected) override;
    CodecResult decompress(uint8_t*& nextOut, uint32_t& outSpace, const uint8_t*& nextIn,
                           uint32_t& inLeft) override;
    CodecResult finishDecompress(uint8_t** nextOut, uint32_t* outSpace) override;

    bool isIdle() const { return zstream == nullptr; }

    int8_t windowBits;

private:
    bool begin(ChecksumSink* checksum, uint32_t expectedSize, bool compressDirection,
               uint32_t level);
    // Ends zlib's state for the current direction and frees the stream record.
    void release();
    // Finishes the sink, answers 2 (or 1 when stopped or abandoned) and releases the run.
    CodecResult complete(bool haveWindow);

    z_stream_s* zstream = nullptr; // owned; null while idle
    bool compressing = false;
    bool finished = false;
    uint32_t expected = 0;
};

} // namespace quib
