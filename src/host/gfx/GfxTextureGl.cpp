// GL texture objects: level 0 from ARGB words, chains by glGenerateMipmap when first drawn,
// memory copies.
#include "host/gfx/GfxTextureGl.h"

#include "host/gfx/GlApi.h"

#include <algorithm>

namespace quib {

int FullMipLevels(int width, int height) {
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size >>= 1) {
        ++levels;
    }
    return levels;
}

GfxTextureGl::GfxTextureGl(int width, int height, TextureUsage usage, bool lockable,
                           const uint32_t* pixels, const GfxTextureGl** boundSlot)
    : width(width), height(height),
      levels(usage == TextureUsage::AutoMipmap ? FullMipLevels(width, height) : 1), usage(usage),
      lockable(lockable), boundSlot(boundSlot) {
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (lockable) {
        memory.assign(count, 0);
        if (pixels != nullptr) {
            std::copy(pixels, pixels + count, memory.begin());
        }
    }
    if (usage == TextureUsage::Staging) {
        return;
    }
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    // Without this limit a one-level texture would count as incomplete under a mip filter and
    // sample as black.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
    const std::vector<uint32_t> zeros(pixels == nullptr ? count : 0, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 pixels != nullptr ? pixels : zeros.data());
    chainStale = levels > 1;
}

GfxTextureGl::~GfxTextureGl() {
    if (*boundSlot == this) {
        *boundSlot = nullptr;
    }
    if (name != 0) {
        glDeleteTextures(1, &name);
    }
}

TextureLock GfxTextureGl::Lock() {
    if (!lockable) {
        return {};
    }
    return {reinterpret_cast<uint8_t*>(memory.data()), width * 4};
}

void GfxTextureGl::Unlock() {
    if (lockable && name != 0) {
        Upload(memory.data());
    }
}

void GfxTextureGl::Upload(const uint32_t* pixels) {
    if (name == 0) {
        return;
    }
    if (lockable && pixels != memory.data()) {
        std::copy(pixels, pixels + memory.size(), memory.begin());
    }
    glBindTexture(GL_TEXTURE_2D, name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                    pixels);
    chainStale = levels > 1;
}

// On a software rasteriser each level of a chain is a draw that the next one waits for, so a
// texture that is never drawn should not pay for its chain: it is built at the first draw.
void GfxTextureGl::BindForDrawing() const {
    glBindTexture(GL_TEXTURE_2D, name);
    if (chainStale) {
        glGenerateMipmap(GL_TEXTURE_2D);
        chainStale = false;
    }
}

} // namespace quib
