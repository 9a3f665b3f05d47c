// A texture as a GL texture object, with a memory copy of level 0 for the lockable kinds.
#pragma once

#include "host/gfx/GfxDevice.h"
#include "host/gfx/GfxTexture.h"

#include <vector>

namespace quib {

class GfxTextureGl final : public GfxTexture {
public:
    // Needs a current context. `pixels` (ARGB, row 0 first) fills level 0, or null for zeros.
    // Lockable textures keep a copy of level 0 in memory; staging textures have no GL object.
    // `boundSlot` is the device's record of the texture set on stage 0: a texture destroyed
    // while set clears it, so the device never draws with a released texture.
    GfxTextureGl(int width, int height, TextureUsage usage, bool lockable, const uint32_t* pixels,
                 const GfxTextureGl** boundSlot);
    ~GfxTextureGl() override;
    GfxTextureGl(const GfxTextureGl&) = delete;
    GfxTextureGl& operator=(const GfxTextureGl&) = delete;

    int Width() const override { return width; }
    int Height() const override { return height; }
    int Levels() const override { return levels; }
    TextureLock Lock() override;
    void Unlock() override;

    bool IsStaging() const { return usage == TextureUsage::Staging; }
    // Replaces level 0 (width x height ARGB words, tightly packed); the chain below it follows
    // at the next BindForDrawing.
    void Upload(const uint32_t* pixels);
    // Binds the texture to the active unit, first rebuilding a chain that level 0 has outdated.
    void BindForDrawing() const;
    // Level 0 of a lockable texture; empty for the others.
    const std::vector<uint32_t>& Memory() const { return memory; }

private:
    int width;
    int height;
    int levels;
    TextureUsage usage;
    bool lockable;
    uint32_t name = 0;
    mutable bool chainStale = false; // the levels below 0 do not yet show level 0
    std::vector<uint32_t> memory;
    const GfxTextureGl** boundSlot;
};

// 1 + floor(log2(max(width, height))): the levels of a full chain.
int FullMipLevels(int width, int height);

} // namespace quib
