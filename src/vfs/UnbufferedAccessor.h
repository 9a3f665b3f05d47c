// Accessor that passes every call straight to the stream's chains.
#pragma once

#include "vfs/StreamAccessor.h"

namespace quib {

class UnbufferedAccessor : public StreamAccessor {
public:
    uint32_t read(void* buffer, uint32_t count) override;
    uint32_t write(const void* buffer, uint32_t count) override;
    void flush(bool discardRead, bool writeOut) override;
    bool atEnd() override;
    uint64_t tell() override;
};

} // namespace quib
