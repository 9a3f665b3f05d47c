// Stream base behaviour and the operations on any stream: chains, accessor, seek, async mode,
// the close sequence.
#include "vfs/Stream.h"

#include "vfs/StreamAccessor.h"
#include "vfs/StreamFilter.h"
#include "vfs/StreamSettings.h"
#include "vfs/UnbufferedAccessor.h"

namespace quib {

Stream::Stream(uint32_t creatorMode) : mode(creatorMode & ModeMask) {
    ReplaceAccessor(*this);
    RebuildReadChain(*this);
    RebuildWriteChain(*this);
}

Stream::~Stream() {
    delete accessor;
}

// Without an accessor (asynchronous mode) the raw position is the caller's position.
uint64_t Stream::size() {
    auto tell = [this] { return accessor != nullptr ? accessor->tell() : tellRaw(); };
    auto flush = [this] {
        if (accessor != nullptr) {
            accessor->flush(true, true);
        }
    };
    const bool seekable = hasCapability(Seekable);
    const uint64_t position = tell();
    if (seekable) {
        flush();
        seekRaw(0, 'e');
    }
    const uint64_t end = tell();
    if (seekable && tell() != position) {
        flush();
        seekRaw(static_cast<int64_t>(position), 's');
    }
    return end;
}

bool Stream::seekRaw(int64_t, char) {
    return false;
}

uint64_t Stream::tellRaw() {
    return 0;
}

void* Stream::map(uint64_t, uint32_t) {
    return nullptr;
}

void Stream::unmap(void*) {}

bool Stream::setAsyncRaw(bool) {
    return false;
}

bool Stream::isIdle() {
    return true;
}

uint32_t Stream::asyncStatus() {
    return 0;
}

void Stream::waitIdle() {}

void Stream::cancel() {}

namespace {

// Every filter, enabled or not, links to the next enabled filter after it (or the raw
// operation), so that even a disabled filter that finishes its output on detachment pushes it
// to a live part of the chain.
template <class LinkOf, class FilterLink>
ChainLink BuildChain(PtrArray<StreamFilter*>& filters, ChainLink raw, LinkOf linkOf,
                     FilterLink filterLink) {
    ChainLink next = raw;
    for (int32_t i = filters.Count() - 1; i >= 0; --i) {
        StreamFilter* filter = filters.Item(i);
        linkOf(*filter) = next;
        if (filter->enabled) {
            next = filterLink(filter);
        }
    }
    return next;
}

bool AttachFilter(StreamFilter& filter, Stream& stream, bool forReading) {
    PtrArray<StreamFilter*>& filters = forReading ? stream.readFilters : stream.writeFilters;
    StreamFilter* const entry = &filter;
    if (filter.host == &stream && filters.Contains(entry)) {
        return true;
    }
    if (filter.host != nullptr) {
        return false;
    }
    if (!forReading && stream.accessor != nullptr) {
        stream.accessor->flush(false, true);
    }
    if (!filters.Append(entry)) {
        return false;
    }
    filter.host = &stream;
    if (!(forReading ? filter.onAttachRead() : filter.onAttachWrite())) {
        return false;
    }
    if (forReading) {
        RebuildReadChain(stream);
    } else {
        RebuildWriteChain(stream);
    }
    return true;
}

void DetachAll(Stream& stream, PtrArray<StreamFilter*>& filters) {
    while (filters.Count() > 0) {
        StreamFilter* first = filters.Item(0);
        if (first->host == &stream) {
            DetachFilter(*first, stream);
        } else {
            filters.RemoveAt(0);
        }
    }
}

} // namespace

void RebuildReadChain(Stream& stream) {
    stream.readLink = BuildChain(
        stream.readFilters, ChainLink::ToRead<Stream, &Stream::readRaw>(&stream),
        [](StreamFilter& f) -> ChainLink& { return f.readLink; },
        [](StreamFilter* f) { return ChainLink::ToRead<StreamFilter, &StreamFilter::read>(f); });
}

void RebuildWriteChain(Stream& stream) {
    stream.writeLink = BuildChain(
        stream.writeFilters, ChainLink::ToWrite<Stream, &Stream::writeRaw>(&stream),
        [](StreamFilter& f) -> ChainLink& { return f.writeLink; },
        [](StreamFilter* f) { return ChainLink::ToWrite<StreamFilter, &StreamFilter::write>(f); });
}

bool AttachReadFilter(StreamFilter& filter, Stream& stream) {
    return AttachFilter(filter, stream, true);
}

bool AttachWriteFilter(StreamFilter& filter, Stream& stream) {
    return AttachFilter(filter, stream, false);
}

void DetachFilter(StreamFilter& filter, Stream& stream) {
    if (filter.host != &stream) {
        return;
    }
    StreamFilter* const entry = &filter;
    if (stream.readFilters.Contains(entry)) {
        filter.onDetachRead();
        stream.readFilters.Remove(entry);
        RebuildReadChain(stream);
    } else {
        if (stream.accessor != nullptr) {
            stream.accessor->flush(false, true);
        }
        filter.onDetachWrite();
        stream.writeFilters.Remove(entry);
        RebuildWriteChain(stream);
    }
    filter.host = nullptr;
}

void DetachAllReadFilters(Stream& stream) {
    DetachAll(stream, stream.readFilters);
}

void DetachAllWriteFilters(Stream& stream) {
    DetachAll(stream, stream.writeFilters);
}

void ReplaceAccessor(Stream& stream) {
    StreamAccessor* fresh = nullptr;
    if (StreamSettings::accessorFactory != nullptr && (stream.mode & Stream::Unbuffered) == 0) {
        fresh = StreamSettings::accessorFactory();
    }
    if (fresh == nullptr) {
        fresh = new UnbufferedAccessor();
    }
    if (fresh == nullptr) {
        return;
    }
    fresh->stream = &stream;
    if (stream.accessor != nullptr) {
        stream.accessor->flush(true, true);
        delete stream.accessor;
    }
    stream.accessor = fresh;
}

bool Seek(Stream& stream, int64_t offset, char origin) {
    if (!stream.hasCapability(Stream::Seekable)) {
        return false;
    }
    if (offset == 0 && origin == 'c') {
        return true;
    }
    if (stream.accessor != nullptr) {
        if (origin == 's' && offset >= 0 &&
            static_cast<uint64_t>(offset) == stream.accessor->tell()) {
            return true;
        }
        stream.accessor->flush(true, true);
    }
    return stream.seekRaw(offset, origin);
}

bool SetAsyncMode(Stream& stream, bool on) {
    if (!stream.hasCapability(Stream::CanAsync)) {
        return false;
    }
    if (((stream.mode & Stream::AsyncMode) != 0) == on) {
        return true;
    }
    if (on && stream.accessor != nullptr) {
        stream.accessor->flush(true, true);
        delete stream.accessor;
        stream.accessor = nullptr;
    }
    if (!stream.setAsyncRaw(on)) {
        // A refused switch on leaves the stream synchronous, and so in need of its accessor.
        if (on) {
            ReplaceAccessor(stream);
        }
        return false;
    }
    if (!on) {
        ReplaceAccessor(stream);
        stream.mode &= ~Stream::AsyncMode;
    } else {
        stream.mode |= Stream::AsyncMode;
    }
    return true;
}

void CloseStream(Stream& stream) {
    if (stream.accessor != nullptr) {
        stream.accessor->flush(false, true);
    }
    DetachAllReadFilters(stream);
    DetachAllWriteFilters(stream);
    stream.close();
}

} // namespace quib
