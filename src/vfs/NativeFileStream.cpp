// Native file stream: opening and locking, positioned transfers in pieces, pre-extension,
// mapping and descriptor duplication.
#include "vfs/NativeFileStream.h"

#include "platform/MemAllocator.h"
#include "platform/StringPrimitives.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quib {

NativeFileStream::NativeFileStream(uint32_t creatorMode) : Stream(creatorMode) {
    capabilities = Seekable | Mappable;
}

NativeFileStream::~NativeFileStream() {
    CloseStream(*this);
}

int NativeFileStream::duplicateDescriptor() const {
    return fd < 0 ? -1 : fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

Stream* NativeFileStream::AdoptDuplicate(NativeFileStream* copy, int duplicate, bool writable) {
    if (copy == nullptr) {
        ::close(duplicate);
        return nullptr;
    }
    copy->fd = duplicate;
    copy->writable = writable;
    return copy;
}

Stream* NativeFileStream::clone(uint32_t cloneMode) {
    const int duplicate = duplicateDescriptor();
    if (duplicate < 0) {
        return nullptr;
    }
    return AdoptDuplicate(new NativeFileStream(cloneMode), duplicate, writable);
}

bool NativeFileStream::open(const char* name, char openMode, uint32_t flags) {
    CloseStream(*this);
    if (openMode != 'r' && openMode != 'w' && openMode != 'c') {
        return false;
    }
    char* path = StrDuplicate(name);
    if (path == nullptr) {
        return false;
    }
    for (char* c = path; *c != 0; ++c) {
        if (*c == '\\') {
            *c = '/';
        }
    }
    // Creation never truncates before the lock is held, so an exclusively held file is left
    // intact by a refused open.
    bool emptyIt = openMode == 'c';
    int opened = -1;
    if (openMode == 'r') {
        opened = ::open(path, O_RDONLY | O_CLOEXEC);
    } else {
        opened = ::open(path, O_RDWR | O_CLOEXEC | (openMode == 'c' ? O_CREAT : 0), 0666);
        if (opened < 0 && openMode == 'w' && (flags & OpenCreateMissing) != 0) {
            opened = ::open(path, O_RDWR | O_CLOEXEC | O_CREAT, 0666);
            emptyIt = true;
        }
    }
    if (opened >= 0) {
        const int lock = (flags & OpenExclusive) != 0 ? LOCK_EX : LOCK_SH;
        if (flock(opened, lock | LOCK_NB) != 0 || (emptyIt && ftruncate(opened, 0) != 0)) {
            ::close(opened);
            opened = -1;
        }
    }
    fd = opened;
    writable = fd >= 0 && openMode != 'r';
    if (fd >= 0 && (flags & OpenDeleteOnClose) != 0 && openMode != 'r') {
        deleteOnClose = true;
        fileName = path;
    } else {
        MemFree(path);
    }
    endFlag = false;
    position = 0;
    return isOpen();
}

bool NativeFileStream::create(const char* name, uint32_t flags) {
    return open(name, 'c', flags);
}

bool NativeFileStream::attach(int descriptor) {
    CloseStream(*this);
    if (descriptor < 0) {
        return false;
    }
    const off_t offset = lseek(descriptor, 0, SEEK_CUR);
    if (offset < 0) {
        return false;
    }
    fd = descriptor;
    position = static_cast<uint64_t>(offset);
    mode |= BorrowedHandle;
    uint64_t fileLength = 0;
    endFlag = fileSize(fileLength) && position >= fileLength;
    writable = true;
    return isOpen();
}

// A stream closed while asynchronous mode was on has no accessor; it gets one back here,
// since the closed stream is synchronous again.
void NativeFileStream::close() {
    for (int32_t i = 0; i < views.Count(); ++i) {
        munmap(views.Item(i).base, views.Item(i).length);
    }
    views.Clear();
    if (fd >= 0 && (mode & BorrowedHandle) == 0) {
        ::close(fd);
    }
    if (deleteOnClose && fileName != nullptr) {
        unlink(fileName);
    }
    MemFree(fileName);
    fileName = nullptr;
    mode = 0;
    fd = -1;
    capabilities = Seekable | Mappable;
    endFlag = false;
    position = 0;
    writable = false;
    deleteOnClose = false;
    if (accessor == nullptr) {
        ReplaceAccessor(*this);
    }
}

bool NativeFileStream::fileSize(uint64_t& fileLength) const {
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        return false;
    }
    fileLength = static_cast<uint64_t>(info.st_size);
    return true;
}

uint64_t NativeFileStream::size() {
    uint64_t fileLength = 0;
    return fileSize(fileLength) ? fileLength : 0;
}

bool NativeFileStream::seekRaw(int64_t offset, char origin) {
    uint64_t fileLength = 0;
    if ((origin != 's' && origin != 'c' && origin != 'e') || !fileSize(fileLength)) {
        return false;
    }
    int64_t base = 0;
    if (origin == 'c') {
        base = static_cast<int64_t>(position);
    } else if (origin == 'e') {
        base = static_cast<int64_t>(fileLength);
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) {
        return false;
    }
    position = static_cast<uint64_t>(target);
    endFlag = position >= fileLength;
    return true;
}

bool NativeFileStream::truncate() {
    return fd >= 0 && ftruncate(fd, static_cast<off_t>(position)) == 0;
}

bool NativeFileStream::preExtend(uint32_t count) {
    uint64_t fileLength = 0;
    if (!fileSize(fileLength)) {
        return false;
    }
    if (position + count <= fileLength) {
        return true;
    }
    position += count;
    const bool extended = truncate();
    position -= count;
    return extended;
}

void NativeFileStream::notifyCompletion(uint32_t count) {
    if (completion != nullptr) {
        completion(*this, count, completionValue);
    }
}

uint32_t NativeFileStream::readRaw(void* buffer, uint32_t count) {
    if (fd < 0 || count == 0) {
        return 0;
    }
    const uint32_t total = transferLoop(static_cast<uint8_t*>(buffer), count, false);
    notifyCompletion(total);
    return total;
}

uint32_t NativeFileStream::writeRaw(const void* buffer, uint32_t count) {
    if (fd < 0 || count == 0 || !writable || !preExtend(count)) {
        return 0;
    }
    const uint32_t total =
        transferLoop(static_cast<uint8_t*>(const_cast<void*>(buffer)), count, true);
    notifyCompletion(total);
    return total;
}

// Runs the count as pieces of at most PieceSize bytes, each filling on where the last ended.
// Ends early at the end of the file, or when a piece transfers nothing (a failure) or, for a
// write, less than asked.
uint32_t NativeFileStream::transferLoop(uint8_t* buffer, uint32_t count, bool isWrite) {
    const bool borrowed = (mode & BorrowedHandle) != 0;
    off_t saved = 0;
    if (borrowed) {
        saved = lseek(fd, 0, SEEK_CUR);
        if (saved < 0 || lseek(fd, static_cast<off_t>(position), SEEK_SET) < 0) {
            return 0;
        }
    }
    uint32_t total = 0;
    uint32_t planned = 0;
    while (planned < count) {
        const uint32_t piece = count - planned < PieceSize ? count - planned : PieceSize;
        planned += piece;
        const uint32_t moved = transferPiece(buffer + total, piece, isWrite);
        total += moved;
        if (endFlag || moved == 0 || (isWrite && moved < piece)) {
            break;
        }
    }
    if (borrowed) {
        lseek(fd, saved, SEEK_SET);
    }
    return total;
}

// A read that starts at the end of the file transfers nothing and sets the end flag; one that
// runs into it returns the bytes before it, and the next read meets the end.
uint32_t NativeFileStream::transferPiece(uint8_t* buffer, uint32_t count, bool isWrite) {
    const bool borrowed = (mode & BorrowedHandle) != 0;
    uint32_t done = 0;
    while (done < count) {
        ssize_t moved = 0;
        const auto offset = static_cast<off_t>(position + done);
        if (isWrite) {
            moved = borrowed ? ::write(fd, buffer + done, count - done)
                             : pwrite(fd, buffer + done, count - done, offset);
        } else {
            moved = borrowed ? ::read(fd, buffer + done, count - done)
                             : pread(fd, buffer + done, count - done, offset);
        }
        if (moved < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (moved == 0) {
            if (!isWrite && done == 0) {
                endFlag = true;
            }
            break;
        }
        done += static_cast<uint32_t>(moved);
    }
    position += done;
    return done;
}

void* NativeFileStream::map(uint64_t offset, uint32_t length) {
    uint64_t fileLength = 0;
    if (!fileSize(fileLength) || offset >= fileLength) {
        return nullptr;
    }
    const uint64_t span = length == 0 ? fileLength - offset : length;
    if (span > fileLength - offset) {
        return nullptr;
    }
    const auto page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    const uint64_t aligned = offset - offset % page;
    const auto total = static_cast<size_t>(span + (offset - aligned));
    void* base = mmap(nullptr, total, PROT_READ, MAP_SHARED, fd, static_cast<off_t>(aligned));
    if (base == MAP_FAILED) {
        return nullptr;
    }
    if (!views.Append(MappedView{base, total})) {
        munmap(base, total);
        return nullptr;
    }
    return static_cast<uint8_t*>(base) + (offset - aligned);
}

void NativeFileStream::unmap(void* view) {
    const auto* address = static_cast<const uint8_t*>(view);
    for (int32_t i = 0; i < views.Count(); ++i) {
        const auto* base = static_cast<const uint8_t*>(views.Item(i).base);
        if (address >= base && address < base + views.Item(i).length) {
            munmap(views.Item(i).base, views.Item(i).length);
            views.RemoveAt(i);
            return;
        }
    }
}

} // namespace quib
