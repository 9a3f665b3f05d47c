// The stream a locator names: a native file, a block of memory or an entry of the default
// archive, behind one buffered front.
#pragma once

#include "vfs/ArchiveStream.h"
#include "vfs/AsyncNativeFileStream.h"
#include "vfs/MemoryStream.h"
#include "vfs/Stream.h"

#include <cstdint>

namespace quib {

// Every operation is forwarded to the backend chosen by the last open. The backends are
// unbuffered; only the FileStream itself buffers (through the accessor factory). Transfers go
// through the backend's accessor, or straight to its raw operations while the backend is in
// asynchronous mode (and so has no accessor).
//
// Locators: "file://PATH" is a native path (after the prefix, leading slashes collapse to
// one, so "file:///tmp/x" is /tmp/x and "file://x" is the relative x); "zqmem://ADDRESS:SIZE"
// is a block of memory; a plain name is looked up in the default archive and otherwise
// opened as a native path; "zqarc://", "http://" and "ftp://" are refused.
class FileStream : public Stream {
public:
    FileStream();
    ~FileStream() override;

    // mode: 'r' read, 'w' write an existing file or block, 'c' create a file.
    bool open(const char* locator, char mode);
    // Opens the memory backend over a block (used by archives opened from memory).
    bool openMemory(void* address, uint32_t size, char mode);

    uint32_t kind() const override { return backend->kind(); }
    Stream* clone(uint32_t mode) override;
    bool isOpen() const override { return backend->isOpen(); }
    bool atEnd() const override;
    void close() override { CloseStream(*backend); }
    uint64_t size() override { return backend->size(); }
    uint32_t readRaw(void* buffer, uint32_t count) override;
    uint32_t writeRaw(const void* buffer, uint32_t count) override;
    bool seekRaw(int64_t offset, char origin) override { return Seek(*backend, offset, origin); }
    uint64_t tellRaw() override;
    bool truncate() override;
    void* map(uint64_t offset, uint32_t length) override;
    void unmap(void* view) override { backend->unmap(view); }
    bool setAsyncRaw(bool on) override { return SetAsyncMode(*backend, on); }
    bool isIdle() override { return backend->isIdle(); }
    uint32_t asyncStatus() override { return backend->asyncStatus(); }
    void waitIdle() override { backend->waitIdle(); }
    void cancel() override { backend->cancel(); }

    Stream* backend; // one of the three below; never null
    MemoryStream memory;
    ArchiveStream archived;
    AsyncNativeFileStream native;
};

} // namespace quib
