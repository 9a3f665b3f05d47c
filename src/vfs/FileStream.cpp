// The stream a locator names: a native file, a block of memory or an entry of the default
// archive, behind one buffered front.
#include "vfs/FileStream.h"

#include "vfs/LocatorScheme.h"
#include "vfs/StreamAccessor.h"

namespace quib {

FileStream::FileStream() : Stream(0), backend(&memory), native(Unbuffered) {
    capabilities = CanAsync | Seekable | Mappable;
    native.mode = 0;
}

FileStream::~FileStream() {
    CloseStream(*this);
}

bool FileStream::open(const char* locator, char mode) {
    CloseStream(*this);
    switch (FindLocatorScheme(locator)) {
    case LocatorScheme::NativeFile: {
        const char* path = locator + LocatorPrefixLength(locator);
        while (path[0] == '/' && path[1] == '/') {
            ++path;
        }
        backend = &native;
        return native.open(path, mode, 0);
    }
    case LocatorScheme::Plain:
        backend = &archived;
        if (archived.open(locator, mode)) {
            return true;
        }
        backend = &native;
        return native.open(locator, mode, 0);
    case LocatorScheme::Memory: {
        void* address = nullptr;
        uint32_t size = 0;
        backend = &memory;
        return ParseMemoryLocator(locator, address, size) &&
               OpenMemory(memory, address, size, mode, 0);
    }
    case LocatorScheme::Archive:
    case LocatorScheme::Remote:
        break;
    }
    return false;
}

bool FileStream::openMemory(void* address, uint32_t size, char mode) {
    CloseStream(*this);
    backend = &memory;
    return OpenMemory(memory, address, size, mode, 0);
}

Stream* FileStream::clone(uint32_t cloneMode) {
    return backend->clone((cloneMode & ModeMask) | backend->mode);
}

bool FileStream::atEnd() const {
    return backend->accessor != nullptr ? backend->accessor->atEnd() : backend->atEnd();
}

uint32_t FileStream::readRaw(void* buffer, uint32_t count) {
    return backend->accessor != nullptr ? backend->accessor->read(buffer, count)
                                        : backend->readRaw(buffer, count);
}

uint32_t FileStream::writeRaw(const void* buffer, uint32_t count) {
    return backend->accessor != nullptr ? backend->accessor->write(buffer, count)
                                        : backend->writeRaw(buffer, count);
}

uint64_t FileStream::tellRaw() {
    return backend->accessor != nullptr ? backend->accessor->tell() : backend->tellRaw();
}

bool FileStream::truncate() {
    if (backend->accessor != nullptr) {
        backend->accessor->flush(true, true);
    }
    return backend->truncate();
}

void* FileStream::map(uint64_t offset, uint32_t length) {
    return backend->hasCapability(Mappable) ? backend->map(offset, length) : nullptr;
}

} // namespace quib
