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
    const uint64_t size = stream->size();
    bool whole = size <= UINT32_MAX;
    if (whole) {
        bytes.resize(size);
        whole = stream->accessor->read(bytes.data(), static_cast<uint32_t>(size)) == size;
    }
    return whole ? EntryRead::Ok : EntryRead::Failed;
}

} // namespace quib
