// Accessor with a read-ahead buffer and a write-behind buffer, so small transfers cost a copy.
#pragma once

#include "vfs/StreamAccessor.h"

#include <cstdint>

namespace quib {

// Transfers of at least a buffer's size bypass the buffer. The two buffers are never in use at
// once: a write first gives back the read-ahead and a read first writes out pending output, so
// data always lands where tell() says.
class BufferedAccessor : public StreamAccessor {
public:
    // Null when a buffer cannot be allocated.
    static BufferedAccessor* Create(uint32_t readSize, uint32_t writeSize);
    ~BufferedAccessor() override;

    uint32_t read(void* buffer, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t count) override;
    void flush(bool discardRead, bool writeOut) override;
    bool atEnd() override;
    uint64_t tell() override;

    uint32_t bufferedForReading() const { return readEnd - readPos; }

private:
    BufferedAccessor() = default;

    uint8_t* readBuffer = nullptr;
    uint8_t* writeBuffer = nullptr;
    uint32_t readBufferSize = 0;
    uint32_t writeBufferSize = 0;
    uint32_t readPos = 0;
    uint32_t readEnd = 0;
    uint32_t writeFill = 0;
};

} // namespace quib
