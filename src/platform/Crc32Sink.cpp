// CRC-32 sink: the register arithmetic of the table-driven reflected CRC-32, computed by zlib's
// tuned implementation of the same table algorithm.
#include "platform/Crc32Sink.h"

#include "platform/TextFormat.h"

#include <zlib.h>

namespace quib {

void Crc32Sink::begin() {
    value_ = 0xFFFFFFFFu;
}

// zlib keeps the register inverted between calls, so invert on the way in and out to hold the
// raw register (table[(value ^ byte) & 0xFF] ^ (value >> 8) per byte) in value_.
void Crc32Sink::update(const uint8_t* bytes, uint32_t count) {
    if (count == 0) {
        return;
    }
    value_ = ~static_cast<uint32_t>(crc32(~value_ & 0xFFFFFFFFu, bytes, count));
}

uint32_t Crc32Sink::finish() {
    value_ = ~value_;
    return value_;
}

uint32_t Crc32Sink::format(char* buffer, uint32_t bufferSize) const {
    return TextFormat(buffer, bufferSize, "%08x", value_);
}

} // namespace quib
