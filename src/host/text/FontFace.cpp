// A FreeType face sized to a cell height, shaped through HarfBuzz, with synthetic bold and slant.
#include "host/text/FontFace.h"

#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <algorithm>
#include <cmath>
#include <hb-ft.h>

namespace quib {

namespace {

constexpr int kDefaultCellHeight = 16;
constexpr int kMaxCellHeight = 2048;
// A glyph cache never holds more than this many bitmaps; beyond it, it starts afresh.
constexpr std::size_t kMaxCachedGlyphs = 4096;
// The slant of a synthesised italic, about 12 degrees.
constexpr FT_Matrix kSlant = {0x10000, 0x0366A, 0, 0x10000};

struct CellUnits {
    long ascent = 0;
    long descent = 0;
};

// The ascent and descent that make up the cell, in font units: the Windows metrics of the OS/2
// table when present, as the Windows font mapper uses them, else the horizontal header's.
CellUnits CellOf(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        return {os2->usWinAscent, os2->usWinDescent};
    }
    if (face->ascender - face->descender > 0) {
        return {face->ascender, -face->descender};
    }
    return {face->units_per_EM * 4L / 5, face->units_per_EM / 5L};
}

// Sets the face's size for a requested height and works out the whole-pixel metrics.
FaceMetrics SizeFace(FT_Face face, int pixelHeight) {
    const CellUnits units = CellOf(face);
    const double cellUnits = static_cast<double>(units.ascent + units.descent);
    const double upem = face->units_per_EM;
    FaceMetrics metrics;
    double ppem = 0;
    if (pixelHeight < 0) {
        ppem = std::min(-static_cast<double>(pixelHeight), double{kMaxCellHeight});
        metrics.cellHeight = std::max(1, static_cast<int>(std::lround(ppem * cellUnits / upem)));
    } else {
        metrics.cellHeight =
            pixelHeight == 0 ? kDefaultCellHeight : std::min(pixelHeight, kMaxCellHeight);
        ppem = metrics.cellHeight * upem / cellUnits;
    }
    FT_Set_Char_Size(face, 0, std::max(1L, std::lround(ppem * 64)), 72, 72);

    const double scale = ppem / upem;
    metrics.ascent = static_cast<int>(std::lround(metrics.cellHeight * units.ascent / cellUnits));
    const int descent = metrics.cellHeight - metrics.ascent;

    if (face->underline_thickness > 0) {
        const double thickness = face->underline_thickness * scale;
        metrics.underlineThickness = std::max(1, static_cast<int>(std::lround(thickness)));
        metrics.underlineOffset = static_cast<int>(
            std::lround(-face->underline_position * scale - metrics.underlineThickness / 2.0));
    } else {
        metrics.underlineThickness = std::max(1, metrics.cellHeight / 20);
        metrics.underlineOffset = descent / 2;
    }
    // Keep the underline inside the cell, so that it is drawn wherever the line is.
    metrics.underlineOffset =
        std::max(0, std::min(metrics.underlineOffset, descent - metrics.underlineThickness));

    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const bool hasOs2 = os2 != nullptr && os2->version != 0xFFFF;
    double strikeCentre = 0.25 * ppem;
    metrics.strikeOutThickness = metrics.underlineThickness;
    if (hasOs2 && os2->yStrikeoutSize > 0) {
        strikeCentre = os2->yStrikeoutPosition * scale;
        metrics.strikeOutThickness =
            std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale)));
    }
    metrics.strikeOutOffset =
        static_cast<int>(std::lround(strikeCentre + metrics.strikeOutThickness / 2.0));

    const double average = hasOs2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth * scale : ppem / 2;
    metrics.averageCharWidth = static_cast<std::int32_t>(std::lround(average * 64));
    return metrics;
}

} // namespace

std::unique_ptr<FontFace> FontFace::Open(FT_Library library, const std::string& file, int index,
                                         int pixelHeight, bool bold, bool italic) {
    FT_Face face = nullptr;
    if (library == nullptr || FT_New_Face(library, file.c_str(), index, &face) != 0) {
        return nullptr;
    }
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    // The file's own style, as its tables state it; what the configuration says of a match may
    // already include its own plans for synthesis.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const bool ownBold = os2 != nullptr && os2->version != 0xFFFF
                             ? os2->usWeightClass >= 600
                             : (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    const bool ownItalic = (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    const bool embolden = bold && !ownBold;
    const bool slant = italic && !ownItalic;
    const FaceMetrics metrics = SizeFace(face, pixelHeight);
    hb_font_t* font = hb_ft_font_create_referenced(face);
    hb_buffer_t* buffer = hb_buffer_create();
    if (!hb_buffer_allocation_successful(buffer)) {
        hb_buffer_destroy(buffer);
        hb_font_destroy(font);
        FT_Done_Face(face);
        return nullptr;
    }
    return std::unique_ptr<FontFace>(new FontFace(face, font, buffer, embolden, slant, metrics));
}

FontFace::FontFace(FT_Face face, hb_font_t* font, hb_buffer_t* buffer, bool embolden, bool slant,
                   const FaceMetrics& metrics)
    : face(face), font(font), buffer(buffer), embolden(embolden), slant(slant), metrics(metrics) {
    // The strength FreeType's own emboldening uses: a 24th of the em.
    emboldenStrength = FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24;
}

FontFace::~FontFace() {
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
    FT_Done_Face(face);
}

void FontFace::Shape(std::u32string_view text, std::size_t start, std::size_t length,
                     std::vector<ShapedGlyph>& out) {
    hb_buffer_clear_contents(buffer);
    hb_buffer_add_utf32(buffer, reinterpret_cast<const std::uint32_t*>(text.data()),
                        static_cast<int>(text.size()), static_cast<unsigned>(start),
                        static_cast<int>(length));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    for (unsigned i = 0; i < count; ++i) {
        std::int32_t advance = positions[i].x_advance;
        if (embolden && advance > 0) {
            advance += static_cast<std::int32_t>(emboldenStrength);
        }
        out.push_back({infos[i].codepoint, infos[i].cluster, advance, positions[i].x_offset,
                       positions[i].y_offset});
    }
}

const GlyphCoverage& FontFace::Coverage(std::uint32_t glyph, int phase) {
    const std::uint64_t key = std::uint64_t{glyph} * kPhases + static_cast<unsigned>(phase);
    if (const auto cached = glyphs.find(key); cached != glyphs.end()) {
        return cached->second;
    }
    if (glyphs.size() >= kMaxCachedGlyphs) {
        glyphs.clear();
    }
    GlyphCoverage coverage;
    // Light hinting keeps horizontal positions as shaped, so quarter-pixel placement holds.
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) == 0 &&
        face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline* outline = &face->glyph->outline;
        if (embolden) {
            FT_Outline_EmboldenXY(outline, emboldenStrength, emboldenStrength);
        }
        if (slant) {
            FT_Outline_Transform(outline, &kSlant);
        }
        FT_Outline_Translate(outline, phase * 64 / kPhases, 0);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0 &&
            bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            coverage.left = face->glyph->bitmap_left;
            coverage.top = face->glyph->bitmap_top;
            coverage.width = static_cast<int>(bitmap.width);
            coverage.rows = static_cast<int>(bitmap.rows);
            coverage.alpha.resize(static_cast<std::size_t>(coverage.width) * coverage.rows);
            for (int row = 0; row < coverage.rows; ++row) {
                const unsigned char* source =
                    bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
                std::copy_n(source, coverage.width,
                            coverage.alpha.begin() +
                                static_cast<std::ptrdiff_t>(row) * coverage.width);
            }
        }
    }
    return glyphs.emplace(key, std::move(coverage)).first->second;
}

} // namespace quib
