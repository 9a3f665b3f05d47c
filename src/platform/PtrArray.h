// Growable array of pointers or records whose storage is one MemAllocate block.
#pragma once

#include "platform/MemAllocator.h"
#include "platform/StringPrimitives.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace quib {

// The capacity is not stored: it is read back from the block header, so the array is one
// pointer, a count and the growth step. Storage starts at growStep elements and doubles from
// there, so n appends move the records O(log n) times rather than n / growStep times; it is
// given back (without moving) once less than half of it and at most all but two steps are in
// use, which leaves room to append again after removing without growing. Trivially copyable
// elements travel with the block when the heap moves it; other records are move-constructed into a
// new block and destroyed in the old one. Failures are results: Append answers false,
// AppendDefault -1, and the array is then unchanged.
template <typename T>
class PtrArray {
public:
    constexpr explicit PtrArray(uint32_t growStep = 32) : step(growStep ? growStep : 1) {}
    ~PtrArray() { Clear(); }

    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;
    PtrArray(PtrArray&& other) noexcept : items(other.items), count(other.count), step(other.step) {
        other.items = nullptr;
        other.count = 0;
    }
    PtrArray& operator=(PtrArray&& other) noexcept {
        if (this != &other) {
            Clear();
            items = std::exchange(other.items, nullptr);
            count = std::exchange(other.count, 0);
            step = other.step;
        }
        return *this;
    }

    int32_t Count() const { return count; }
    // index must lie in [0, Count()).
    T& Item(int32_t index) { return items[index]; }
    const T& Item(int32_t index) const { return items[index]; }

    bool Append(const T& value) { return Emplace(value); }
    // Appends a value-initialised record; its index, or -1 when there is no room.
    int32_t AppendDefault() { return Emplace() ? count - 1 : -1; }

    int32_t IndexOf(const T& value) const {
        for (int32_t i = 0; i < count; ++i) {
            if (items[i] == value) {
                return i;
            }
        }
        return -1;
    }
    // Index of the element record points at, or -1 when it is not an element of this array.
    int32_t IndexOfRecord(const T* record) const {
        for (int32_t i = 0; i < count; ++i) {
            if (items + i == record) {
                return i;
            }
        }
        return -1;
    }
    bool Contains(const T& value) const { return IndexOf(value) >= 0; }

    bool Remove(const T& value) {
        const int32_t index = IndexOf(value);
        if (index < 0) {
            return false;
        }
        RemoveAt(index);
        return true;
    }
    // Later elements move down by one; an index out of range is ignored.
    void RemoveAt(int32_t index) {
        if (index < 0 || index >= count) {
            return;
        }
        if constexpr (std::is_trivially_copyable_v<T>) {
            MemMove(items + index, items + index + 1, uint32_t(count - index - 1) * sizeof(T));
        } else {
            for (int32_t i = index; i + 1 < count; ++i) {
                items[i] = std::move(items[i + 1]);
            }
            items[count - 1].~T();
        }
        --count;
        GiveBackUnused();
    }

    // Destroys every element and releases the storage.
    void Clear() {
        if constexpr (!std::is_trivially_destructible_v<T>) {
            for (int32_t i = 0; i < count; ++i) {
                items[i].~T();
            }
        }
        MemFree(items);
        items = nullptr;
        count = 0;
    }

private:
    static constexpr uint32_t maxCount = (UINT32_MAX / sizeof(T) < uint32_t(INT32_MAX))
                                             ? uint32_t(UINT32_MAX / sizeof(T))
                                             : uint32_t(INT32_MAX);

    uint32_t Capacity() const { return MemBlockSize(items) / sizeof(T); }

    template <typename... Args>
    bool Emplace(Args&&... args) {
        const uint32_t capacity = Capacity();
        if (uint32_t(count) < capacity) {
            new (items + count) T(std::forward<Args>(args)...);
            ++count;
            return true;
        }
        if (capacity > maxCount - step) {
            return false;
        }
        const uint32_t added = capacity > step ? std::min(capacity, maxCount - capacity) : step;
        const uint32_t bytes = (capacity + added) * sizeof(T);
        if constexpr (std::is_trivially_copyable_v<T>) {
            // Taken before the block may move: args may refer to an element of this array.
            const T element(std::forward<Args>(args)...);
            void* block = items;
            if (!MemResize(block, bytes, MemTagPointerArray)) {
                return false;
            }
            items = static_cast<T*>(block);
            new (items + count) T(element);
        } else {
            T* fresh = static_cast<T*>(MemAllocate(bytes, MemTagPointerArray));
            if (!fresh) {
                return false;
            }
            new (fresh + count) T(std::forward<Args>(args)...);
            for (int32_t i = 0; i < count; ++i) {
                new (fresh + i) T(std::move(items[i]));
                items[i].~T();
            }
            MemFree(items);
            items = fresh;
        }
        ++count;
        return true;
    }

    // Keeps one spare step, so appending and removing around a step boundary does not
    // grow and shrink the block each time.
    void GiveBackUnused() {
        const uint32_t capacity = Capacity();
        if ((capacity - uint32_t(count)) / 2 < step || uint32_t(count) >= capacity / 2) {
            return;
        }
        const uint32_t kept = (uint32_t(count) + step - 1) / step * step + step;
        MemShrink(items, kept * sizeof(T));
    }

    T* items = nullptr;
    int32_t count = 0;
    uint32_t step;
};

} // namespace quib
