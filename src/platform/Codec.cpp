// Codec base: default step behaviour and the whole-buffer calls built on the steps.
#include "platform/Codec.h"

#include <algorithm>

namespace quib {

namespace {

// Hands inSize bytes to `step` in chunks of at most chunkSize (0: all at once) until they run
// out, the output space is full, or a step answers anything but CodecContinue. A step takes the
// bytes offered in its argument and leaves there the ones it did not consume.
template <class Step>
CodecResult FeedChunks(uint32_t inSize, const uint32_t& space, uint32_t chunkSize, Step step) {
    uint32_t remaining = inSize;
    CodecResult result = CodecContinue;
    while (remaining > 0) {
        if (space == 0) {
            return CodecOutputFull;
        }
        uint32_t left = chunkSize == 0 ? remaining : std::min(remaining, chunkSize);
        const uint32_t fed = left;
        result = step(left);
        remaining -= fed - left;
        if (result != CodecContinue) {
            break;
        }
    }
    return result;
}

} // namespace

bool Codec::beginCompress(ChecksumSink*, uint32_t, uint32_t) {
    return true;
}

CodecResult Codec::compress(uint8_t*&, uint32_t&, const uint8_t*&, uint32_t&, bool) {
    return CodecUnsupported;
}

CodecResult Codec::finishCompress(uint8_t**, uint32_t*) {
    return CodecDone;
}

bool Codec::beginDecompress(ChecksumSink*, uint32_t) {
    return true;
}

CodecResult Codec::decompress(uint8_t*&, uint32_t&, const uint8_t*&, uint32_t&) {
    return CodecUnsupported;
}

CodecResult Codec::finishDecompress(uint8_t**, uint32_t*) {
    return CodecDone;
}

bool Codec::checkProgress(uint32_t processed, uint32_t expected, bool compressing) {
    return progress.isEmpty() || progress.call(*this, processed, expected, compressing);
}

void Codec::abandon(bool compressing) {
    if (compressing) {
        finishCompress(nullptr, nullptr);
    } else {
        finishDecompress(nullptr, nullptr);
    }
}

// Every exit of the whole-buffer calls ends the run (an early exit abandons it), and outSize
// always reports the bytes produced so far.
CodecResult Codec::compressBuffer(uint8_t* out, uint32_t& outSize, const uint8_t* in,
                                  uint32_t inSize, ChecksumSink* checksum, uint32_t level,
                                  uint32_t chunkSize) {
    uint8_t* nextOut = out;
    uint32_t space = outSize;
    outSize = 0;
    if (!beginCompress(checksum, inSize, level)) {
        return CodecBeginFailed;
    }
    const uint8_t* nextIn = in;
    CodecResult result = FeedChunks(inSize, space, chunkSize, [&](uint32_t& left) {
        return compress(nextOut, space, nextIn, left, false);
    });
    if (result == CodecContinue) {
        result = finishCompress(&nextOut, &space);
        if (result == CodecOutputFull) {
            abandon(true);
        }
    } else {
        abandon(true);
    }
    outSize = static_cast<uint32_t>(nextOut - out);
    return result;
}

CodecResult Codec::decompressBuffer(uint8_t* out, uint32_t& outSize, const uint8_t* in,
                                    uint32_t inSize, ChecksumSink* checksum, uint32_t chunkSize) {
    uint8_t* nextOut = out;
    uint32_t space = outSize;
    outSize = 0;
    if (!beginDecompress(checksum, inSize)) {
        return CodecBeginFailed;
    }
    const uint8_t* nextIn = in;
    CodecResult result = FeedChunks(inSize, space, chunkSize, [&](uint32_t& left) {
        const uint32_t fed = left;
        const uint32_t spaceBefore = space;
        const CodecResult step = decompress(nextOut, space, nextIn, left);
        // A step that neither consumes nor produces would repeat forever.
        if (step == CodecContinue && left == fed && space == spaceBefore) {
            return CodecDataError;
        }
        return step;
    });
    if (result == CodecContinue || result == CodecDone) {
        result = finishDecompress(&nextOut, &space);
        if (result != CodecDone && result != CodecAborted) {
            abandon(false);
        }
    } else {
        abandon(false);
    }
    outSize = static_cast<uint32_t>(nextOut - out);
    return result;
}

} // namespace quib
