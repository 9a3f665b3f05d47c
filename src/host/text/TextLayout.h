// Breaks a text into lines and places the shaped glyphs of each line (internal to host/text).
#pragma once

#include "host/text/FontFace.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// A glyph placed on its line: x from the line's start, y upwards from the baseline, both in
// 26.6 fixed-point pixels.
struct LaidGlyph {
    std::uint32_t glyph = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// A stretch of a line, in 26.6 pixels from the line's start.
struct LaidSpan {
    std::int32_t begin = 0;
    std::int32_t end = 0;
};

struct LaidLine {
    std::vector<LaidGlyph> glyphs;
    std::int32_t width = 0; // 26.6 pixels; spaces where a wrapped line breaks do not count
    std::vector<LaidSpan> prefixUnderlines; // characters marked by a '&' prefix
};

// Lines of text laid out with DrawText-style format flags: line breaks, DT_SINGLELINE,
// DT_WORDBREAK at wrapWidth, DT_EXPANDTABS and '&' prefixes unless DT_NOPREFIX. Alignment
// and clipping are the drawing's business.
class TextLayout {
public:
    TextLayout(FontFace& face, std::u32string_view text, std::int32_t wrapWidth,
               std::uint32_t format);

    const std::vector<LaidLine>& Lines() const { return lines; }
    // The widest line, in 26.6 pixels.
    std::int32_t Width() const { return width; }

private:
    void LayOutParagraph(std::u32string_view raw);
    std::int32_t NextTabStop(std::int32_t x) const;

    FontFace& face;
    std::int32_t wrapWidth;
    std::uint32_t format;
    std::int32_t tabWidth;
    std::vector<LaidLine> lines;
    std::int32_t width = 0;
    std::vector<ShapedGlyph> shaped; // scratch, reused across paragraphs
};

} // namespace quib
