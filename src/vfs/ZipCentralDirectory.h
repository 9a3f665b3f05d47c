// The central directory of a ZIP archive, found through the end record at the archive's end.
#pragma once

#include "platform/PtrArray.h"

#include <cstdint>

namespace quib {

class Stream;

// The forward scan of local headers is the archive's directory; this is the second opinion
// it asks for the sizes that a local header defers to a data descriptor, and the exact
// bytes that appending an entry must keep (records with their extra fields and comments, and
// the archive comment).
class ZipCentralDirectory {
public:
    struct Record {
        uint64_t localOffset; // of the local header's signature
        uint32_t compressedSize;
        uint32_t uncompressedSize;
        uint32_t checksum;
        uint32_t at;     // where the record starts within bytes()
        uint32_t length; // 46 + name + extra field + comment
    };

    ZipCentralDirectory() = default;
    ~ZipCentralDirectory();
    ZipCentralDirectory(const ZipCentralDirectory&) = delete;
    ZipCentralDirectory& operator=(const ZipCentralDirectory&) = delete;

    // Finds the end record within the last 65,557 bytes of stream and reads the directory it
    // points at; the stream's position is restored. False for a missing or inconsistent end
    // record, a directory that does not lie wholly before it, records that do not fill it
    // exactly, and archives split over several disks or needing ZIP64 fields.
    bool load(Stream& stream);
    bool isLoaded() const { return loaded; }

    int32_t count() const { return records.Count(); }
    const Record& record(int32_t index) const { return records.Item(index); }
    // The record whose local header lies at localOffset, or null. Lookups in directory order
    // cost one step each.
    const Record* findByLocalOffset(uint64_t localOffset);

    uint64_t offset() const { return directoryOffset; } // of the first record
    const uint8_t* bytes() const { return block; }      // the directory as stored
    uint32_t size() const { return directorySize; }
    const uint8_t* comment() const { return block + directorySize; } // the archive comment
    uint16_t commentLength() const { return archiveCommentLength; }

private:
    bool readFromTail(Stream& stream, const uint8_t* tail, uint32_t tailSize, uint64_t total);
    bool readDirectory(Stream& stream, uint32_t offset, uint32_t size, uint16_t entries,
                       const uint8_t* comment, uint16_t commentLength);
    bool parseRecords(uint16_t expected);
    void reset();

    PtrArray<Record> records;
    uint8_t* block = nullptr; // directory bytes followed by the archive comment
    uint64_t directoryOffset = 0;
    uint32_t directorySize = 0;
    uint16_t archiveCommentLength = 0;
    int32_t cursor = 0;
    bool loaded = false;
};

} // namespace quib
