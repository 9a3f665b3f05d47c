// Compression interface: stepwise compression and decompression over caller-supplied windows.
#pragma once

#include <cstdint>

namespace quib {

class ChecksumSink;
class Codec;

// The small integers that codec operations answer.
enum CodecResult : int32_t {
    CodecContinue = 0,       // step done, go on
    CodecAborted = 1,        // the progress delegate said stop, or a finish had no output window
    CodecDone = 2,           // the run is complete (decompression met the end of the data)
    CodecOutputFull = 3,     // finish needs more output space (whole-buffer call: out of space)
    CodecInputTruncated = 4, // decompression finish ran out of input before the end of the data
    CodecDataError = 5,      // the compressed data is corrupt
    CodecUnsupported = 6,    // the base class's answer for a step it cannot perform
    CodecBeginFailed = 7,    // whole-buffer calls: the run could not begin
};

// Asked after every step whether to go on; an empty delegate always says go on.
class ProgressDelegate {
public:
    using Handler = bool (*)(void* target, Codec& codec, uint32_t processed, uint32_t expected,
                             bool compressing);

    ProgressDelegate() = default;
    ProgressDelegate(void* target, Handler handler) : target_(target), handler_(handler) {}

    // Binds a member operation `bool T::Op(Codec&, uint32_t, uint32_t, bool)` of target.
    template <class T, bool (T::*Op)(Codec&, uint32_t, uint32_t, bool)>
    static ProgressDelegate Bind(T* target) {
        return ProgressDelegate(target, [](void* t, Codec& c, uint32_t p, uint32_t e, bool comp) {
            return (static_cast<T*>(t)->*Op)(c, p, e, comp);
        });
    }

    bool isEmpty() const { return handler_ == nullptr; }
    bool call(Codec& codec, uint32_t processed, uint32_t expected, bool compressing) const {
        return handler_(target_, codec, processed, expected, compressing);
    }

private:
    void* target_ = nullptr;
    Handler handler_ = nullptr;
};

// A run is: begin, any number of steps, then finish until it answers something other than
// CodecOutputFull. A finish without an output window abandons the run and releases its state.
// Step and finish windows are in/out: the codec advances the pointers and lowers the counts.
class Codec {
public:
    virtual ~Codec() = default;
    // Identifies the compression method family (1: deflate).
    virtual uint32_t method() const = 0;
    // Bit set of what the codec offers (1 compress, 2 decompress, 4 checksum sink).
    virtual uint32_t features() const = 0;

    // Whole-buffer calls. outSize holds the space on entry and the bytes produced on return.
    // A chunkSize of 0 feeds the whole input in one step.
    virtual CodecResult compressBuffer(uint8_t* out, uint32_t& outSize, const uint8_t* in,
                                       uint32_t inSize, ChecksumSink* sink, uint32_t level,
                                       uint32_t chunkSize);
    virtual CodecResult decompressBuffer(uint8_t* out, uint32_t& outSize, const uint8_t* in,
                                         uint32_t inSize, ChecksumSink* sink, uint32_t chunkSize);

    virtual bool beginCompress(ChecksumSink* sink, uint32_t expected, uint32_t level);
    // flush true: push all output produced so far (sync flush). Answers 0 or 1.
    virtual CodecResult compress(uint8_t*& nextOut, uint32_t& outSpace, const uint8_t*& nextIn,
                                 uint32_t& inLeft, bool flush);
    // nextOut and outSpace null: no output window (abandon). Answers 1, 2 or 3.
    virtual CodecResult finishCompress(uint8_t** nextOut, uint32_t* outSpace);
    virtual bool beginDecompress(ChecksumSink* sink, uint32_t expected);
    // Answers 0, 1, 2 or 5.
    virtual CodecResult decompress(uint8_t*& nextOut, uint32_t& outSpace, const uint8_t*& nextIn,
                                   uint32_t& inLeft);
    // Answers 1, 2, 3, 4 or 5.
    virtual CodecResult finishDecompress(uint8_t** nextOut, uint32_t* outSpace);
    // True when the delegate is empty, else the delegate's answer.
    virtual bool checkProgress(uint32_t processed, uint32_t expected, bool compressing);

    ChecksumSink* sink = nullptr; // not owned
    ProgressDelegate progress;

private:
    // Ends the current run without output, so that a whole-buffer call never leaves one open.
    void abandon(bool compressing);
};

} // namespace quib
