// One font file at one cell height: its metrics, shaping, and cached glyph coverage (internal).
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H
#include <cstdint>
#include <hb.h>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quib {

// Glyph positions from shaping, in 26.6 fixed-point pixels; cluster indexes the shaped text.
struct ShapedGlyph {
    std::uint32_t glyph = 0;
    std::uint32_t cluster = 0;
    std::int32_t advance = 0;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0; // upwards
};

// Antialiased coverage of one glyph: left and top place the bitmap relative to the pen
// position on the baseline (top counts rows above the baseline).
struct GlyphCoverage {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> alpha;
};

// Whole-pixel metrics of the face at its cell height.
struct FaceMetrics {
    int cellHeight = 0;                // ascent + descent, the line height
    int ascent = 0;                    // rows above the baseline
    int underlineOffset = 0;           // rows from the baseline down to the underline's first row
    int underlineThickness = 1;        //
    int strikeOutOffset = 0;           // rows from the baseline up to the strike-out's first row
    int strikeOutThickness = 1;        //
    std::int32_t averageCharWidth = 0; // 26.6 pixels
};

class FontFace {
public:
    // Glyphs are positioned to a quarter of a pixel.
    static constexpr int kPhases = 4;

    // Opens a face at a cell height (a negative height gives the em height, 0 a default) for
    // a style; bold and italic that the face's own style lacks are synthesised. Null when the
    // file cannot be read or is not a scalable font.
    static std::unique_ptr<FontFace> Open(FT_Library library, const std::string& file, int index,
                                          int pixelHeight, bool bold, bool italic);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const FaceMetrics& Metrics() const { return metrics; }

    // Shapes text[start, start + length) with the rest of text as context, appending the glyphs
    // in visual order.
    void Shape(std::u32string_view text, std::size_t start, std::size_t length,
               std::vector<ShapedGlyph>& out);

    // Coverage of a glyph whose origin lies phase quarters of a pixel right of a pixel edge.
    const GlyphCoverage& Coverage(std::uint32_t glyph, int phase);

private:
    FontFace(FT_Face face, hb_font_t* font, hb_buffer_t* buffer, bool embolden, bool slant,
             const FaceMetrics& metrics);

    FT_Face face;
    hb_font_t* font;
    hb_buffer_t* buffer;
    bool embolden;
    bool slant;
    FT_Pos emboldenStrength = 0;
    FaceMetrics metrics;
    std::unordered_map<std::uint64_t, GlyphCoverage> glyphs;
};

} // namespace quib
