// Buffered accessor: read-ahead, write-behind and the position arithmetic between them.
#include "vfs/BufferedAccessor.h"

#include "vfs/Stream.h"

#include <cstring>

namespace quib {

namespace {

// Buffers of size 0 are null; copying nothing from them must not touch them.
void CopyBytes(void* dst, const void* src, uint32_t count) {
    if (count > 0) {
        std::memcpy(dst, src, count);
    }
}

} // namespace

BufferedAccessor* BufferedAccessor::Create(uint32_t readSize, uint32_t writeSize) {
    auto* accessor = new BufferedAccessor();
    if (accessor == nullptr) {
        return nullptr;
    }
    accessor->readBufferSize = readSize;
    accessor->writeBufferSize = writeSize;
    accessor->readBuffer = static_cast<uint8_t*>(MemAllocate(readSize, 0));
    accessor->writeBuffer = static_cast<uint8_t*>(MemAllocate(writeSize, 0));
    if ((readSize != 0 && accessor->readBuffer == nullptr) ||
        (writeSize != 0 && accessor->writeBuffer == nullptr)) {
        delete accessor;
        return nullptr;
    }
    return accessor;
}

BufferedAccessor::~BufferedAccessor() {
    MemFree(readBuffer);
    MemFree(writeBuffer);
}

uint32_t BufferedAccessor::read(void* buffer, uint32_t count) {
    if (writeFill > 0) {
        flush(false, true);
    }
    auto* dst = static_cast<uint8_t*>(buffer);
    const uint32_t buffered = readEnd - readPos;
    if (count <= buffered) {
        CopyBytes(dst, readBuffer + readPos, count);
        readPos += count;
        return count;
    }
    CopyBytes(dst, readBuffer + readPos, buffered);
    readPos = readEnd = 0;
    dst += buffered;
    count -= buffered;
    if (count >= readBufferSize) {
        return buffered + stream->readLink.read(dst, count);
    }
    const uint32_t got = stream->readLink.read(readBuffer, readBufferSize);
    readEnd = got;
    const uint32_t taken = count < got ? count : got;
    CopyBytes(dst, readBuffer, taken);
    readPos = taken;
    return buffered + taken;
}

uint32_t BufferedAccessor::write(const void* buffer, uint32_t count) {
    if (readEnd > readPos) {
        flush(true, false);
    }
    if (count <= writeBufferSize - writeFill) {
        CopyBytes(writeBuffer + writeFill, buffer, count);
        writeFill += count;
        return count;
    }
    flush(false, true);
    if (count >= writeBufferSize) {
        return stream->writeLink.write(buffer, count);
    }
    CopyBytes(writeBuffer, buffer, count);
    writeFill = count;
    return count;
}

void BufferedAccessor::flush(bool discardRead, bool writeOut) {
    if (discardRead) {
        const uint32_t unread = readEnd - readPos;
        if (unread > 0) {
            stream->seekRaw(-static_cast<int64_t>(unread), 'c');
        }
        readPos = readEnd = 0;
    }
    if (writeOut && writeFill > 0) {
        stream->writeLink.write(writeBuffer, writeFill);
        writeFill = 0;
    }
}

bool BufferedAccessor::atEnd() {
    return stream->atEnd() && readPos == readEnd;
}

uint64_t BufferedAccessor::tell() {
    return stream->tellRaw() + writeFill - (readEnd - readPos);
}

} // namespace quib
