// Vertex memory owned by one effect: locked whole, written, unlocked, drawn until released.
#pragma once

#include <cstdint>

namespace quib {

// Created by GfxDevice::CreateVertexBuffer; destroying the object releases it. Like every
// device object it is used and destroyed only on the thread that holds the device's context.
class GfxVertexBuffer {
public:
    virtual ~GfxVertexBuffer() = default;

    // The whole buffer, for writing; its contents persist between locks. Never null.
    virtual void* Lock() = 0;
    // Hands what was written to the device; draws after this see it.
    virtual void Unlock() = 0;
    virtual uint32_t Size() const = 0;
};

} // namespace quib
