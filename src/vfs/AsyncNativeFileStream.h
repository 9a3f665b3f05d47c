// Native file stream that can also run a whole read or write as a chain of chunk transfers
// completed on the issuing thread.
#pragma once

#include "vfs/NativeFileStream.h"

#include <cstdint>

namespace quib {

// In asynchronous mode readRaw/writeRaw start a request and answer 1 when its first chunk was
// queued (0 when refused). Each chunk is queued for the issuing thread with
// QueueAlertableRoutine and transferred, and the next one queued, when that thread runs
// AlertableYield; isDone() and bytesTransferred() yield once each. The request ends at its
// last chunk, at the end of the file, on a failure or after cancel(); the stream's completion
// callback then gets the bytes transferred.
//
// The request state belongs to the issuing thread: cancel, waitIdle and close are called
// from it. close() (and so the destructor) cancels and waits, so no routine outlives the
// stream. A borrowed descriptor cannot go asynchronous.
class AsyncNativeFileStream : public NativeFileStream {
public:
    static constexpr uint32_t MinChunkSize = 64u * 1024;
    static constexpr uint32_t MaxChunkSize = 1024u * 1024;

    // A request of count bytes: chunkSize = count / 16 within [MinChunkSize, MaxChunkSize],
    // fullChunks of chunkSize bytes, then one chunk of remainder bytes when remainder > 0.
    struct ChunkPlan {
        uint32_t chunkSize;
        uint32_t fullChunks;
        uint32_t remainder;
    };
    static ChunkPlan PlanChunks(uint32_t count);

    struct AsyncRequest {
        bool isWrite = false;
        bool done = true; // no request in flight
        bool cancelled = false;
        uint8_t* cursor = nullptr;
        uint32_t chunksIssued = 0;
        uint32_t transferred = 0;
        ChunkPlan plan = {};
        uint64_t chunkOffset = 0; // file position of the chunk in flight
        uint32_t chunkLength = 0;
    };

    explicit AsyncNativeFileStream(uint32_t mode = 0);
    ~AsyncNativeFileStream() override;

    Stream* clone(uint32_t mode) override;
    void close() override;
    uint32_t readRaw(void* buffer, uint32_t count) override;
    uint32_t writeRaw(const void* buffer, uint32_t count) override;
    bool setAsyncRaw(bool on) override;
    // True when no request is in flight.
    bool isIdle() override;
    // Runs the issuing thread's queued chunks until the request in flight has ended.
    void waitIdle() override;
    // The chunk in flight completes as failed and no further chunk is issued.
    void cancel() override;
    bool attach(int descriptor) override;

    virtual bool isDone();
    virtual uint32_t bytesTransferred();
    virtual void waitDone();

    const AsyncRequest& request() const { return state; }

private:
    enum class ChunkStatus { Ok, EndOfFile, Failed };

    uint32_t startRequest(uint8_t* buffer, uint32_t count, bool isWrite);
    bool issueChunk();
    static void RunChunk(void* context);
    void completeChunk(ChunkStatus status, uint32_t bytes);

    AsyncRequest state;
};

} // namespace quib
