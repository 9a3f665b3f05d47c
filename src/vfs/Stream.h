// The stream: raw operations of each implementation, filter chains and the accessor in front.
//
// Sections: the Stream base class; the chain and accessor operations that work on any stream
// (attach/detach/rebuild, ReplaceAccessor, Seek, SetAsyncMode, CloseStream).
#pragma once

#include "platform/MemAllocator.h"
#include "platform/PtrArray.h"
#include "vfs/ChainLink.h"
#include "vfs/StreamAccessor.h"

#include <cstdint>

namespace quib {

class StreamFilter;

// Callers read and write through `accessor`, never through readRaw/writeRaw. Every transfer
// passes the filter chains: readLink/writeLink enter the first enabled filter, or the stream's
// own raw operation when no filter is enabled. Positions and sizes are 64-bit.
class Stream : public MemObject {
public:
    enum Capability : uint32_t {
        CanAsync = 1,
        Seekable = 2,
        Mappable = 4,
    };
    enum ModeBit : uint32_t {
        ModeMask = 0x3F, // the part of the creator's mode that is kept
        Unbuffered = 4,  // use the unbuffered accessor
        AsyncMode = 1u << 30,
        BorrowedHandle = 1u << 31,
    };
    using Completion = void (*)(Stream& stream, uint32_t count, uintptr_t value);

    // Keeps mode & ModeMask, installs an accessor and binds both links to the raw operations.
    explicit Stream(uint32_t mode);
    // Destroys the accessor and the filter arrays. It does not close: concrete streams run
    // CloseStream in their own destructors, while their raw operations still exist.
    virtual ~Stream();
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // 0 native file, 1 memory, 2 archive-loaded memory.
    virtual uint32_t kind() const = 0;
    // A new stream over the same data with its own position, or null.
    virtual Stream* clone(uint32_t mode) = 0;
    virtual bool isOpen() const = 0;
    // The raw end flag.
    virtual bool atEnd() const = 0;
    virtual void close() = 0;
    // Seeks to the end and back through the accessor; a stream that cannot seek reports its
    // current position.
    virtual uint64_t size();
    virtual uint32_t readRaw(void* buffer, uint32_t count) = 0;
    virtual uint32_t writeRaw(const void* buffer, uint32_t count) = 0;
    // origin: 's' start, 'c' current, 'e' end; any other letter fails.
    virtual bool seekRaw(int64_t offset, char origin);
    virtual uint64_t tellRaw();
    // Sets the end of the data at the current position.
    virtual bool truncate() = 0;
    virtual void* map(uint64_t offset, uint32_t length);
    virtual void unmap(void* view);
    virtual bool setAsyncRaw(bool on);
    virtual bool isIdle();
    virtual uint32_t asyncStatus();
    virtual void waitIdle();
    virtual void cancel();

    bool hasCapability(Capability c) const { return (capabilities & c) != 0; }

    ChainLink readLink;
    ChainLink writeLink;
    uint32_t capabilities = 0;
    uint32_t mode;
    Completion completion = nullptr;
    uintptr_t completionValue = 0;
    StreamAccessor* accessor = nullptr; // owned; null only while AsyncMode is on
    PtrArray<StreamFilter*> readFilters;
    PtrArray<StreamFilter*> writeFilters;
};

// Filter chains. Attaching appends to the array and, when the filter's onAttach agrees,
// rebuilds the chain. A filter serves one role on one stream at a time: attaching a filter
// that is attached elsewhere (or in the other role) is refused.
bool AttachReadFilter(StreamFilter& filter, Stream& stream);
// Writes out what the accessor holds first, so that output buffered so far goes out unfiltered.
bool AttachWriteFilter(StreamFilter& filter, Stream& stream);
// Does nothing unless the filter is attached to this stream.
void DetachFilter(StreamFilter& filter, Stream& stream);
void DetachAllReadFilters(Stream& stream);
void DetachAllWriteFilters(Stream& stream);
void RebuildReadChain(Stream& stream);
void RebuildWriteChain(Stream& stream);

// Installs a new accessor (the factory's unless the stream is Unbuffered), flushing and
// destroying the old one.
void ReplaceAccessor(Stream& stream);

// The seek that callers use: gives back read-ahead and writes out buffered output first.
bool Seek(Stream& stream, int64_t offset, char origin);

// Asynchronous mode has no accessor. A stream that refuses to switch keeps (or regains) one.
bool SetAsyncMode(Stream& stream, bool on);

// What every owner runs before destroying a stream (and every open runs first): write out
// buffered output, detach all filters, close.
void CloseStream(Stream& stream);

// Deleter for a std::unique_ptr that owns a stream (an archive entry, a clone): closes it the
// way every owner must, then deletes it.
struct StreamCloser {
    void operator()(Stream* stream) const {
        CloseStream(*stream);
        delete stream;
    }
};

} // namespace quib
