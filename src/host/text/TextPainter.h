// Composites glyph coverage and solid bars over a caller's 32-bit pixels (internal to host/text).
#pragma once

#include "host/text/FontFace.h"
#include "host/text/TextRenderer.h"

#include <array>
#include <cstdint>

namespace quib {

// Paints in one colour, clipped to a rectangle that lies inside the surface. Each pixel gets
// the colour over what it held, weighted by the coverage; alpha gets the coverage over its own.
class TextPainter {
public:
    TextPainter(const TextSurface& surface, const TextRect& clip, std::uint32_t colour);

    // Coverage whose top-left pixel lands at (x, y), y counted downwards from the top row.
    void Blit(const GlyphCoverage& coverage, int x, int y);
    // Full coverage over [left, right) x [top, bottom).
    void Fill(int left, int top, int right, int bottom);

private:
    std::uint32_t* Row(int y) const;
    std::uint32_t Mix(std::uint32_t pixel, unsigned coverage) const;
    void Blend(std::uint32_t& pixel, unsigned coverage) const;

    TextSurface surface;
    TextRect clip;
    std::uint32_t colour;
    // The pixel each coverage gives over a zero pixel, the usual case of a cleared buffer.
    std::array<std::uint32_t, 256> overZero{};
};

} // namespace quib
