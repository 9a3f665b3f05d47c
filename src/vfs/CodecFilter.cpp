// Codec filter: the decompressing read loop, the compressing write loop and the final flush.
#include "vfs/CodecFilter.h"

#include "platform/Codec.h"
#include "platform/MemAllocator.h"
#include "vfs/Stream.h"

namespace quib {

CodecFilter::~CodecFilter() {
    if (host != nullptr) {
        DetachFilter(*this, *host);
    }
    releaseBuffer();
}

bool CodecFilter::allocateBuffer() {
    if (buffer == nullptr) {
        buffer = static_cast<uint8_t*>(MemAllocate(bufferSize, 0));
    }
    bufferPos = bufferEnd = 0;
    return buffer != nullptr;
}

void CodecFilter::releaseBuffer() {
    MemFree(buffer);
    buffer = nullptr;
    bufferPos = bufferEnd = 0;
}

bool CodecFilter::onAttachRead() {
    return codec != nullptr && allocateBuffer() && codec->beginDecompress(sink, 0);
}

bool CodecFilter::onAttachWrite() {
    return codec != nullptr && allocateBuffer() && codec->beginCompress(sink, 0, 9);
}

bool CodecFilter::onDetachRead() {
    if (codec != nullptr) {
        codec->finishDecompress(nullptr, nullptr);
    }
    releaseBuffer();
    return true;
}

bool CodecFilter::onDetachWrite() {
    if (codec == nullptr || buffer == nullptr) {
        releaseBuffer();
        return false;
    }
    for (;;) {
        uint8_t* out = buffer + bufferEnd;
        uint32_t room = bufferSize - bufferEnd;
        const CodecResult result = codec->finishCompress(&out, &room);
        bufferEnd = static_cast<uint32_t>(out - buffer);
        if (bufferEnd > 0 && writeLink.write(buffer, bufferEnd) != bufferEnd) {
            codec->finishCompress(nullptr, nullptr);
            releaseBuffer();
            return false;
        }
        if (result != CodecOutputFull) {
            releaseBuffer();
            return true;
        }
        bufferEnd = 0;
    }
}

// Stops at the end of the compressed data, on a codec error, or when the chain has run dry and
// the codec has no output left. The codec is stepped even without new input, since it may
// still hold output decoded from input it has already taken.
uint32_t CodecFilter::read(void* dst, uint32_t count) {
    if (codec == nullptr || buffer == nullptr) {
        return 0;
    }
    auto* out = static_cast<uint8_t*>(dst);
    uint32_t produced = 0;
    while (produced < count) {
        if (bufferPos == bufferEnd) {
            bufferPos = 0;
            bufferEnd = readLink.read(buffer, bufferSize);
        }
        uint32_t room = count - produced;
        const uint8_t* in = buffer + bufferPos;
        uint32_t avail = bufferEnd - bufferPos;
        const uint32_t roomBefore = room;
        const uint32_t availBefore = avail;
        const CodecResult result = codec->decompress(out, room, in, avail);
        bufferPos += availBefore - avail;
        produced += roomBefore - room;
        if (result != CodecContinue) {
            break;
        }
        if (avail == availBefore && room == roomBefore) {
            break;
        }
    }
    return produced;
}

// Stops when the codec aborts or the chain takes fewer bytes than it was given.
uint32_t CodecFilter::write(const void* src, uint32_t count) {
    if (codec == nullptr || buffer == nullptr) {
        return 0;
    }
    const auto* in = static_cast<const uint8_t*>(src);
    uint32_t consumed = 0;
    while (consumed < count) {
        uint8_t* out = buffer + bufferEnd;
        uint32_t room = bufferSize - bufferEnd;
        uint32_t avail = count - consumed;
        const uint32_t availBefore = avail;
        const CodecResult result = codec->compress(out, room, in, avail, false);
        consumed += availBefore - avail;
        bufferEnd = static_cast<uint32_t>(out - buffer);
        if (result != CodecContinue) {
            break;
        }
        if (bufferEnd > 0) {
            if (writeLink.write(buffer, bufferEnd) != bufferEnd) {
                break;
            }
            bufferEnd = 0;
        }
    }
    return consumed;
}

} // namespace quib
