// Measures and draws text into 32-bit pixel buffers, in the manner of DrawText on a memory bitmap.
#pragma once

#include "host/text/DrawTextFlags.h"
#include "host/text/FontDescription.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quib {

// A rectangle in pixels; right and bottom are exclusive. y grows downwards: top 0 is the
// buffer's top row whatever the buffer's row order in memory.
struct TextRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const TextRect&) const = default;
};

enum class RowOrder {
    BottomUp, // the first row in memory is the bottom row (a bottom-up bitmap)
    TopDown,  // the first row in memory is the top row
};

// A caller's buffer of 32-bit pixels: native-endian words 0xAARRGGBB (bytes blue, green, red,
// alpha on little-endian machines). pitch is the distance between rows in bytes.
struct TextSurface {
    void* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;
    RowOrder rows = RowOrder::BottomUp;
};

// Text is given as bytes: UTF-8 when they are valid UTF-8, else Windows-1252.
//
// Layout: lines break at "\r\n", "\n" and "\r" (unless DT_SINGLELINE, where each break counts
// as a space); the line height is the font's cell height; a trailing line break adds no line,
// and an empty text is one empty line. Text is shaped (kerning, ligatures) and drawn
// antialiased.
//
// Drawing composites the text over the buffer's pixels: on a zero-cleared buffer white text
// leaves its coverage (0..255) in blue, green, red and alpha alike, and coloured text leaves
// each colour channel scaled by the coverage and the coverage in alpha.
//
// Fonts and glyphs are cached per renderer. A renderer is used by one thread at a time;
// separate renderers may be used on separate threads.
class TextRenderer {
public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // False when the font machinery could not start; such a renderer measures and draws nothing.
    bool IsReady() const;

    // The family name that a description resolves to ("Liberation Sans" for "Arial"), or an
    // empty string when no font can be loaded at all.
    std::string ResolvedFamily(const FontDescription& font);

    // Whether the description's face name, or a metric-compatible stand-in for it, is
    // installed; when not, text is drawn in a fallback sans face.
    bool HasFace(const FontDescription& font);

    // Measures as DT_CALCRECT does: keeps rect's left and top and sets right and bottom so that
    // the rectangle bounds the text. The width is the widest line; with DT_WORDBREAK lines wrap
    // at rect's width. Returns false, leaving rect alone, when no font can be loaded.
    bool MeasureText(const FontDescription& font, std::string_view text, TextRect& rect,
                     std::uint32_t format);

    // Draws the text into rect of the surface in colour 0xRRGGBB (the top byte is ignored),
    // clipped to rect unless DT_NOCLIP and always to the surface. DT_CALCRECT is ignored here.
    // Returns false when nothing could be drawn for want of a font or of a usable surface.
    bool DrawText(const FontDescription& font, std::string_view text, const TextRect& rect,
                  std::uint32_t format, const TextSurface& surface,
                  std::uint32_t colour = 0xFFFFFF);

private:
    class Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace quib
