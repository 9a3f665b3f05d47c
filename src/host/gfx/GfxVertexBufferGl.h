// A vertex buffer as a GL buffer object with a memory copy that Lock hands out.
#pragma once

#include "host/gfx/GfxVertexBuffer.h"

#include <vector>

namespace quib {

class GfxVertexBufferGl final : public GfxVertexBuffer {
public:
    // Needs a current context; `bytes` of zeros.
    explicit GfxVertexBufferGl(uint32_t bytes);
    ~GfxVertexBufferGl() override;
    GfxVertexBufferGl(const GfxVertexBufferGl&) = delete;
    GfxVertexBufferGl& operator=(const GfxVertexBufferGl&) = delete;

    void* Lock() override;
    void Unlock() override;
    uint32_t Size() const override;

    uint32_t Name() const { return name; }

private:
    uint32_t name = 0;
    std::vector<unsigned char> memory;
};

} // namespace quib
