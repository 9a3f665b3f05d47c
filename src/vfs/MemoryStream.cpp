// Memory stream: transfers within the block, shared ownership among clones, memory locators.
#include "vfs/MemoryStream.h"

#include "platform/MemAllocator.h"
#include "platform/NumberParsers.h"
#include "platform/StringPrimitives.h"
#include "platform/TextFormat.h"

#include <atomic>
#include <cstring>
#include <new>

namespace quib {

namespace {

// Each of the two fields of a memory locator is read from at most this many characters.
constexpr uint32_t MemoryLocatorFieldLimit = 32;

} // namespace

struct MemoryStream::SharedBlock {
    std::atomic<uint32_t> streams;
};

MemoryStream::MemoryStream() : Stream(Unbuffered) {
    mode = 0;
    capabilities = Seekable | Mappable;
}

MemoryStream::~MemoryStream() {
    CloseStream(*this);
}

// The first clone of an owned block creates the shared count; every stream over the block then
// holds one reference and the last to close frees the block.
Stream* MemoryStream::clone(uint32_t) {
    if (!isOpen()) {
        return nullptr;
    }
    if (owned && shared == nullptr) {
        void* record = MemAllocate(sizeof(SharedBlock), 0);
        if (record == nullptr) {
            return nullptr;
        }
        shared = new (record) SharedBlock{1};
    }
    auto* copy = new MemoryStream();
    if (copy == nullptr) {
        return nullptr;
    }
    copy->blockBegin = copy->cursor = blockBegin;
    copy->blockEnd = blockEnd;
    copy->writable = writable;
    copy->owned = owned;
    copy->shared = shared;
    if (shared != nullptr) {
        shared->streams.fetch_add(1);
    }
    return copy;
}

void MemoryStream::releaseBlock() {
    if (!owned) {
        return;
    }
    if (shared == nullptr) {
        MemFree(blockBegin);
    } else if (shared->streams.fetch_sub(1) == 1) {
        MemFree(blockBegin);
        shared->~SharedBlock();
        MemFree(shared);
    }
}

void MemoryStream::close() {
    releaseBlock();
    mode = 0;
    blockBegin = cursor = blockEnd = nullptr;
    endFlag = writable = owned = false;
    shared = nullptr;
    capabilities = Seekable | Mappable;
}

uint32_t MemoryStream::readRaw(void* buffer, uint32_t count) {
    if (!isOpen() || count == 0) {
        return 0;
    }
    count = clampToBlock(count);
    if (count > 0) {
        std::memcpy(buffer, cursor, count);
    }
    return advance(count);
}

uint32_t MemoryStream::writeRaw(const void* buffer, uint32_t count) {
    if (!isOpen() || !writable || count == 0) {
        return 0;
    }
    count = clampToBlock(count);
    if (count > 0) {
        std::memcpy(cursor, buffer, count);
    }
    return advance(count);
}

uint32_t MemoryStream::clampToBlock(uint32_t count) {
    const auto remaining = static_cast<uint64_t>(blockEnd - cursor);
    if (count > remaining) {
        endFlag = true;
        return static_cast<uint32_t>(remaining);
    }
    return count;
}

uint32_t MemoryStream::advance(uint32_t count) {
    cursor += count;
    if (completion != nullptr) {
        completion(*this, count, completionValue);
    }
    return count;
}

bool MemoryStream::seekRaw(int64_t offset, char origin) {
    if (!isOpen()) {
        return false;
    }
    const auto blockSize = static_cast<int64_t>(blockEnd - blockBegin);
    int64_t base = 0;
    switch (origin) {
    case 's':
        base = 0;
        break;
    case 'c':
        base = cursor - blockBegin;
        break;
    case 'e':
        base = blockSize;
        break;
    default:
        return false;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0 || target > blockSize) {
        return false;
    }
    cursor = blockBegin + target;
    endFlag = target >= blockSize;
    return true;
}

void* MemoryStream::map(uint64_t offset, uint32_t length) {
    const auto blockSize = static_cast<uint64_t>(blockEnd - blockBegin);
    if (!isOpen() || offset > blockSize || length > blockSize - offset) {
        return nullptr;
    }
    return blockBegin + offset;
}

bool OpenMemory(MemoryStream& stream, void* address, uint32_t size, char mode, uint32_t flags) {
    CloseStream(stream);
    bool writable = true;
    switch (mode) {
    case 'c':
        if (address != nullptr || size == 0) {
            return false;
        }
        address = MemAllocate(size, MemZero);
        flags |= MemoryStream::OwnBlock;
        break;
    case 'r':
        writable = false;
        if (address == nullptr) {
            return false;
        }
        break;
    case 'w':
        if (address == nullptr) {
            if ((flags & MemoryStream::AllocateBlock) == 0 || size == 0) {
                return false;
            }
            address = MemAllocate(size, MemZero);
            flags |= MemoryStream::OwnBlock;
        }
        break;
    default:
        return false;
    }
    if (address == nullptr) {
        return false;
    }
    stream.blockBegin = stream.cursor = static_cast<uint8_t*>(address);
    stream.blockEnd = stream.blockBegin + size;
    stream.endFlag = false;
    stream.writable = writable;
    stream.owned = (flags & MemoryStream::OwnBlock) != 0;
    return stream.isOpen();
}

bool OpenMemoryReadOnly(MemoryStream& stream, const void* address, uint32_t size) {
    CloseStream(stream);
    if (address == nullptr) {
        return false;
    }
    stream.blockBegin = stream.cursor = static_cast<uint8_t*>(const_cast<void*>(address));
    stream.blockEnd = stream.blockBegin + size;
    stream.endFlag = false;
    stream.writable = false;
    return stream.isOpen();
}

uint32_t FormatMemoryLocator(char* buffer, uint32_t bufferSize, const void* address,
                             uint32_t size) {
    const auto value = reinterpret_cast<uintptr_t>(address);
    const auto low = static_cast<uint32_t>(value);
    const auto signedSize = static_cast<int32_t>(size);
    if (static_cast<uint64_t>(value) > 0xFFFFFFFFu) {
        const auto high = static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32);
        return TextFormat(buffer, bufferSize, "zqmem://0x%08X%08X:%d", high, low, signedSize);
    }
    return TextFormat(buffer, bufferSize, "zqmem://0x%08X:%d", low, signedSize);
}

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Hexadecimal after "0x" (64-bit: beyond eight digits the leading ones form the high half),
// otherwise decimal with an optional minus sign.
uint64_t ParseLocatorNumber(const char* text) {
    if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        return static_cast<uint64_t>(ParseDecimal(text));
    }
    const char* digits = text + 2;
    uint32_t count = 0;
    while (IsHexDigit(digits[count])) {
        ++count;
    }
    if (count <= 8) {
        return ParseHex(digits);
    }
    char high[MemoryLocatorFieldLimit + 1];
    StrCopyBounded(high, MemoryLocatorFieldLimit, count - 8, digits);
    return (static_cast<uint64_t>(ParseHex(high)) << 32) | ParseHex(digits + count - 8);
}

} // namespace

bool ParseMemoryLocator(const char* locator, void*& address, uint32_t& size) {
    static constexpr char Prefix[] = "zqmem://";
    constexpr uint32_t PrefixLength = sizeof(Prefix) - 1;
    if (StrLength(locator) < PrefixLength || StrCompareNoCase(PrefixLength, locator, Prefix) != 0) {
        return false;
    }
    const char* rest = locator + PrefixLength;
    const char* colon = std::strchr(rest, ':');
    if (colon == nullptr) {
        return false;
    }
    char addressText[MemoryLocatorFieldLimit + 1];
    char sizeText[MemoryLocatorFieldLimit + 1];
    StrCopyBounded(addressText, MemoryLocatorFieldLimit, static_cast<uint32_t>(colon - rest), rest);
    StrCopyBounded(sizeText, MemoryLocatorFieldLimit, StrLength(colon + 1), colon + 1);
    address = reinterpret_cast<void*>(static_cast<uintptr_t>(ParseLocatorNumber(addressText)));
    size = static_cast<uint32_t>(ParseLocatorNumber(sizeText));
    return true;
}

} // namespace quib
