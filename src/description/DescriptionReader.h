// Reads the fields of a disk description in file order and remembers where reading failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace quib {

// Where and why a description could not be read.
struct DescriptionError {
    uint64_t offset = 0;  // byte offset in the description at which reading stopped
    std::string expected; // what was expected there, with its place in the description
};

// Little-endian fields from a byte source (memory or a stream). The first failure sticks:
// afterwards every read leaves its destination unchanged, so a loader can read a whole block
// and test Failed() once. Field names name the place in errors ("int32 fadeIn of page 2,
// group 0, effect 1 (ImageEffect)").
class DescriptionReader {
public:
    virtual ~DescriptionReader() = default;

    void Int32(int32_t& value, const char* field);
    void UInt32(uint32_t& value, const char* field);
    void Float(float& value, const char* field);
    void Flag(uint8_t& value, const char* field);
    void String(std::string& value, const char* field);

    // A count of elements that take at least minElementSize bytes each. A negative count
    // reads as 0; a count that the remaining bytes cannot hold is a failure, and 0 is returned.
    int32_t Count(const char* field, uint64_t minElementSize);

    // Fails at the given offset (or the current one) with what was expected there.
    void Fail(uint64_t offset, const std::string& expected);
    void Fail(const std::string& expected) { Fail(offset, expected); }

    bool Failed() const { return failed; }
    uint64_t FailOffset() const { return failOffset; }
    const std::string& Expected() const { return expected; }
    DescriptionError Error() const;

    uint64_t Offset() const { return offset; }

    // Where in the description the next fields are ("song 3"); appended to failure texts.
    void SetPlace(std::string where) { place = std::move(where); }
    const std::string& Place() const { return place; }

protected:
    // Copies up to size bytes; fewer only at the end of the data.
    virtual size_t Fetch(void* destination, size_t size) = 0;
    // Bytes left to read.
    virtual uint64_t Remaining() const = 0;

private:
    bool Take(void* destination, size_t size, const char* type, const char* field);
    std::string Describe(const char* type, const char* field) const;

    uint64_t offset = 0;
    bool failed = false;
    uint64_t failOffset = 0;
    std::string expected;
    std::string place;
};

} // namespace quib
