// Every allocation of the system: blocks with a tagged header from one private heap.
#pragma once

#include "platform/PrivateHeap.h"

#include <cstddef>
#include <cstdint>

namespace quib {

// Flag bits of MemAllocate and MemResize. Values other than MemZero and MemInPlace are tags,
// stored in the block header and otherwise without effect.
enum : uint32_t { MemZero = 1, MemInPlace = 8, MemTagObject = 16, MemTagPointerArray = 0x70 };

// A block of size bytes, 8-byte aligned on this platform (4 is all that is promised
// elsewhere; nothing needing more than 8 may live in one). Null for size 0 or on exhaustion.
void* MemAllocate(uint32_t size, uint32_t flags = 0);
// Null is ignored; a pointer whose header is not one of ours is left alone.
void MemFree(void* block);
// Grows block to newSize (allocates when block is null). MemZero zeroes the added tail;
// MemInPlace refuses to move the block. A smaller size is refused (use MemShrink). On
// failure block and its contents are unchanged.
bool MemResize(void*& block, uint32_t newSize, uint32_t flags = 0);
// Lowers the logical size of block; the block never moves.
bool MemShrink(void* block, uint32_t newSize);
// The logical size recorded in the header; 0 for null or a pointer that is not ours.
uint32_t MemBlockSize(const void* block);

// Blocks handed out and blocks given back since start-up; a scenario that frees what it
// allocates leaves allocations - frees unchanged. Exact for every thread that has finished
// (or is the caller); blocks in flight on other threads may show as still allocated.
struct MemCounters {
    uint32_t allocations;
    uint32_t frees;
};
MemCounters MemGetCounters();

// Heap maintenance, each under the allocator's lock. Nothing in the player needs them; they
// report what the C library heap can honestly say (see PrivateHeap).
HeapCheck MemValidateHeap();
bool MemCompactHeap();
bool MemWalkHeap(HeapVisitor visitor, void* user);
bool MemHeapStatus(uint64_t& total, uint64_t& available);

// Base of every class whose objects come from MemAllocate (tag MemTagObject). Allocation
// failure is a result here as everywhere: operator new is non-throwing, so `new Derived`
// yields null when the heap is exhausted and the constructor does not run.
class MemObject {
public:
    static void* operator new(std::size_t size) noexcept;
    static void operator delete(void* block) noexcept;
};

} // namespace quib
