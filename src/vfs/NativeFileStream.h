// Synchronous stream over a POSIX file descriptor, with its own 64-bit position.
//
// It lives in vfs rather than platform because it derives from Stream.
#pragma once

#include "platform/PtrArray.h"
#include "vfs/Stream.h"

#include <cstddef>
#include <cstdint>

namespace quib {

// Every transfer names its position (pread/pwrite), so the descriptor's shared file offset is
// never relied on, except for an attached (borrowed) descriptor: its offset is moved to the
// stream's position for each transfer and put back afterwards.
//
// Open flags on Linux:
// - OpenExclusive takes an exclusive advisory lock (flock); every other open takes a shared
//   one, so an exclusive open fails while anyone else has the file open through this layer,
//   and the other way round. Other programs are not held off.
// - OpenUnbuffered is accepted and has no effect: the page cache stays in use (direct I/O
//   would demand aligned buffers that callers do not provide).
// - OpenCreateMissing: mode 'w' creates the file (empty) when it does not exist.
// - OpenDeleteOnClose: the file is removed by name when the stream closes; ignored with 'r'.
// Backslashes in names are path separators.
class NativeFileStream : public Stream {
public:
    enum OpenFlag : uint32_t {
        OpenExclusive = 1,
        OpenUnbuffered = 2,
        OpenCreateMissing = 8,
        OpenDeleteOnClose = 16,
    };
    // Transfers are split into pieces of at most this many bytes.
    static constexpr uint32_t PieceSize = 16u * 1024 * 1024;

    explicit NativeFileStream(uint32_t mode = 0);
    ~NativeFileStream() override;

    uint32_t kind() const override { return 0; }
    // A new stream over a duplicate of the descriptor, at position 0.
    Stream* clone(uint32_t mode) override;
    bool isOpen() const override { return fd >= 0; }
    bool atEnd() const override { return endFlag; }
    void close() override;
    // The file's size; 0 when closed or when it cannot be read.
    uint64_t size() override;
    uint32_t readRaw(void* buffer, uint32_t count) override;
    // Extends the file to its final length first; refused when not writable.
    uint32_t writeRaw(const void* buffer, uint32_t count) override;
    // Never moves the descriptor's offset; fails on a negative target.
    bool seekRaw(int64_t offset, char origin) override;
    uint64_t tellRaw() override { return position; }
    // Sets the end of the file at the stream's position.
    bool truncate() override;
    // A read-only view of [offset, offset + length) (length 0: to the end of the file); null
    // when the range leaves the file. Views stay valid until unmap or close.
    void* map(uint64_t offset, uint32_t length) override;
    void unmap(void* view) override;

    virtual bool create(const char* name, uint32_t flags);
    // Takes a descriptor opened elsewhere without owning it; starts at its current offset.
    virtual bool attach(int descriptor);
    // mode: 'r' read an existing file, 'w' read and write an existing file, 'c' create (or
    // empty) a file for reading and writing.
    virtual bool open(const char* name, char mode, uint32_t flags);

    int descriptor() const { return fd; }

protected:
    // Takes ownership of a duplicated descriptor; closes it when copy is null.
    static Stream* AdoptDuplicate(NativeFileStream* copy, int duplicate, bool writable);
    int duplicateDescriptor() const;
    bool fileSize(uint64_t& size) const;
    // Sets the file's length to cover position + count before a write.
    bool preExtend(uint32_t count);
    void notifyCompletion(uint32_t count);

    int fd = -1;
    bool endFlag = false;
    uint64_t position = 0;
    bool writable = false;

private:
    struct MappedView {
        void* base;
        size_t length;
    };

    uint32_t transferLoop(uint8_t* buffer, uint32_t count, bool isWrite);
    uint32_t transferPiece(uint8_t* buffer, uint32_t count, bool isWrite);

    bool deleteOnClose = false;
    char* fileName = nullptr; // owned; kept only for deleteOnClose
    PtrArray<MappedView> views;
};

} // namespace quib
