// A texture of 32-bit ARGB pixels: decoded from an image, or written through Lock/Unlock.
#pragma once

#include <cstdint>

namespace quib {

// Pixels of level 0 as 32-bit ARGB words (bytes B, G, R, A in memory), rows `pitch` bytes
// apart, row 0 first; row 0 is what texture coordinate v = 0 addresses. bits is null when
// the texture cannot be locked.
struct TextureLock {
    uint8_t* bits = nullptr;
    int pitch = 0;
};

// Created by GfxDevice; destroying the object releases it (on the context's thread).
class GfxTexture {
public:
    virtual ~GfxTexture() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Mip levels, level 0 included: 1 + floor(log2(max(width, height))) for a full chain.
    virtual int Levels() const = 0;

    // Textures made by GfxDevice::CreateTexture can be locked; textures decoded from images
    // cannot (bits null). Contents persist between locks. Unlock uploads level 0 and, for
    // TextureUsage::AutoMipmap, rebuilds the chain below it.
    virtual TextureLock Lock() = 0;
    virtual void Unlock() = 0;
};

} // namespace quib
