// A stream over an entry of the process-wide default archive, loaded whole into memory.
#pragma once

#include "vfs/MemoryStream.h"
#include "vfs/Stream.h"

#include <cstdint>

namespace quib {

class Archive;

// The default archive that plain locator names are looked up in first; none initially.
// Set at start-up only (nothing synchronises it).
Archive* DefaultArchive();
void SetDefaultArchive(Archive* archive);

// Forwards to a memory stream that owns the loaded entry. Kind 2 (archive-loaded memory).
class ArchiveStream : public Stream {
public:
    ArchiveStream();
    ~ArchiveStream() override;

    // Looks name up in the default archive and loads the entry. False without a default
    // archive, for mode 'c', for a name that is absent, or when the archive cannot load it.
    bool open(const char* name, char mode);

    uint32_t kind() const override { return 2; }
    Stream* clone(uint32_t mode) override;
    bool isOpen() const override { return inner.isOpen(); }
    bool atEnd() const override;
    void close() override { CloseStream(inner); }
    uint64_t size() override { return inner.size(); }
    uint32_t readRaw(void* buffer, uint32_t count) override;
    uint32_t writeRaw(const void* buffer, uint32_t count) override;
    bool seekRaw(int64_t offset, char origin) override { return Seek(inner, offset, origin); }
    uint64_t tellRaw() override;
    bool truncate() override;
    void* map(uint64_t offset, uint32_t length) override { return inner.map(offset, length); }
    void unmap(void* view) override { inner.unmap(view); }

    MemoryStream inner;
};

} // namespace quib
