// GL buffer object behind a vertex buffer; Unlock uploads the whole memory copy.
#include "host/gfx/GfxVertexBufferGl.h"

#include "host/gfx/GlApi.h"

namespace quib {

GfxVertexBufferGl::GfxVertexBufferGl(uint32_t bytes) : memory(bytes) {
    glGenBuffers(1, &name);
    glBindBuffer(GL_ARRAY_BUFFER, name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(memory.size()), memory.data(),
                 GL_DYNAMIC_DRAW);
}

GfxVertexBufferGl::~GfxVertexBufferGl() {
    glDeleteBuffers(1, &name);
}

void* GfxVertexBufferGl::Lock() {
    return memory.data();
}

void GfxVertexBufferGl::Unlock() {
    glBindBuffer(GL_ARRAY_BUFFER, name);
    // Orphaning first lets a draw still reading the old contents finish undisturbed.
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(memory.size()), memory.data(),
                 GL_DYNAMIC_DRAW);
}

uint32_t GfxVertexBufferGl::Size() const {
    return static_cast<uint32_t>(memory.size());
}

} // namespace quib
