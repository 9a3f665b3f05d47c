// CRC-32 of the ZIP and PNG formats (reflected, polynomial 0xEDB88320) as a checksum sink.
#pragma once

#include "platform/ChecksumSink.h"

#include <cstdint>

namespace quib {

class Crc32Sink : public ChecksumSink {
public:
    // Starts a run: the register holds 0xFFFFFFFF until finish inverts it.
    void begin() override;
    void update(const uint8_t* bytes, uint32_t count) override;
    // Inverts the register and answers the CRC; the stored value is the CRC from then on.
    uint32_t finish() override;
    // Writes the current value as eight lower-case hexadecimal digits; answers the length.
    virtual uint32_t format(char* buffer, uint32_t bufferSize) const;

    uint32_t value() const { return value_; }

private:
    uint32_t value_ = 0;
};

} // namespace quib
