// The front end of a stream that callers read and write through, buffered or not.
#pragma once

#include "platform/MemAllocator.h"

#include <cstdint>

namespace quib {

class Stream;

class StreamAccessor : public MemObject {
public:
    StreamAccessor() = default;
    virtual ~StreamAccessor() = default;
    StreamAccessor(const StreamAccessor&) = delete;
    StreamAccessor& operator=(const StreamAccessor&) = delete;

    // Fewer than count bytes only at the end of the data or on failure.
    virtual uint32_t read(void* buffer, uint32_t count) = 0;
    virtual uint32_t write(const void* buffer, uint32_t count) = 0;
    // discardRead: give back read-ahead (seek the stream back over bytes buffered but not yet
    // consumed); writeOut: write out buffered output.
    virtual void flush(bool discardRead, bool writeOut) = 0;
    virtual bool atEnd() = 0;
    // The position as the caller sees it.
    virtual uint64_t tell() = 0;

    Stream* stream = nullptr; // the owning stream; not owned
};

// Creates the accessor of every buffered stream; installed once at start-up.
using AccessorFactory = StreamAccessor* (*)();

} // namespace quib
