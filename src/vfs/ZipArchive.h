// ZIP archives: the directory read by a forward scan of local headers, entries read as
// streams (stored or deflated), and deflated entries appended.
#pragma once

#include "vfs/Archive.h"

#include <cstdint>

namespace quib {

class ZipCentralDirectory;
class ZipScanWindow;

// Reads single-disk archives without ZIP64 fields. The forward scan of local headers is the
// directory; the central directory is consulted only for entries whose local header defers
// its sizes to a data descriptor, and rewritten whole (plus the new record) when an entry is
// added.
class ZipArchive : public Archive {
public:
    // An empty stream (an empty archive) or one that begins with a local file header.
    bool probe(Stream& stream) override;
    // Appends a deflated entry. method must be 1 (deflate) or -3 (default); options none.
    // On a failed write the archive's old directory is put back.
    bool addFile(const char* locator, const char* entryName, int32_t method,
                 const void* options) override;
    Stream* openEntry(const ArchiveEntry* entry) override;
    // Not offered by this format: always null.
    void* loadEntry(const ArchiveEntry*) override { return nullptr; }
    // Fails on anything but a well-formed sequence of local entries that ends at the first
    // central directory record.
    bool readDirectory() override;

    uint64_t directoryOffset = 0; // of the first central directory record; 0 when empty

private:
    bool scanEntry(ZipScanWindow& window, const uint8_t* header, uint64_t& offset, uint64_t total,
                   ZipCentralDirectory& central);
    bool appendEntry(Stream& input, const char* name, uint32_t nameLength,
                     const ZipCentralDirectory& central);
    bool verifyEntry(const ArchiveEntry& entry);
};

} // namespace quib
