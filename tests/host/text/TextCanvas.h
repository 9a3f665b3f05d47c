// A pixel buffer for text tests, with readers for coverage and the extent of drawn ink.
#pragma once

#include "host/text/TextRenderer.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quib::test {

// Bounds of the pixels whose coverage is not zero, in top-down coordinates; empty when none.
struct InkBounds {
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0;
    bool empty = true;
};

class TextCanvas {
public:
    TextCanvas(int width, int height, RowOrder rows = RowOrder::BottomUp)
        : width(width), height(height), rows(rows),
          pixels(static_cast<std::size_t>(width) * height, 0) {}

    TextSurface Surface() { return {pixels.data(), width, height, width * 4, rows}; }

    // The pixel at (x, y), y counted from the top row.
    std::uint32_t At(int x, int y) const {
        const int row = rows == RowOrder::TopDown ? y : height - 1 - y;
        return pixels[static_cast<std::size_t>(row) * width + x];
    }
    // The blue channel, which carries the coverage of white text.
    int Coverage(int x, int y) const { return static_cast<int>(At(x, y) & 0xFF); }

    InkBounds Ink() const {
        InkBounds ink;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (At(x, y) == 0) {
                    continue;
                }
                if (ink.empty) {
                    ink = {x, y, x + 1, y + 1, false};
                }
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x + 1);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y + 1);
            }
        }
        return ink;
    }

    // Sum of the coverage of the rows [top, bottom).
    long CoverageInRows(int top, int bottom) const {
        long sum = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < width; ++x) {
                sum += Coverage(x, y);
            }
        }
        return sum;
    }

    const std::vector<std::uint32_t>& Pixels() const { return pixels; }

    const int width;
    const int height;

private:
    RowOrder rows;
    std::vector<std::uint32_t> pixels;
};

} // namespace quib::test
