// Coverage blending into top-down or bottom-up 32-bit pixel rows.
#include "host/text/TextPainter.h"

#include <algorithm>

namespace quib {

TextPainter::TextPainter(const TextSurface& surface, const TextRect& clip, std::uint32_t colour)
    : surface(surface), clip(clip), colour(colour & 0xFFFFFF) {
    for (unsigned coverage = 0; coverage < overZero.size(); ++coverage) {
        overZero[coverage] = Mix(0, coverage);
    }
}

std::uint32_t* TextPainter::Row(int y) const {
    const int memoryRow = surface.rows == RowOrder::TopDown ? y : surface.height - 1 - y;
    return reinterpret_cast<std::uint32_t*>(static_cast<unsigned char*>(surface.pixels) +
                                            static_cast<std::ptrdiff_t>(memoryRow) * surface.pitch);
}

std::uint32_t TextPainter::Mix(std::uint32_t pixel, unsigned coverage) const {
    const unsigned rest = 255 - coverage;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const unsigned source = shift == 24 ? 255 : (colour >> shift) & 0xFF;
        const unsigned target = (pixel >> shift) & 0xFF;
        result |= ((source * coverage + target * rest + 127) / 255) << shift;
    }
    return result;
}

void TextPainter::Blend(std::uint32_t& pixel, unsigned coverage) const {
    if (pixel == 0) {
        pixel = overZero[coverage];
    } else if (coverage == 255) {
        pixel = 0xFF000000u | colour;
    } else if (coverage != 0) {
        pixel = Mix(pixel, coverage);
    }
}

void TextPainter::Blit(const GlyphCoverage& coverage, int x, int y) {
    const int left = std::max(x, clip.left);
    const int right = std::min(x + coverage.width, clip.right);
    const int top = std::max(y, clip.top);
    const int bottom = std::min(y + coverage.rows, clip.bottom);
    for (int row = top; row < bottom; ++row) {
        std::uint32_t* pixels = Row(row);
        const std::uint8_t* source =
            coverage.alpha.data() + static_cast<std::ptrdiff_t>(row - y) * coverage.width;
        for (int column = left; column < right; ++column) {
            Blend(pixels[column], source[column - x]);
        }
    }
}

void TextPainter::Fill(int left, int top, int right, int bottom) {
    left = std::max(left, clip.left);
    right = std::min(right, clip.right);
    top = std::max(top, clip.top);
    bottom = std::min(bottom, clip.bottom);
    for (int row = top; row < bottom; ++row) {
        std::uint32_t* pixels = Row(row);
        for (int column = left; column < right; ++column) {
            Blend(pixels[column], 255);
        }
    }
}

} // namespace quib
