// A callable bound to one object and its read or write operation: the joints of filter chains.
#pragma once

#include <cstdint>

namespace quib {

// Links are plain values and own nothing. Read and write links share one shape; a write link
// never writes through the buffer it is given.
class ChainLink {
public:
    using Operation = uint32_t (*)(void* target, void* buffer, uint32_t count);

    ChainLink() = default;

    template <class T, uint32_t (T::*Op)(void*, uint32_t)>
    static ChainLink ToRead(T* target) {
        return ChainLink(target, [](void* t, void* buffer, uint32_t count) {
            return (static_cast<T*>(t)->*Op)(buffer, count);
        });
    }

    template <class T, uint32_t (T::*Op)(const void*, uint32_t)>
    static ChainLink ToWrite(T* target) {
        return ChainLink(target, [](void* t, void* buffer, uint32_t count) {
            return (static_cast<T*>(t)->*Op)(buffer, count);
        });
    }

    const void* target() const { return target_; }

    uint32_t read(void* buffer, uint32_t count) const { return operation_(target_, buffer, count); }
    uint32_t write(const void* buffer, uint32_t count) const {
        return operation_(target_, const_cast<void*>(buffer), count);
    }

private:
    ChainLink(void* target, Operation operation) : target_(target), operation_(operation) {}

    void* target_ = nullptr;
    Operation operation_ = nullptr;
};

} // namespace quib
