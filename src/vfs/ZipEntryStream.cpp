// The content of one ZIP entry as a read-only, seekable stream over its own clone of the
// archive's stream.
#include "vfs/ZipEntryStream.h"

#include "vfs/ArchiveEntry.h"
#include "vfs/StreamAccessor.h"

#include <algorithm>

namespace quib {

ZipEntryStream::ZipEntryStream(Stream* clone, const ArchiveEntry& entry)
    : Stream(0), source(clone), dataOffset(entry.dataOffset), size_(entry.uncompressedSize),
      codec(15), filter(&codec), deflated(entry.method == ArchiveMethodDeflate),
      storedLimit(std::min(entry.compressedSize, entry.uncompressedSize)) {
    capabilities = Seekable;
}

ZipEntryStream::~ZipEntryStream() {
    CloseStream(*this);
}

bool ZipEntryStream::begin() {
    if (source == nullptr || !Seek(*source, static_cast<int64_t>(dataOffset), 's')) {
        return false;
    }
    if (!deflated) {
        return true;
    }
    codec.windowBits = -15;
    return AttachReadFilter(filter, *source);
}

// Deleting the clone runs its close sequence, which detaches the filter.
void ZipEntryStream::close() {
    delete source;
    source = nullptr;
}

bool ZipEntryStream::catchUp() {
    if (position < decoded) {
        DetachFilter(filter, *source);
        decoded = 0;
        if (!Seek(*source, static_cast<int64_t>(dataOffset), 's') ||
            !AttachReadFilter(filter, *source)) {
            return false;
        }
    }
    uint8_t scratch[4096];
    while (decoded < position) {
        const uint64_t wanted = std::min<uint64_t>(position - decoded, sizeof scratch);
        const uint32_t got = source->accessor->read(scratch, static_cast<uint32_t>(wanted));
        if (got == 0) {
            return false;
        }
        decoded += got;
    }
    return true;
}

uint32_t ZipEntryStream::readRaw(void* buffer, uint32_t count) {
    const uint64_t limit = deflated ? size_ : storedLimit;
    if (source == nullptr || position >= limit) {
        dataEnded = true;
        return 0;
    }
    count = static_cast<uint32_t>(std::min<uint64_t>(count, limit - position));
    if (deflated && decoded != position && !catchUp()) {
        dataEnded = true;
        return 0;
    }
    const uint32_t got = source->accessor->read(buffer, count);
    dataEnded = got < count || position + got >= limit;
    position += got;
    if (deflated) {
        decoded += got;
    }
    return got;
}

bool ZipEntryStream::seekRaw(int64_t offset, char origin) {
    int64_t base = 0;
    switch (origin) {
    case 's':
        break;
    case 'c':
        base = static_cast<int64_t>(position);
        break;
    case 'e':
        base = static_cast<int64_t>(size_);
        break;
    default:
        return false;
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target)) {
        return false;
    }
    position = target < 0 ? 0 : static_cast<uint64_t>(target);
    dataEnded = false;
    if (source == nullptr || !source->hasCapability(Seekable)) {
        return false;
    }
    if (deflated) {
        return true;
    }
    const uint64_t raw = dataOffset + position;
    if (raw == source->accessor->tell()) {
        return true;
    }
    source->accessor->flush(true, true);
    return source->seekRaw(static_cast<int64_t>(raw), 's');
}

} // namespace quib
