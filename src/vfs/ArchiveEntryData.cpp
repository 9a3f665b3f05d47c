// Reads a named archive entry whole into memory.
#include "vfs/ArchiveEntryData.h"

#include "vfs/Archive.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"

#include <memory>

namespace quib {

EntryRead ReadArchiveEntry(Archive& archive, const std::string& name, std::vector<uint8_t>& bytes) {
    const ArchiveEntry* entry = archive.entryAt(FindEntry(archive, name.c_str()));
    if (entry == nullptr) {
        return EntryRead::Missing;
    }
    const std::unique_ptr<Stream, StreamCloser> stream(archive.openEntry(entry));
    if (stream == nullptr) {
        return EntryRead::Failed;
    }
    // The stated size is checked, not trusted: the bytes grow with what the entry yields.
    const uint64_t size = stream->size();
    bytes.clear();
    uint8_t block[65536];
    uint32_t got = 0;
    while (bytes.size() <= size && (got = stream->accessor->read(block, sizeof block)) > 0) {
        bytes.insert(bytes.end(), block, block + got);
    }
    return bytes.size() == size ? EntryRead::Ok : EntryRead::Failed;
}

} // namespace quib
