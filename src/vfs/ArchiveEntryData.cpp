// Reads a named archive entry whole into memory.
#include "vfs/ArchiveEntryData.h"

#include "vfs/Archive.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"

#include <memory>
#include <new>

namespace quib {

EntryRead ReadArchiveEntry(Archive& archive, const std::string& name, std::vector<uint8_t>& bytes) {
    const ArchiveEntry* entry = archive.entryAt(FindEntry(archive, name.c_str()));
    if (entry == nullptr) {
        bytes.clear();
        return EntryRead::Missing;
    }
    return ReadArchiveEntry(archive, *entry, bytes);
}

EntryRead ReadArchiveEntry(Archive& archive, const ArchiveEntry& entry,
                           std::vector<uint8_t>& bytes) {
    bytes.clear();
    const std::unique_ptr<Stream, StreamCloser> stream(archive.openEntry(&entry));
    if (stream == nullptr) {
        return EntryRead::Failed;
    }
    // The stated size is checked, not trusted: the bytes grow with what the entry yields, so a
    // header that lies costs no more than the data behind it.
    const uint64_t size = stream->size();
    if (size > kEntryReadLimit) {
        return EntryRead::Failed;
    }
    uint8_t block[65536];
    uint32_t got = 0;
    try {
        while (bytes.size() <= size && (got = stream->accessor->read(block, sizeof block)) > 0) {
            bytes.insert(bytes.end(), block, block + got);
        }
    } catch (const std::bad_alloc&) {
        std::vector<uint8_t>().swap(bytes);
        return EntryRead::Failed;
    }
    return bytes.size() == size ? EntryRead::Ok : EntryRead::Failed;
}

} // namespace quib
