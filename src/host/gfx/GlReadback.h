// Reading a framebuffer's colour back as ARGB words, top row first.
#pragma once

#include <cstdint>
#include <vector>

namespace quib {

// Needs a current context; width x height pixels from the origin of `framebuffer`.
bool ReadFramebufferArgb(uint32_t framebuffer, int width, int height, std::vector<uint32_t>& argb);

} // namespace quib
