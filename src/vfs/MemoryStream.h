// A block of memory presented as a stream, and the "zqmem://" locators that name such blocks.
#pragma once

#include "vfs/Stream.h"

#include <cstdint>

namespace quib {

// Reads and writes stay within the block: it never grows; a transfer that passes the end is
// cut there and sets the end flag. Always unbuffered (mode 0, capabilities 6). Clones share the
// block but not the position; an owned block is released once, when the last stream over it
// closes.
class MemoryStream : public Stream {
public:
    enum OpenFlag : uint32_t {
        AllocateBlock = 8, // mode "w" without an address: allocate a block of the given size
        OwnBlock = 16,     // the stream frees the block with MemFree when it closes
    };

    MemoryStream();
    ~MemoryStream() override;

    uint32_t kind() const override { return 1; }
    Stream* clone(uint32_t mode) override;
    bool isOpen() const override { return blockBegin != nullptr; }
    bool atEnd() const override { return endFlag; }
    void close() override;
    uint64_t size() override { return static_cast<uint64_t>(blockEnd - blockBegin); }
    uint32_t readRaw(void* buffer, uint32_t count) override;
    uint32_t writeRaw(const void* buffer, uint32_t count) override;
    bool seekRaw(int64_t offset, char origin) override;
    uint64_t tellRaw() override { return static_cast<uint64_t>(cursor - blockBegin); }
    // The block never changes size; truncation succeeds without changing anything.
    bool truncate() override { return true; }
    // Null when closed or when offset and length leave the block.
    void* map(uint64_t offset, uint32_t length) override;

private:
    friend bool OpenMemory(MemoryStream&, void*, uint32_t, char, uint32_t);
    friend bool OpenMemoryReadOnly(MemoryStream&, const void*, uint32_t);

    struct SharedBlock;
    void releaseBlock();
    // The bytes of count that fit before the block's end; raises the end flag when fewer.
    uint32_t clampToBlock(uint32_t count);
    // Moves the cursor past count transferred bytes and reports them to the completion hook.
    uint32_t advance(uint32_t count);

    uint8_t* blockBegin = nullptr;
    uint8_t* cursor = nullptr;
    uint8_t* blockEnd = nullptr;
    bool endFlag = false;
    bool writable = false;
    bool owned = false;
    // Counts the streams over an owned block once it has been cloned; null until then.
    SharedBlock* shared = nullptr;
};

// Closes the stream, then opens it over [address, address + size). Mode 'r' reads an existing
// block; 'w' overwrites one (or, with AllocateBlock and no address, a new zeroed block);
// 'c' allocates a new zeroed block and refuses an address. A block the stream allocates is
// owned by it. On failure the stream stays closed and a caller's block stays the caller's.
bool OpenMemory(MemoryStream& stream, void* address, uint32_t size, char mode, uint32_t flags);
// Closes the stream, then opens it read-only over a caller's block (used to probe blocks).
bool OpenMemoryReadOnly(MemoryStream& stream, const void* address, uint32_t size);

// "zqmem://0x%08X:%d": the address in upper-case hexadecimal and the size in decimal. An
// address above 32 bits takes sixteen digits ("zqmem://0x00007F12345678A0:256"), so locators
// round-trip every address of a 64-bit process. Answers the length written.
uint32_t FormatMemoryLocator(char* buffer, uint32_t bufferSize, const void* address, uint32_t size);
// Parses a "zqmem://" locator (prefix in any letter case): address and size are each
// hexadecimal after "0x" or "0X", else decimal with an optional minus sign, each read up to the
// first character that does not belong to the number and at most 32 characters long. False
// without a colon after the prefix.
bool ParseMemoryLocator(const char* locator, void*& address, uint32_t& size);

} // namespace quib
