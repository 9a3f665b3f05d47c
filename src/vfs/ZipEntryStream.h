// The content of one ZIP entry as a read-only, seekable stream over its own clone of the
// archive's stream.
#pragma once

#include "platform/DeflateCodec.h"
#include "vfs/CodecFilter.h"
#include "vfs/Stream.h"

#include <cstdint>

namespace quib {

struct ArchiveEntry;

// Reads never go past the entry: not past its size, and for data read as stored not past
// its compressed size either. Deflated content is decompressed in steps as it is read; a seek
// only records the new position, and the next read decompresses up to it, from the start of
// the entry's data again when the position lies behind what has been decompressed. The end
// is reached at the entry's size or as soon as its data runs out, whichever comes first, so a
// size field that claims more than the archive holds never keeps a reader waiting.
class ZipEntryStream : public Stream {
public:
    // Takes ownership of source, a clone of the archive's stream dedicated to this entry.
    ZipEntryStream(Stream* source, const ArchiveEntry& entry);
    ~ZipEntryStream() override;

    // Positions source at the entry's data and, for deflated entries, attaches the
    // decompression filter. False leaves the stream unusable; the caller deletes it.
    bool begin();

    uint32_t kind() const override { return source != nullptr ? source->kind() : 0; }
    Stream* clone(uint32_t) override { return nullptr; }
    bool isOpen() const override { return source != nullptr; }
    bool atEnd() const override { return position >= size_ || dataEnded; }
    void close() override;
    uint64_t size() override { return size_; }
    uint32_t readRaw(void* buffer, uint32_t count) override;
    uint32_t writeRaw(const void*, uint32_t) override { return 0; }
    bool seekRaw(int64_t offset, char origin) override;
    uint64_t tellRaw() override { return position; }
    bool truncate() override { return false; }

    Stream* source;        // owned
    uint64_t position = 0; // bytes delivered so far
    uint64_t dataOffset;
    uint64_t size_; // the entry's uncompressed size
    DeflateCodec codec;
    CodecFilter filter; // declared after codec: it uses the codec while it detaches

private:
    // Decompresses (and drops) until the decompressed position reaches position.
    bool catchUp();

    bool deflated;
    uint64_t storedLimit;   // how far data read as stored may go
    uint64_t decoded = 0;   // bytes the filter has produced since the entry's data began
    bool dataEnded = false; // a read found no more data before the entry's size
};

} // namespace quib
