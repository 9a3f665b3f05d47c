// One entry of an archive's directory: its name, how it is stored and where its data lies.
#pragma once

#include <cstdint>

namespace quib {

// How an entry's data is stored. Only stored and deflated data can be read as content.
enum ArchiveMethod : int32_t {
    ArchiveMethodOther = -1,
    ArchiveMethodStored = 0,
    ArchiveMethodDeflate = 1,
    ArchiveMethodLzma = 2, // recognised only
};

// A record held by value in the archive's entry array; it owns its name. Records are valid
// while their archive stays open.
struct ArchiveEntry {
    ArchiveEntry() = default;
    ~ArchiveEntry();
    ArchiveEntry(ArchiveEntry&& other) noexcept;
    ArchiveEntry& operator=(ArchiveEntry&& other) noexcept;
    ArchiveEntry(const ArchiveEntry&) = delete;
    ArchiveEntry& operator=(const ArchiveEntry&) = delete;

    // A zero-terminated copy of length bytes; false when there is no room for it.
    bool setName(const char* bytes, uint32_t length);
    // A zeroed buffer of length + 1 bytes for the name to be read into; nameComplete stays
    // clear until the caller has filled it. Null when there is no room.
    char* reserveName(uint32_t length);

    char* name = nullptr;      // the name exactly as stored; zero-terminated; MemAllocate block
    bool nameComplete = false; // every byte of the name was read
    int32_t method = ArchiveMethodStored;
    int32_t encryption = 0; // -1 when the entry is encrypted
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t checksum = 0;     // CRC-32 of the uncompressed bytes, as the archive records it
    uint64_t headerOffset = 0; // just after the local header's signature
    uint64_t dataOffset = 0;   // first byte of the entry's data
};

} // namespace quib
