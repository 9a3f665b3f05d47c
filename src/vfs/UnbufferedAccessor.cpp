// Unbuffered accessor: the chains and the raw position, nothing held in between.
#include "vfs/UnbufferedAccessor.h"

#include "vfs/Stream.h"

namespace quib {

uint32_t UnbufferedAccessor::read(void* buffer, uint32_t count) {
    return stream->readLink.read(buffer, count);
}

uint32_t UnbufferedAccessor::write(const void* buffer, uint32_t count) {
    return stream->writeLink.write(buffer, count);
}

void UnbufferedAccessor::flush(bool, bool) {}

bool UnbufferedAccessor::atEnd() {
    return stream->atEnd();
}

uint64_t UnbufferedAccessor::tell() {
    return stream->tellRaw();
}

} // namespace quib
