// Asynchronous native file stream: chunk planning, issuing, the completion step and cancel.
#include "vfs/AsyncNativeFileStream.h"

#include "platform/Clock.h"

#include <cerrno>
#include <unistd.h>

namespace quib {

AsyncNativeFileStream::ChunkPlan AsyncNativeFileStream::PlanChunks(uint32_t count) {
    uint32_t chunkSize = count / 16;
    if (chunkSize < MinChunkSize) {
        chunkSize = MinChunkSize;
    } else if (chunkSize > MaxChunkSize) {
        chunkSize = MaxChunkSize;
    }
    return ChunkPlan{chunkSize, count / chunkSize, count % chunkSize};
}

AsyncNativeFileStream::AsyncNativeFileStream(uint32_t creatorMode) : NativeFileStream(creatorMode) {
    capabilities |= CanAsync;
}

AsyncNativeFileStream::~AsyncNativeFileStream() {
    CloseStream(*this);
}

Stream* AsyncNativeFileStream::clone(uint32_t cloneMode) {
    waitIdle();
    const int duplicate = duplicateDescriptor();
    if (duplicate < 0) {
        return nullptr;
    }
    return AdoptDuplicate(new AsyncNativeFileStream(cloneMode), duplicate, writable);
}

void AsyncNativeFileStream::close() {
    cancel();
    waitIdle();
    NativeFileStream::close();
    capabilities = CanAsync | Seekable | Mappable;
    state.done = true;
    state.cancelled = false;
    state.transferred = 0;
}

bool AsyncNativeFileStream::attach(int) {
    return false;
}

uint32_t AsyncNativeFileStream::readRaw(void* buffer, uint32_t count) {
    if ((mode & AsyncMode) == 0) {
        return NativeFileStream::readRaw(buffer, count);
    }
    return startRequest(static_cast<uint8_t*>(buffer), count, false);
}

uint32_t AsyncNativeFileStream::writeRaw(const void* buffer, uint32_t count) {
    if ((mode & AsyncMode) == 0) {
        return NativeFileStream::writeRaw(buffer, count);
    }
    if (!writable) {
        return 0;
    }
    return startRequest(static_cast<uint8_t*>(const_cast<void*>(buffer)), count, true);
}

bool AsyncNativeFileStream::setAsyncRaw(bool on) {
    if (on && (mode & BorrowedHandle) != 0) {
        return false;
    }
    if ((mode & AsyncMode) != 0) {
        waitIdle();
    }
    return true;
}

bool AsyncNativeFileStream::isIdle() {
    return state.done;
}

void AsyncNativeFileStream::waitIdle() {
    while (!state.done) {
        AlertableYield();
    }
}

void AsyncNativeFileStream::waitDone() {
    waitIdle();
}

void AsyncNativeFileStream::cancel() {
    if (fd >= 0) {
        state.cancelled = true;
    }
}

bool AsyncNativeFileStream::isDone() {
    if (!state.done) {
        AlertableYield();
    }
    return state.done;
}

uint32_t AsyncNativeFileStream::bytesTransferred() {
    if (fd < 0) {
        return 0;
    }
    AlertableYield();
    return state.transferred;
}

uint32_t AsyncNativeFileStream::startRequest(uint8_t* buffer, uint32_t count, bool isWrite) {
    if (fd < 0 || count == 0 || !isIdle() || (isWrite && !preExtend(count))) {
        return 0;
    }
    state.cursor = buffer;
    state.done = false;
    state.cancelled = false;
    state.chunksIssued = 0;
    state.transferred = 0;
    state.isWrite = isWrite;
    state.plan = PlanChunks(count);
    return issueChunk() ? 1 : 0;
}

// A read chunk that would start at or beyond the end of the file is not issued: the request
// ends there with the end flag set.
bool AsyncNativeFileStream::issueChunk() {
    if (!state.isWrite) {
        uint64_t fileLength = 0;
        if (!fileSize(fileLength)) {
            state.done = true;
            return false;
        }
        if (position >= fileLength) {
            endFlag = true;
            state.done = true;
            return false;
        }
    }
    state.chunkOffset = position;
    state.chunkLength =
        state.chunksIssued < state.plan.fullChunks ? state.plan.chunkSize : state.plan.remainder;
    ++state.chunksIssued;
    if (!QueueAlertableRoutine(RunChunk, this)) {
        state.done = true;
        return false;
    }
    return true;
}

void AsyncNativeFileStream::RunChunk(void* context) {
    auto& stream = *static_cast<AsyncNativeFileStream*>(context);
    AsyncRequest& request = stream.state;
    if (request.cancelled) {
        stream.completeChunk(ChunkStatus::Failed, 0);
        return;
    }
    ChunkStatus status = ChunkStatus::Ok;
    uint32_t done = 0;
    while (done < request.chunkLength) {
        const auto offset = static_cast<off_t>(request.chunkOffset + done);
        const ssize_t moved =
            request.isWrite
                ? pwrite(stream.fd, request.cursor + done, request.chunkLength - done, offset)
                : pread(stream.fd, request.cursor + done, request.chunkLength - done, offset);
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            status = ChunkStatus::Failed;
            break;
        }
        if (moved == 0) {
            if (done == 0) {
                status = request.isWrite ? ChunkStatus::Failed : ChunkStatus::EndOfFile;
            }
            break;
        }
        done += static_cast<uint32_t>(moved);
    }
    stream.completeChunk(status, done);
}

void AsyncNativeFileStream::completeChunk(ChunkStatus status, uint32_t bytes) {
    state.cursor += bytes;
    position += bytes;
    state.transferred += bytes;
    const bool moreToIssue =
        state.chunksIssued < state.plan.fullChunks ||
        (state.chunksIssued == state.plan.fullChunks && state.plan.remainder > 0);
    if (status == ChunkStatus::Ok && !state.cancelled && moreToIssue && issueChunk()) {
        return;
    }
    if (status == ChunkStatus::EndOfFile) {
        endFlag = true;
    }
    state.done = true;
    notifyCompletion(state.transferred);
}

} // namespace quib
