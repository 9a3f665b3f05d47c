// Stream helpers: the synchronous section, peeking, line reading, values and strings.
#include "vfs/StreamHelpers.h"

#include "platform/MemAllocator.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"

#include <bit>
#include <cstddef>

namespace quib {

namespace {

// Peeking and line reading need the accessor: an asynchronous stream is made synchronous for
// the duration and switched back afterwards.
class SynchronousSection {
public:
    explicit SynchronousSection(Stream& stream)
        : stream_(stream), wasAsync_((stream.mode & Stream::AsyncMode) != 0) {
        if (wasAsync_ && stream.hasCapability(Stream::CanAsync) && stream.setAsyncRaw(false)) {
            ReplaceAccessor(stream);
            stream.mode &= ~Stream::AsyncMode;
        }
    }
    ~SynchronousSection() { SetAsyncMode(stream_, wasAsync_); }
    SynchronousSection(const SynchronousSection&) = delete;
    SynchronousSection& operator=(const SynchronousSection&) = delete;

private:
    Stream& stream_;
    bool wasAsync_;
};

uint32_t ReadByte(StreamAccessor& accessor, char& byte) {
    return accessor.read(&byte, 1);
}

// Gives back the one byte after a lone carriage return.
void StepBack(Stream& stream, int64_t count) {
    if (stream.hasCapability(Stream::Seekable)) {
        stream.accessor->flush(true, true);
        stream.seekRaw(-count, 'c');
    }
}

template <size_t Bytes>
struct UnsignedOf;
template <>
struct UnsignedOf<1> {
    using type = uint8_t;
};
template <>
struct UnsignedOf<2> {
    using type = uint16_t;
};
template <>
struct UnsignedOf<4> {
    using type = uint32_t;
};
template <>
struct UnsignedOf<8> {
    using type = uint64_t;
};

template <class T>
bool ReadLittleEndian(Stream& stream, T& value) {
    uint8_t bytes[sizeof(T)];
    if (stream.accessor == nullptr || stream.accessor->read(bytes, sizeof(T)) != sizeof(T)) {
        return false;
    }
    using U = typename UnsignedOf<sizeof(T)>::type;
    U raw = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        raw = static_cast<U>(raw | (static_cast<U>(bytes[i]) << (8 * i)));
    }
    value = std::bit_cast<T>(raw);
    return true;
}

template <class T>
bool WriteLittleEndian(Stream& stream, T value) {
    using U = typename UnsignedOf<sizeof(T)>::type;
    const U raw = std::bit_cast<U>(value);
    uint8_t bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) {
        bytes[i] = static_cast<uint8_t>(raw >> (8 * i));
    }
    return stream.accessor != nullptr && stream.accessor->write(bytes, sizeof(T)) == sizeof(T);
}

} // namespace

uint32_t PeekU32(Stream& stream, void* dst) {
    SynchronousSection section(stream);
    if (stream.accessor == nullptr) {
        return 0;
    }
    const uint32_t got = stream.accessor->read(dst, 4);
    if (got > 0) {
        StepBack(stream, got);
    }
    return got;
}

int32_t ReadLine(Stream& stream, char* buffer) {
    SynchronousSection section(stream);
    buffer[0] = 0;
    StreamAccessor* accessor = stream.accessor;
    if (accessor == nullptr) {
        return ReadLineAtEnd;
    }
    bool found = false;
    int32_t length = 0;
    if (ReadByte(*accessor, buffer[0]) == 1) {
        for (int32_t i = 0;; ++i) {
            const char c = buffer[i];
            if (c == '\r' || c == '\n') {
                found = true;
                length = i;
                char next = 0;
                if (c == '\r' && ReadByte(*accessor, next) == 1 && next != '\n') {
                    StepBack(stream, 1);
                }
                break;
            }
            length = i + 1;
            if (length >= static_cast<int32_t>(ReadLineBufferSize) - 1 ||
                ReadByte(*accessor, buffer[i + 1]) != 1) {
                break;
            }
        }
    }
    buffer[length] = 0;
    // An empty line that was terminated is a line, even when it is the last one.
    if (length == 0 && !found && accessor->atEnd()) {
        return ReadLineAtEnd;
    }
    return found ? length : ReadLineNoTerminator;
}

bool ReadU8(Stream& stream, uint8_t& value) {
    return ReadLittleEndian(stream, value);
}

bool ReadBool(Stream& stream, bool& value) {
    uint8_t byte = 0;
    if (!ReadU8(stream, byte)) {
        return false;
    }
    value = byte != 0;
    return true;
}

bool ReadU16(Stream& stream, uint16_t& value) {
    return ReadLittleEndian(stream, value);
}

bool ReadU32(Stream& stream, uint32_t& value) {
    return ReadLittleEndian(stream, value);
}

bool ReadI32(Stream& stream, int32_t& value) {
    return ReadLittleEndian(stream, value);
}

bool ReadF32(Stream& stream, float& value) {
    return ReadLittleEndian(stream, value);
}

bool ReadU64(Stream& stream, uint64_t& value) {
    return ReadLittleEndian(stream, value);
}

bool WriteU8(Stream& stream, uint8_t value) {
    return WriteLittleEndian(stream, value);
}

bool WriteBool(Stream& stream, bool value) {
    return WriteU8(stream, value ? 1 : 0);
}

bool WriteU16(Stream& stream, uint16_t value) {
    return WriteLittleEndian(stream, value);
}

bool WriteU32(Stream& stream, uint32_t value) {
    return WriteLittleEndian(stream, value);
}

bool WriteI32(Stream& stream, int32_t value) {
    return WriteLittleEndian(stream, value);
}

bool WriteF32(Stream& stream, float value) {
    return WriteLittleEndian(stream, value);
}

bool WriteU64(Stream& stream, uint64_t value) {
    return WriteLittleEndian(stream, value);
}

char* ReadString(Stream& stream) {
    StreamAccessor* accessor = stream.accessor;
    if (accessor == nullptr) {
        return nullptr;
    }
    uint32_t capacity = 64;
    uint32_t length = 0;
    auto* text = static_cast<char*>(MemAllocate(capacity, 0));
    if (text == nullptr) {
        return nullptr;
    }
    for (;;) {
        if (length == capacity) {
            void* grown = text;
            if (!MemResize(grown, capacity * 2, 0)) {
                break;
            }
            text = static_cast<char*>(grown);
            capacity *= 2;
        }
        if (ReadByte(*accessor, text[length]) != 1) {
            break;
        }
        if (text[length++] == 0) {
            MemShrink(text, length);
            return text;
        }
    }
    MemFree(text);
    return nullptr;
}

} // namespace quib
