// Reads description fields from bytes held in memory.
#pragma once

#include "description/DescriptionReader.h"

#include <cstdint>
#include <span>

namespace quib {

class MemoryDescriptionReader final : public DescriptionReader {
public:
    explicit MemoryDescriptionReader(std::span<const uint8_t> data) : data(data) {}

    // The bytes not read yet.
    std::span<const uint8_t> Rest() const { return data.subspan(position); }

protected:
    size_t Fetch(void* destination, size_t size) override;
    uint64_t Remaining() const override { return data.size() - position; }

private:
    std::span<const uint8_t> data;
    size_t position = 0;
};

} // namespace quib
