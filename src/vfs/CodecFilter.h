// Filter that decompresses what a stream reads, or compresses what it writes, through a codec.
#pragma once

#include "vfs/StreamFilter.h"

#include <cstdint>

namespace quib {

class ChecksumSink;
class Codec;

// Moves data between the chain and the codec through a 4096-byte buffer that exists only while
// the filter is attached. Attached for reading it decompresses; for writing it compresses at
// level 9 and finishes the compressed data when it is detached. The sink, when set, sees the
// uncompressed bytes of each run.
class CodecFilter : public StreamFilter {
public:
    static constexpr uint32_t DefaultBufferSize = 4096;

    explicit CodecFilter(Codec* codec = nullptr, ChecksumSink* sink = nullptr)
        : codec(codec), sink(sink) {}
    ~CodecFilter() override;

    bool onAttachRead() override;
    bool onAttachWrite() override;
    bool onDetachRead() override;
    bool onDetachWrite() override;
    uint32_t read(void* buffer, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t count) override;

    Codec* codec;       // not owned
    ChecksumSink* sink; // not owned

private:
    bool allocateBuffer();
    void releaseBuffer();

    uint8_t* buffer = nullptr; // owned, present only while attached
    uint32_t bufferSize = DefaultBufferSize;
    uint32_t bufferPos = 0;
    uint32_t bufferEnd = 0;
};

} // namespace quib
