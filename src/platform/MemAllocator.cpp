// The block allocator: header layout, lock discipline, counters, start-up and shut-down.
//
// Sections: block header; counters; lock; globals and lifecycle; allocate/free/resize;
// maintenance.
#include "platform/MemAllocator.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>
#include <pthread.h>

namespace quib {

namespace {

// --- Block header -----------------------------------------------------------------------

// Written at the start of every raw heap block. The two bytes just below the user pointer
// (the back link) lead back to it: raw = (user - 2) - backLink.
struct BlockHeader {
    uint32_t magic;
    uint16_t userOffset;
    uint16_t flags;
    uint32_t size;
    uint32_t align;
    uint32_t reserved;
};
static_assert(sizeof(BlockHeader) == 20);

constexpr uint32_t blockMagic = 0x6D6D515A; // "ZQmm" read little-endian
constexpr uint32_t blockAlign = 4;
constexpr std::size_t headerOverhead = ((blockAlign + 22) & ~std::size_t(1)); // 26
constexpr uint16_t minUserOffset = 22;
constexpr uint16_t maxUserOffset = 25;

uint8_t* UserPointer(uint8_t* raw) {
    return reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(raw) + 25) & ~uintptr_t(3));
}

// The header of a user pointer, or null when the back link or the magic shows that the
// pointer did not come from MemAllocate. The back link is range-checked before the raw
// block is touched, so a stray pointer is not followed far.
BlockHeader* HeaderOf(const void* user) {
    const uint8_t* linkAt = static_cast<const uint8_t*>(user) - 2;
    uint16_t backLink;
    std::memcpy(&backLink, linkAt, sizeof backLink);
    if (backLink < minUserOffset - 2 || backLink > maxUserOffset - 2) {
        return nullptr;
    }
    auto* header = reinterpret_cast<BlockHeader*>(const_cast<uint8_t*>(linkAt) - backLink);
    if (header->magic != blockMagic || header->userOffset != backLink + 2) {
        return nullptr;
    }
    return header;
}

// --- Counters ---------------------------------------------------------------------------

// The counters of one thread: written only by that thread, so that allocating and freeing
// neither lock nor share a cache line with another thread. A record outlives its thread: when
// the thread ends, the record goes back to be reused by a later thread with its counts kept,
// so the sums over all records stay exact. Records are never freed; there are at most as many
// as threads that ever ran at once. They come from the C library, not from MemAllocate, so
// that they count nothing themselves.
struct alignas(64) ThreadCounters {
    std::atomic<uint32_t> allocations{0};
    std::atomic<uint32_t> frees{0};
    std::atomic<bool> inUse{true};
    ThreadCounters* next = nullptr; // fixed once the record is in the list
};

std::atomic<ThreadCounters*> allCounters{nullptr};
// Counts of the rare thread that could not get a record of its own (no memory for one).
ThreadCounters sharedCounters;
constinit thread_local ThreadCounters* threadCounters = nullptr;
// Hands a thread's record back when the thread ends (after its C++ thread-local destructors,
// which may still free blocks). A thread that allocates after that takes a record again.
pthread_key_t releaseKey;
bool haveReleaseKey = false;

void ReleaseThreadCounters(void* record) {
    threadCounters = nullptr;
    static_cast<ThreadCounters*>(record)->inUse.store(false, std::memory_order_release);
}

// A free record from a thread that has ended, or a new one; null when there is no memory.
ThreadCounters* ClaimThreadCounters() {
    for (ThreadCounters* record = allCounters.load(std::memory_order_acquire); record;
         record = record->next) {
        bool inUse = false;
        if (!record->inUse.load(std::memory_order_relaxed) &&
            record->inUse.compare_exchange_strong(inUse, true, std::memory_order_acquire)) {
            return record;
        }
    }
    auto* record = new (std::nothrow) ThreadCounters;
    if (!record) {
        return nullptr;
    }
    record->next = allCounters.load(std::memory_order_relaxed);
    while (!allCounters.compare_exchange_weak(record->next, record, std::memory_order_release,
                                              std::memory_order_relaxed)) {
    }
    return record;
}

// The release store lets MemGetCounters, which reads frees before allocations, never see a
// free without the allocation of its block.
void Bump(std::atomic<uint32_t>& counter) {
    counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

// The first count of a thread (or the first after its record went back).
[[gnu::noinline]] void CountWithoutRecord(std::atomic<uint32_t> ThreadCounters::*counter) {
    ThreadCounters* record = ClaimThreadCounters();
    if (!record) {
        (sharedCounters.*counter).fetch_add(1, std::memory_order_release);
        return;
    }
    if (haveReleaseKey) {
        pthread_setspecific(releaseKey, record);
    }
    threadCounters = record;
    Bump(record->*counter);
}

void Count(std::atomic<uint32_t> ThreadCounters::*counter) {
    if (ThreadCounters* record = threadCounters) {
        Bump(record->*counter);
    } else {
        CountWithoutRecord(counter);
    }
}

// --- Lock -------------------------------------------------------------------------------

// Allocating and freeing take no lock: the C library heap serialises itself (per arena, so
// threads rarely wait on each other) and the counters are per thread. Resizing, shrinking and
// heap maintenance run under this lock, which keeps them serialised against each other.

// A small, cheap id per thread (never 0, which marks a free lock).
uint32_t CurrentThreadId() {
    static std::atomic<uint32_t> nextId{1};
    thread_local uint32_t id = 0;
    if (id == 0) {
        id = nextId.fetch_add(1, std::memory_order_relaxed);
    }
    return id;
}

// Recursive through its own owner and count; the mutex stands in for the platform's
// spinning critical section (glibc mutexes spin adaptively by themselves). The owner is
// atomic because a leave on a foreign thread reads it without holding the mutex.
struct AllocatorLock {
    std::atomic<uint32_t> owner{0};
    uint32_t count = 0;
    std::recursive_mutex mutex;

    void Enter() {
        mutex.lock();
        owner.store(CurrentThreadId(), std::memory_order_relaxed);
        ++count;
    }

    // The count and owner are updated before the mutex is released: updating them after
    // would race with the next owner, which may already be inside.
    void Leave() {
        if (owner.load(std::memory_order_relaxed) != CurrentThreadId() || count == 0) {
            return;
        }
        if (--count == 0) {
            owner.store(0, std::memory_order_relaxed);
        }
        mutex.unlock();
    }
};

// --- Globals and lifecycle --------------------------------------------------------------

constinit PrivateHeap heap;
bool initialised = false;
AllocatorLock* allocatorLock = nullptr;

// Holds the lock, when there is one, for one scope.
class LockScope {
public:
    LockScope() : lock(allocatorLock) {
        if (lock) {
            lock->Enter();
        }
    }
    ~LockScope() {
        if (lock) {
            lock->Leave();
        }
    }
    LockScope(const LockScope&) = delete;
    LockScope& operator=(const LockScope&) = delete;

private:
    AllocatorLock* lock;
};

// Runs once, from the first allocation or from the start-up object below, whichever comes
// first; both happen during single-threaded static initialisation.
[[gnu::cold, gnu::noinline]] void Initialise() {
    if (initialised) {
        return;
    }
    heap.Create();
    haveReleaseKey = pthread_key_create(&releaseKey, ReleaseThreadCounters) == 0;
    initialised = true;
    if (void* block = MemAllocate(sizeof(AllocatorLock), MemTagObject)) {
        allocatorLock = new (block) AllocatorLock;
    }
}

void ShutDown() {
    if (!initialised) {
        return;
    }
    AllocatorLock* lock = allocatorLock;
    allocatorLock = nullptr;
    if (lock) {
        lock->~AllocatorLock();
        MemFree(lock);
    }
    heap.Destroy();
    initialised = false;
}

// Constructed before every other static object of the program (priority 101 is the first
// one open to programs) and therefore destroyed after all of them: the allocator starts
// first and shuts down last. Allocations made by static initialisers of other libraries
// that run even earlier still work, because the first allocation initialises.
struct AllocatorLifetime {
    AllocatorLifetime() { Initialise(); }
    ~AllocatorLifetime() { ShutDown(); }
};
__attribute__((init_priority(101))) AllocatorLifetime allocatorLifetime;

} // namespace

// --- Allocate, free, resize -------------------------------------------------------------

void* MemAllocate(uint32_t size, uint32_t flags) {
    if (size == 0) {
        return nullptr;
    }
    if (!initialised) [[unlikely]] {
        Initialise();
        return MemAllocate(size, flags);
    }
    auto* raw = static_cast<uint8_t*>(heap.Alloc(headerOverhead + size));
    if (!raw) {
        return nullptr;
    }
    uint8_t* user = UserPointer(raw);
    const auto userOffset = uint16_t(user - raw);
    // Field by field: a whole header built aside and copied in costs a store-to-load stall.
    auto* header = reinterpret_cast<BlockHeader*>(raw);
    header->magic = blockMagic;
    header->userOffset = userOffset;
    header->flags = uint16_t(flags & ~0x80u);
    header->size = size;
    header->align = blockAlign;
    header->reserved = 0;
    const uint16_t backLink = userOffset - 2;
    std::memcpy(user - 2, &backLink, sizeof backLink);
    Count(&ThreadCounters::allocations);
    return flags & MemZero ? std::memset(user, 0, size) : user;
}

void MemFree(void* block) {
    if (!block) {
        return;
    }
    BlockHeader* header = HeaderOf(block);
    if (!header) {
        return;
    }
    Count(&ThreadCounters::frees);
    heap.Free(header);
}

bool MemResize(void*& block, uint32_t newSize, uint32_t flags) {
    if (!block) {
        block = MemAllocate(newSize, flags);
        return block != nullptr;
    }
    BlockHeader* header = HeaderOf(block);
    if (!header) {
        return false;
    }
    const uint32_t oldSize = header->size;
    if (newSize < oldSize) {
        return false;
    }
    if (newSize == oldSize) {
        return true;
    }
    LockScope scope;
    const std::size_t needed = headerOverhead + newSize;
    auto* raw = static_cast<uint8_t*>(heap.Realloc(header, needed, !(flags & MemInPlace), flags));
    if (!raw) {
        return false;
    }
    header = reinterpret_cast<BlockHeader*>(raw);
    header->size = newSize;
    uint8_t* user = raw + header->userOffset;
    if (flags & MemZero) {
        std::memset(user + oldSize, 0, newSize - oldSize);
    }
    block = user;
    return true;
}

bool MemShrink(void* block, uint32_t newSize) {
    if (!block || newSize == 0) {
        return false;
    }
    BlockHeader* header = HeaderOf(block);
    if (!header || newSize > header->size) {
        return false;
    }
    if (newSize == header->size) {
        return true;
    }
    LockScope scope;
    heap.ReallocInPlace(header, headerOverhead + newSize);
    header->size = newSize;
    return true;
}

uint32_t MemBlockSize(const void* block) {
    if (!block) {
        return 0;
    }
    const BlockHeader* header = HeaderOf(block);
    return header ? header->size : 0;
}

// Frees are summed before allocations (see Bump): a block freed on another thread while the
// sums run may show as still allocated, never as freed without having been allocated.
MemCounters MemGetCounters() {
    ThreadCounters* const first = allCounters.load(std::memory_order_acquire);
    MemCounters sums{0, sharedCounters.frees.load(std::memory_order_acquire)};
    for (ThreadCounters* record = first; record; record = record->next) {
        sums.frees += record->frees.load(std::memory_order_acquire);
    }
    sums.allocations = sharedCounters.allocations.load(std::memory_order_acquire);
    for (ThreadCounters* record = first; record; record = record->next) {
        sums.allocations += record->allocations.load(std::memory_order_acquire);
    }
    return sums;
}

// --- Maintenance ------------------------------------------------------------------------

HeapCheck MemValidateHeap() {
    LockScope scope;
    return heap.Validate();
}

bool MemCompactHeap() {
    LockScope scope;
    return heap.Compact();
}

bool MemWalkHeap(HeapVisitor visitor, void* user) {
    LockScope scope;
    return heap.Walk(visitor, user);
}

bool MemHeapStatus(uint64_t& total, uint64_t& available) {
    LockScope scope;
    return heap.MemoryStatus(total, available);
}

void* MemObject::operator new(std::size_t size) noexcept {
    return size > UINT32_MAX ? nullptr : MemAllocate(uint32_t(size), MemTagObject);
}

void MemObject::operator delete(void* block) noexcept {
    MemFree(block);
}

} // namespace quib
