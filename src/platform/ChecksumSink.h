// Receiver of the uncompressed bytes that pass through a codec, for checksums.
#pragma once

#include <cstdint>

namespace quib {

// A sink sees one run at a time: begin, any number of updates, finish. Sinks are owned by
// whoever creates them and are never destroyed through this interface.
class ChecksumSink {
public:
    virtual void begin() = 0;
    virtual void update(const uint8_t* bytes, uint32_t count) = 0;
    virtual uint32_t finish() = 0;

protected:
    ~ChecksumSink() = default;
};

} // namespace quib
