// Reads description fields from bytes held in memory.
#include "description/MemoryDescriptionReader.h"

#include <algorithm>
#include <cstring>

namespace quib {

size_t MemoryDescriptionReader::Fetch(void* destination, size_t size) {
    const size_t n = std::min(size, data.size() - position);
    if (n > 0) {
        std::memcpy(destination, data.data() + position, n);
    }
    position += n;
    return n;
}

} // namespace quib
