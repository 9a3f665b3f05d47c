// The process heap behind MemAllocate: one object, one virtual operation per heap service.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace quib {

// What a heap check could establish. The C library heap offers no whole-heap check, so a
// check there answers Unsupported rather than pretending the heap is sound.
enum class HeapCheck : uint8_t { Valid, Corrupt, Unsupported };

// Called for every entry of a heap walk; answering false stops the walk.
using HeapVisitor = bool (*)(void* data, std::size_t size, bool isBusy, void* user);

// On Linux the private heap is the C library's heap: it has no handle, no destroy and no
// walk, so those operations report what they could do instead of inventing it. Alloc and Free
// may be called from any thread at once (the C library serialises them itself); the other
// operations are serialised by the caller (the allocator's lock).
// The virtual operations keep the heap family's slot order.
class PrivateHeap {
public:
    constexpr PrivateHeap() = default;

    virtual void Create();
    virtual void Destroy();
    // Defined here so that the allocator's calls, bound statically, go straight to the
    // C library.
    virtual void* Alloc(std::size_t bytes) { return std::malloc(bytes); }
    virtual void Free(void* block) { std::free(block); }
    // Succeeds (returns block) only when the block already has room for bytes; never moves.
    virtual void* ReallocInPlace(void* block, std::size_t bytes);
    // Null when the heap has no room, or when mayMove is false and the block would move.
    virtual void* Realloc(void* block, std::size_t bytes, bool mayMove, uint32_t tag);
    virtual HeapCheck Validate();
    // Gives unused heap memory back to the system; true when some was returned.
    virtual bool Compact();
    // The C library cannot enumerate its blocks: answers false without calling the visitor.
    virtual bool Walk(HeapVisitor visitor, void* user);
    // Physical memory of the machine in bytes: total and available to new allocations.
    virtual bool MemoryStatus(uint64_t& total, uint64_t& available);
};

} // namespace quib
