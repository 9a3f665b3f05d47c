// Reads the fields of a disk description in file order and remembers where reading failed.
#include "description/DescriptionReader.h"

#include <cstring>

namespace quib {

std::string DescriptionReader::Describe(const char* type, const char* field) const {
    std::string text = std::string(type) + " " + field;
    if (!place.empty()) {
        text += " of " + place;
    }
    return text;
}

void DescriptionReader::Fail(uint64_t at, const std::string& what) {
    if (failed) {
        return;
    }
    failed = true;
    failOffset = at;
    expected = what;
}

DescriptionError DescriptionReader::Error() const {
    return DescriptionError{failOffset, expected};
}

bool DescriptionReader::Take(void* destination, size_t size, const char* type, const char* field) {
    if (failed) {
        return false;
    }
    unsigned char bytes[4];
    const size_t got = Fetch(bytes, size);
    if (got < size) {
        offset += got;
        Fail(offset - got, Describe(type, field) + " (the data ends after " + std::to_string(got) +
                               " of its " + std::to_string(size) + " bytes)");
        return false;
    }
    offset += size;
    // Fields are little-endian on disk.
    uint32_t word = 0;
    for (size_t i = 0; i < size; ++i) {
        word |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    }
    if (size == 1) {
        *static_cast<uint8_t*>(destination) = static_cast<uint8_t>(word);
    } else {
        std::memcpy(destination, &word, 4);
    }
    return true;
}

void DescriptionReader::Int32(int32_t& value, const char* field) {
    Take(&value, 4, "int32", field);
}

void DescriptionReader::UInt32(uint32_t& value, const char* field) {
    Take(&value, 4, "uint32", field);
}

void DescriptionReader::Float(float& value, const char* field) {
    Take(&value, 4, "float", field);
}

void DescriptionReader::Flag(uint8_t& value, const char* field) {
    Take(&value, 1, "byte flag", field);
}

void DescriptionReader::String(std::string& value, const char* field) {
    if (failed) {
        return;
    }
    const uint64_t start = offset;
    std::string collected;
    char c = 0;
    while (Fetch(&c, 1) == 1) {
        ++offset;
        if (c == '\0') {
            value = std::move(collected);
            return;
        }
        collected.push_back(c);
    }
    Fail(offset, Describe("the zero byte ending string", field) + " (the string starts at byte " +
                     std::to_string(start) + " and the data ends inside it)");
}

int32_t DescriptionReader::Count(const char* field, uint64_t minElementSize) {
    const uint64_t at = offset;
    int32_t count = 0;
    Int32(count, field);
    if (failed || count <= 0) {
        return 0;
    }
    const uint64_t needed = static_cast<uint64_t>(count) * minElementSize;
    if (needed > Remaining()) {
        Fail(at, Describe("int32", field) + " no larger than the remaining " +
                     std::to_string(Remaining()) + " bytes can hold (read " +
                     std::to_string(count) + ", which needs at least " + std::to_string(needed) +
                     " bytes)");
        return 0;
    }
    return count;
}

} // namespace quib
