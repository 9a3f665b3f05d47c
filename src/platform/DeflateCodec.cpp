// Deflate codec over zlib: run state, the step loops and the mapping of zlib's answers to codes.
#include "platform/DeflateCodec.h"

#include "platform/ChecksumSink.h"
#include "platform/MemAllocator.h"

#include <zlib.h>

namespace quib {

namespace {

voidpf ZlibAllocate(voidpf, uInt items, uInt size) {
    const uint64_t bytes = static_cast<uint64_t>(items) * size;
    if (bytes == 0 || bytes > UINT32_MAX) {
        return Z_NULL;
    }
    return MemAllocate(static_cast<uint32_t>(bytes), 0);
}

void ZlibFree(voidpf, voidpf block) {
    MemFree(block);
}

void LoadWindows(z_stream& zs, uint8_t* nextOut, uint32_t outSpace, const uint8_t* nextIn,
                 uint32_t inLeft) {
    zs.next_out = nextOut;
    zs.avail_out = outSpace;
    zs.next_in = const_cast<Bytef*>(nextIn);
    zs.avail_in = inLeft;
}

} // namespace

DeflateCodec::~DeflateCodec() {
    release();
}

void DeflateCodec::release() {
    if (zstream == nullptr) {
        return;
    }
    if (compressing) {
        deflateEnd(zstream);
    } else {
        inflateEnd(zstream);
    }
    MemFree(zstream);
    zstream = nullptr;
}

bool DeflateCodec::begin(ChecksumSink* checksum, uint32_t expectedSize, bool compressDirection,
                         uint32_t level) {
    release();
    auto* zs = static_cast<z_stream*>(MemAllocate(sizeof(z_stream), MemZero));
    if (zs == nullptr) {
        return false;
    }
    zs->zalloc = ZlibAllocate;
    zs->zfree = ZlibFree;
    zs->opaque = Z_NULL;
    compressing = compressDirection;
    finished = false;
    expected = expectedSize;
    sink = checksum;
    if (sink != nullptr) {
        sink->begin();
    }
    const int status = compressing ? deflateInit2(zs, static_cast<int>(level > 9 ? 9 : level),
                                                  Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY)
                                   : inflateInit2(zs, windowBits);
    if (status != Z_OK) {
        MemFree(zs);
        return false;
    }
    zstream = zs;
    return true;
}

bool DeflateCodec::beginCompress(ChecksumSink* checksum, uint32_t expectedSize, uint32_t level) {
    return begin(checksum, expectedSize, true, level & 0xFF);
}

bool DeflateCodec::beginDecompress(ChecksumSink* checksum, uint32_t expectedSize) {
    return begin(checksum, expectedSize, false, 0);
}

CodecResult DeflateCodec::complete(bool haveWindow) {
    if (sink != nullptr) {
        sink->finish();
    }
    const bool goOn =
        checkProgress(static_cast<uint32_t>(zstream->total_in), expected, compressing);
    release();
    return goOn && haveWindow ? CodecDone : CodecAborted;
}

// A step outside a run of its own direction has nothing to work on: it answers aborted.
CodecResult DeflateCodec::compress(uint8_t*& nextOut, uint32_t& outSpace, const uint8_t*& nextIn,
                                   uint32_t& inLeft, bool flush) {
    if (zstream == nullptr || !compressing) {
        return CodecAborted;
    }
    const uint8_t* oldIn = nextIn;
    const uint32_t oldLeft = inLeft;
    LoadWindows(*zstream, nextOut, outSpace, nextIn, inLeft);
    const int status = deflate(zstream, flush ? Z_SYNC_FLUSH : Z_NO_FLUSH);
    if (status == Z_OK && sink != nullptr && oldLeft > zstream->avail_in) {
        sink->update(oldIn, oldLeft - zstream->avail_in);
    }
    nextOut = zstream->next_out;
    outSpace = zstream->avail_out;
    nextIn = zstream->next_in;
    inLeft = zstream->avail_in;
    return checkProgress(static_cast<uint32_t>(zstream->total_in), expected, true) ? CodecContinue
                                                                                   : CodecAborted;
}

CodecResult DeflateCodec::finishCompress(uint8_t** nextOut, uint32_t* outSpace) {
    if (zstream == nullptr || !compressing) {
        return CodecAborted;
    }
    const bool haveWindow = nextOut != nullptr && outSpace != nullptr;
    if (haveWindow) {
        // Below six bytes zlib might not fit even the smallest closing block and trailer.
        if (*outSpace < 6) {
            return CodecOutputFull;
        }
        LoadWindows(*zstream, *nextOut, *outSpace, nullptr, 0);
        const int status = deflate(zstream, Z_FINISH);
        *nextOut = zstream->next_out;
        *outSpace = zstream->avail_out;
        if (status == Z_OK) {
            return CodecOutputFull;
        }
    }
    return complete(haveWindow);
}

// A stream that asks for a preset dictionary cannot go on; it answers data error rather than
// "go on without progress", which would make every caller's loop spin.
CodecResult DeflateCodec::decompress(uint8_t*& nextOut, uint32_t& outSpace, const uint8_t*& nextIn,
                                     uint32_t& inLeft) {
    if (zstream == nullptr || compressing) {
        return CodecAborted;
    }
    uint8_t* oldOut = nextOut;
    const uint32_t oldSpace = outSpace;
    LoadWindows(*zstream, nextOut, outSpace, nextIn, inLeft);
    const int status = inflate(zstream, Z_NO_FLUSH);
    nextOut = zstream->next_out;
    outSpace = zstream->avail_out;
    nextIn = zstream->next_in;
    inLeft = zstream->avail_in;
    if (status == Z_DATA_ERROR || status == Z_NEED_DICT || status == Z_MEM_ERROR ||
        status == Z_STREAM_ERROR) {
        return CodecDataError;
    }
    if ((status == Z_OK || status == Z_STREAM_END) && sink != nullptr && oldSpace > outSpace) {
        sink->update(oldOut, oldSpace - outSpace);
    }
    if (!checkProgress(static_cast<uint32_t>(zstream->total_in), expected, false)) {
        return CodecAborted;
    }
    if (status == Z_STREAM_END) {
        finished = true;
        return CodecDone;
    }
    return CodecContinue;
}

CodecResult DeflateCodec::finishDecompress(uint8_t** nextOut, uint32_t* outSpace) {
    if (zstream == nullptr || compressing) {
        return CodecAborted;
    }
    const bool haveWindow = nextOut != nullptr && outSpace != nullptr;
    if (!finished && haveWindow) {
        // Without any space zlib cannot tell pending output from missing input.
        if (*outSpace == 0) {
            return CodecOutputFull;
        }
        uint8_t* oldOut = *nextOut;
        const uint32_t oldSpace = *outSpace;
        LoadWindows(*zstream, *nextOut, *outSpace, nullptr, 0);
        const int status = inflate(zstream, Z_NO_FLUSH);
        *nextOut = zstream->next_out;
        *outSpace = zstream->avail_out;
        if (status == Z_DATA_ERROR || status == Z_NEED_DICT || status == Z_MEM_ERROR) {
            return CodecDataError;
        }
        if ((status == Z_OK || status == Z_STREAM_END) && sink != nullptr && oldSpace > *outSpace) {
            sink->update(oldOut, oldSpace - *outSpace);
        }
        if (status == Z_OK) {
            return CodecOutputFull;
        }
        if (status != Z_STREAM_END) {
            return CodecInputTruncated;
        }
        finished = true;
    }
    return complete(haveWindow);
}

} // namespace quib
