// A stage of a stream's read or write chain (decompression of archive entries is one).
#pragma once

#include "platform/MemAllocator.h"
#include "vfs/ChainLink.h"

#include <cstdint>

namespace quib {

class Stream;

// Filters live outside the stream: their creator attaches, detaches and destroys them.
// A concrete filter whose detach hooks release anything detaches itself in its own destructor
// (the base destructor can only reach the base hooks).
class StreamFilter : public MemObject {
public:
    StreamFilter() = default;
    virtual ~StreamFilter();
    StreamFilter(const StreamFilter&) = delete;
    StreamFilter& operator=(const StreamFilter&) = delete;

    // Both rebuild the host's chains when the state changes.
    virtual void enable();
    virtual void disable();
    // false refuses the attachment's chain rebuild.
    virtual bool onAttachRead();
    virtual bool onAttachWrite();
    virtual bool onDetachRead();
    // Ends the write role: pushes all pending output downstream.
    virtual bool onDetachWrite();
    // Produces up to count bytes, pulling input through readLink.
    virtual uint32_t read(void* buffer, uint32_t count) = 0;
    // Consumes count bytes, pushing output through writeLink.
    virtual uint32_t write(const void* buffer, uint32_t count) = 0;

    ChainLink readLink;
    ChainLink writeLink;
    Stream* host = nullptr; // not owned
    bool enabled = true;
};

} // namespace quib
