// glReadPixels into ARGB words, turned from GL's bottom-up rows to top-down.
#include "host/gfx/GlReadback.h"

#include "host/gfx/GlApi.h"

#include <algorithm>

namespace quib {

bool ReadFramebufferArgb(uint32_t framebuffer, int width, int height, std::vector<uint32_t>& argb) {
    if (width <= 0 || height <= 0) {
        return false;
    }
    const size_t rowLength = static_cast<size_t>(width);
    argb.resize(rowLength * static_cast<size_t>(height));
    while (glGetError() != GL_NO_ERROR) {
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    if (glGetError() != GL_NO_ERROR) {
        return false;
    }
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(argb.begin() + top * rowLength, argb.begin() + (top + 1) * rowLength,
                         argb.begin() + bottom * rowLength);
    }
    return true;
}

} // namespace quib
