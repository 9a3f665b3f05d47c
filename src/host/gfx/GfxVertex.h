// The two vertex layouts the device draws: textured (24 bytes) and coloured (16 bytes).
#pragma once

#include <cstdint>

namespace quib {

// Positions are normalised device coordinates (x -1 left .. 1 right, y -1 bottom .. 1 top),
// z is 0. Colours are ARGB words: alpha in the top byte, blue in the lowest.
struct TexturedVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};

struct ColouredVertex {
    float x, y, z;
    uint32_t colour;
};

static_assert(sizeof(TexturedVertex) == 24);
static_assert(sizeof(ColouredVertex) == 16);

} // namespace quib
