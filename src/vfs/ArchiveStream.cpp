// A stream over an entry of the process-wide default archive, loaded whole into memory.
#include "vfs/ArchiveStream.h"

#include "platform/MemAllocator.h"
#include "vfs/Archive.h"
#include "vfs/StreamAccessor.h"

namespace quib {

namespace {
Archive* defaultArchive = nullptr;
} // namespace

Archive* DefaultArchive() {
    return defaultArchive;
}
void SetDefaultArchive(Archive* archive) {
    defaultArchive = archive;
}

ArchiveStream::ArchiveStream() : Stream(Unbuffered) {
    capabilities = Seekable | Mappable;
    mode = 0;
}

ArchiveStream::~ArchiveStream() {
    CloseStream(*this);
}

bool ArchiveStream::open(const char* name, char openMode) {
    CloseStream(*this);
    Archive* archive = defaultArchive;
    if (archive == nullptr || openMode == 'c') {
        return false;
    }
    void* block = archive->loadEntry(archive->entryAt(FindEntry(*archive, name)));
    if (block == nullptr) {
        return false;
    }
    if (!OpenMemory(inner, block, MemBlockSize(block), openMode, MemoryStream::OwnBlock)) {
        MemFree(block);
        return false;
    }
    return true;
}

Stream* ArchiveStream::clone(uint32_t cloneMode) {
    return inner.isOpen() ? inner.clone((cloneMode & ModeMask) | inner.mode) : nullptr;
}

bool ArchiveStream::atEnd() const {
    return inner.accessor->atEnd();
}

uint32_t ArchiveStream::readRaw(void* buffer, uint32_t count) {
    return inner.accessor->read(buffer, count);
}

uint32_t ArchiveStream::writeRaw(const void* buffer, uint32_t count) {
    return inner.accessor->write(buffer, count);
}

uint64_t ArchiveStream::tellRaw() {
    return inner.accessor->tell();
}

bool ArchiveStream::truncate() {
    inner.accessor->flush(true, true);
    return inner.truncate();
}

} // namespace quib
