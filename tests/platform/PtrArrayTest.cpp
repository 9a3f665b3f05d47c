// Growth, records, lookups and removal of PtrArray, with the allocator's counters as witness.
#include "platform/PtrArray.h"

#include "platform/MemAllocator.h"

#include <gtest/gtest.h>
#include <string>

namespace quib {
namespace {

int32_t Outstanding() {
    const MemCounters counters = MemGetCounters();
    return int32_t(counters.allocations - counters.frees);
}

template <typename T>
uint32_t CapacityOf(PtrArray<T>& array) {
    return MemBlockSize(&array.Item(0)) / sizeof(T);
}

TEST(PtrArray, GrowsGeometricallyAndKeepsPointers) {
    const int32_t outstanding = Outstanding();
    {
        PtrArray<int*> array;
        static int values[100000];
        uint32_t growths = 0;
        for (int i = 0; i < 100000; ++i) {
            const uint32_t before = i == 0 ? 0 : CapacityOf(array);
            ASSERT_TRUE(array.Append(&values[i]));
            if (CapacityOf(array) != before) {
                ++growths;
                ASSERT_EQ(CapacityOf(array), before == 0 ? 32u : before * 2) << "after " << i + 1;
            }
        }
        EXPECT_EQ(growths, 13u) << "32 doubled up to 131072";
        for (int i = 0; i < 100000; ++i) {
            ASSERT_EQ(array.Item(i), &values[i]);
        }
        EXPECT_EQ(MemGetCounters().allocations - MemGetCounters().frees, uint32_t(outstanding + 1))
            << "one block, resized";
    }
    EXPECT_EQ(Outstanding(), outstanding);
}

TEST(PtrArray, CustomStepAndAppendingAnElementOfItself) {
    PtrArray<uint32_t> array(4);
    for (uint32_t i = 0; i < 4; ++i) {
        array.Append(i * 10);
    }
    EXPECT_EQ(CapacityOf(array), 4u);
    ASSERT_TRUE(array.Append(array.Item(2))) << "the source may move while the array grows";
    EXPECT_EQ(CapacityOf(array), 8u);
    EXPECT_EQ(array.Item(4), 20u);
}

TEST(PtrArray, LookupAndRemoval) {
    int a = 0, b = 0, c = 0, d = 0;
    PtrArray<int*> array;
    for (int* p : {&a, &b, &c, &b}) {
        array.Append(p);
    }
    EXPECT_EQ(array.IndexOf(&b), 1);
    EXPECT_EQ(array.IndexOf(&d), -1);
    EXPECT_TRUE(array.Contains(&c));
    EXPECT_FALSE(array.Contains(&d));

    EXPECT_TRUE(array.Remove(&b)) << "removes the first match";
    ASSERT_EQ(array.Count(), 3);
    EXPECT_EQ(array.Item(0), &a);
    EXPECT_EQ(array.Item(1), &c);
    EXPECT_EQ(array.Item(2), &b);
    EXPECT_FALSE(array.Remove(&d));
    array.RemoveAt(7);
    array.RemoveAt(-1);
    EXPECT_EQ(array.Count(), 3);
    array.RemoveAt(2);
    EXPECT_FALSE(array.Contains(&b));
    EXPECT_EQ(array.Count(), 2);
}

TEST(PtrArray, GivesUnusedStepsBackWithoutMoving) {
    PtrArray<uint64_t> array;
    for (uint64_t i = 0; i < 128; ++i) {
        array.Append(i);
    }
    ASSERT_EQ(CapacityOf(array), 128u);
    const uint64_t* storage = &array.Item(0);
    while (array.Count() > 40) {
        array.RemoveAt(0);
    }
    EXPECT_EQ(&array.Item(0), storage);
    EXPECT_EQ(CapacityOf(array), 96u) << "one spare step is kept";
    EXPECT_EQ(array.Item(0), 88u);
    EXPECT_EQ(array.Item(39), 127u);
}

struct Record {
    uint32_t id;
    uint32_t flags;
};

TEST(PtrArray, RecordsAppendDefaultAndIndexOfRecord) {
    PtrArray<Record> array;
    for (uint32_t i = 0; i < 40; ++i) {
        const int32_t index = array.AppendDefault();
        ASSERT_EQ(index, int32_t(i));
        EXPECT_EQ(array.Item(index).id, 0u) << "value-initialised";
        EXPECT_EQ(array.Item(index).flags, 0u);
        array.Item(index).id = i;
    }
    EXPECT_EQ(array.IndexOfRecord(&array.Item(33)), 33);
    const Record outside{};
    EXPECT_EQ(array.IndexOfRecord(&outside), -1);
    EXPECT_EQ(array.IndexOfRecord(nullptr), -1);
}

// A record that counts its lives and owns heap memory: moves and destruction must be real.
struct Owning {
    static inline int alive = 0;
    std::string text;
    Owning() : text("a text long enough to live on the heap, not inline") { ++alive; }
    Owning(const Owning& other) : text(other.text) { ++alive; }
    Owning(Owning&& other) noexcept : text(std::move(other.text)) { ++alive; }
    Owning& operator=(Owning&&) noexcept = default;
    ~Owning() { --alive; }
};

TEST(PtrArray, NonTrivialRecordsAreConstructedMovedAndDestroyed) {
    const int32_t outstanding = Outstanding();
    {
        PtrArray<Owning> array;
        for (int i = 0; i < 70; ++i) {
            const int32_t index = array.AppendDefault();
            ASSERT_EQ(index, i);
            array.Item(index).text += std::to_string(i);
        }
        EXPECT_EQ(Owning::alive, 70);
        for (int i = 0; i < 70; ++i) {
            ASSERT_EQ(array.Item(i).text.substr(50), std::to_string(i));
        }
        array.RemoveAt(0);
        EXPECT_EQ(Owning::alive, 69);
        EXPECT_EQ(array.Item(0).text.substr(50), "1");

        PtrArray<Owning> moved(std::move(array));
        EXPECT_EQ(array.Count(), 0);
        EXPECT_EQ(moved.Count(), 69);
        moved.Clear();
        EXPECT_EQ(Owning::alive, 0);
        EXPECT_EQ(moved.Count(), 0);
        EXPECT_EQ(moved.AppendDefault(), 0) << "usable again after Clear";
    }
    EXPECT_EQ(Owning::alive, 0);
    EXPECT_EQ(Outstanding(), outstanding);
}

} // namespace
} // namespace quib
