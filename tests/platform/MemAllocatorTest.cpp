// Block header, flags, resizing rules, counters and thread safety of the allocator.
#include "platform/MemAllocator.h"

#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace quib {
namespace {

// Allocated by a static initialiser of this program: the allocator must already work.
void* const staticBlock = MemAllocate(24, MemZero);

struct RawHeader {
    uint32_t magic;
    uint16_t userOffset;
    uint16_t flags;
    uint32_t size;
    uint32_t align;
    uint32_t reserved;
};

uint8_t* RawOf(void* user) {
    uint16_t backLink;
    std::memcpy(&backLink, static_cast<uint8_t*>(user) - 2, 2);
    return static_cast<uint8_t*>(user) - 2 - backLink;
}

RawHeader HeaderOf(void* user) {
    RawHeader header;
    std::memcpy(&header, RawOf(user), sizeof header);
    return header;
}

int32_t Outstanding() {
    const MemCounters counters = MemGetCounters();
    return int32_t(counters.allocations - counters.frees);
}

TEST(MemAllocator, StaticInitialiserAllocationIsAValidBlock) {
    ASSERT_NE(staticBlock, nullptr);
    EXPECT_EQ(MemBlockSize(staticBlock), 24u);
    EXPECT_EQ(std::memcmp(RawOf(staticBlock), "ZQmm", 4), 0);
}

TEST(MemAllocator, SizeZeroIsNullAndCountsNothing) {
    const MemCounters before = MemGetCounters();
    EXPECT_EQ(MemAllocate(0, MemZero), nullptr);
    const MemCounters after = MemGetCounters();
    EXPECT_EQ(after.allocations, before.allocations);
    EXPECT_EQ(after.frees, before.frees);
}

TEST(MemAllocator, HeaderLayoutAndAlignment) {
    for (uint32_t size : {1u, 3u, 10u, 26u, 1000u, 70000u}) {
        void* block = MemAllocate(size, 0x90 | MemZero);
        ASSERT_NE(block, nullptr);
        const auto address = reinterpret_cast<uintptr_t>(block);
        EXPECT_EQ(address % 8, 0u) << "pointers and doubles live in these blocks";
        const RawHeader header = HeaderOf(block);
        EXPECT_EQ(std::memcmp(RawOf(block), "ZQmm", 4), 0);
        EXPECT_EQ(header.magic, 0x6D6D515Au);
        EXPECT_GE(header.userOffset, 22);
        EXPECT_LE(header.userOffset, 25);
        EXPECT_EQ(RawOf(block) + header.userOffset, block);
        EXPECT_EQ(header.flags, 0x11) << "bit 7 is cleared, the tag is kept";
        EXPECT_EQ(header.size, size);
        EXPECT_EQ(header.align, 4u);
        EXPECT_EQ(header.reserved, 0u);
        EXPECT_EQ(MemBlockSize(block), size);
        MemFree(block);
    }
}

TEST(MemAllocator, ZeroFlagClearsNewBlocksAndGrownTails) {
    // Dirty a block and give it back, so the next one of that size is likely the same memory.
    void* dirty = MemAllocate(10);
    std::memset(dirty, 0xAA, 10);
    MemFree(dirty);

    void* block = MemAllocate(10, MemZero);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<uint8_t*>(block);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(bytes[i], 0) << i;
        bytes[i] = uint8_t(i + 1);
    }
    ASSERT_TRUE(MemResize(block, 20, MemZero));
    bytes = static_cast<uint8_t*>(block);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(bytes[i], i + 1) << i;
    }
    for (int i = 10; i < 20; ++i) {
        EXPECT_EQ(bytes[i], 0) << i;
    }
    EXPECT_EQ(MemBlockSize(block), 20u);
    MemFree(block);
}

TEST(MemAllocator, ResizeGrowsAndRefusesToShrink) {
    void* block = nullptr;
    ASSERT_TRUE(MemResize(block, 16)) << "a null block is allocated";
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "0123456789abcdef", 16);

    void* const before = block;
    EXPECT_FALSE(MemResize(block, 8));
    EXPECT_EQ(block, before);
    EXPECT_EQ(MemBlockSize(block), 16u);
    EXPECT_TRUE(MemResize(block, 16));
    EXPECT_EQ(block, before);

    ASSERT_TRUE(MemResize(block, 1 << 20));
    EXPECT_EQ(MemBlockSize(block), 1u << 20);
    EXPECT_EQ(std::memcmp(block, "0123456789abcdef", 16), 0) << "contents travel with the block";
    EXPECT_EQ(std::memcmp(RawOf(block), "ZQmm", 4), 0) << "the header travels too";
    MemFree(block);
}

TEST(MemAllocator, ShrinkLowersTheSizeWithoutMoving) {
    void* block = MemAllocate(100);
    ASSERT_NE(block, nullptr);
    EXPECT_FALSE(MemShrink(nullptr, 10));
    EXPECT_FALSE(MemShrink(block, 0));
    EXPECT_FALSE(MemShrink(block, 101));
    EXPECT_TRUE(MemShrink(block, 100));
    EXPECT_TRUE(MemShrink(block, 40));
    EXPECT_EQ(MemBlockSize(block), 40u);
    EXPECT_EQ(std::memcmp(RawOf(block), "ZQmm", 4), 0);
    MemFree(block);
}

TEST(MemAllocator, InPlaceResizeNeverMoves) {
    void* block = MemAllocate(10);
    ASSERT_NE(block, nullptr);
    std::memcpy(block, "abcdefghij", 10);
    void* const original = block;
    uint32_t size = 10;
    for (uint32_t wanted = 11; wanted < 200; ++wanted) {
        if (MemResize(block, wanted, MemInPlace)) {
            size = wanted;
        }
        ASSERT_EQ(block, original);
        ASSERT_EQ(MemBlockSize(block), size);
    }
    EXPECT_FALSE(MemResize(block, 1 << 24, MemInPlace)) << "no heap block has that much spare";
    EXPECT_EQ(block, original);
    EXPECT_EQ(MemBlockSize(block), size);
    EXPECT_EQ(std::memcmp(block, "abcdefghij", 10), 0);
    MemFree(block);
}

TEST(MemAllocator, CountersBalanceAndNullFreeIsIgnored) {
    const MemCounters before = MemGetCounters();
    void* a = MemAllocate(8);
    void* b = MemAllocate(8);
    EXPECT_EQ(MemGetCounters().allocations, before.allocations + 2);
    MemFree(nullptr);
    EXPECT_EQ(MemGetCounters().frees, before.frees);
    MemFree(a);
    MemFree(b);
    EXPECT_EQ(MemGetCounters().frees, before.frees + 2);
}

TEST(MemAllocator, ForeignPointersAreNotFreed) {
    void* block = MemAllocate(32);
    ASSERT_NE(block, nullptr);
    uint8_t* raw = RawOf(block);
    const MemCounters before = MemGetCounters();

    raw[0] = 'X';
    MemFree(block);
    EXPECT_EQ(MemBlockSize(block), 0u);
    EXPECT_FALSE(MemShrink(block, 8));
    EXPECT_EQ(MemGetCounters().frees, before.frees) << "a refused free is not counted";

    alignas(8) uint8_t stack[64] = {};
    MemFree(stack + 32);
    EXPECT_EQ(MemGetCounters().frees, before.frees);

    raw[0] = 'Z';
    MemFree(block);
    EXPECT_EQ(MemGetCounters().frees, before.frees + 1);
}

struct Tracked : MemObject {
    explicit Tracked(int v) : value(v) {}
    int value;
    double weight = 0.5;
};

TEST(MemAllocator, ObjectsComeFromTheAllocatorWithTheObjectTag) {
    const int32_t outstanding = Outstanding();
    auto* object = new Tracked(7);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->value, 7);
    EXPECT_EQ(HeaderOf(object).flags, MemTagObject);
    EXPECT_EQ(MemBlockSize(object), sizeof(Tracked));
    EXPECT_EQ(Outstanding(), outstanding + 1);
    delete object;
    EXPECT_EQ(Outstanding(), outstanding);
}

TEST(MemAllocator, ConcurrentAllocationKeepsBlocksAndCountersIntact) {
    const int32_t outstanding = Outstanding();
    std::vector<std::thread> threads;
    for (uint8_t id = 1; id <= 4; ++id) {
        threads.emplace_back([id] {
            std::vector<uint8_t*> live;
            for (uint32_t i = 0; i < 20000; ++i) {
                const uint32_t size = 1 + (i * 37 + id) % 300;
                auto* block =
                    static_cast<uint8_t*>(MemAllocate(size, i % 3 == 0 ? uint32_t(MemZero) : 0u));
                ASSERT_NE(block, nullptr);
                std::memset(block, id, size);
                live.push_back(block);
                if (live.size() > 16) {
                    uint8_t* old = live[i % live.size()];
                    const uint32_t oldSize = MemBlockSize(old);
                    for (uint32_t k = 0; k < oldSize; ++k) {
                        ASSERT_EQ(old[k], id);
                    }
                    live[i % live.size()] = live.back();
                    live.pop_back();
                    MemFree(old);
                }
            }
            for (uint8_t* block : live) {
                MemFree(block);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(Outstanding(), outstanding);
}

// Counts live per thread; a thread's counts must outlive it, also when a later thread takes
// over its record, and a block freed on another thread than the one that made it still balances.
TEST(MemAllocator, CountsOfEndedThreadsStayInTheSums) {
    const MemCounters before = MemGetCounters();
    void* made[3] = {};
    std::thread([&] {
        for (void*& block : made) {
            block = MemAllocate(40);
        }
    }).join();
    for (void* block : made) {
        MemFree(block);
    }
    std::thread([] { MemFree(MemAllocate(8)); }).join();
    const MemCounters after = MemGetCounters();
    EXPECT_EQ(after.allocations, before.allocations + 4);
    EXPECT_EQ(after.frees, before.frees + 4);
}

TEST(MemAllocator, MaintenanceReportsWhatTheHeapCanDo) {
    EXPECT_EQ(MemValidateHeap(), HeapCheck::Unsupported);
    bool visited = false;
    EXPECT_FALSE(MemWalkHeap(
        [](void*, std::size_t, bool, void* user) { return *static_cast<bool*>(user) = true; },
        &visited));
    EXPECT_FALSE(visited);
    uint64_t total = 0;
    uint64_t available = 0;
    ASSERT_TRUE(MemHeapStatus(total, available));
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, total);
}

} // namespace
} // namespace quib
