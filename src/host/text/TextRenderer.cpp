// DrawText-style measuring and drawing over fontconfig, FreeType and HarfBuzz.
//
// Sections: the renderer's state and face cache; measuring; drawing.
#include "host/text/TextRenderer.h"

#include "host/text/FontFace.h"
#include "host/text/FontResolver.h"
#include "host/text/TextLayout.h"
#include "host/text/TextPainter.h"
#include "platform/TextDecoding.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <tuple>

namespace quib {

namespace {

// Fonts open at once per renderer; beyond it the cache starts afresh.
constexpr std::size_t kMaxOpenFaces = 32;
// The face used when the one a name resolves to cannot be loaded.
const std::string kFallbackFace = "sans-serif";

bool WantsBold(const FontDescription& font) {
    return font.weight >= 600;
}

// Pixels to 26.6, kept inside the range of the layout's 32-bit positions.
std::int32_t ToFixed(std::int64_t pixels) {
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max() / 64;
    return static_cast<std::int32_t>(std::clamp(pixels, -kLimit, kLimit) * 64);
}

int CeilPixels(std::int64_t fixed) {
    return static_cast<int>((fixed + 63) >> 6);
}

} // namespace

// --- The renderer's state and face cache ---

class TextRenderer::Impl {
public:
    Impl() {
        if (FT_Init_FreeType(&library) != 0) {
            library = nullptr;
        }
    }
    ~Impl() {
        faces.clear();
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool IsReady() const { return library != nullptr && resolver.IsReady(); }

    // The face to draw a description with, and the family it came from; null when neither the
    // resolved font nor the fallback can be loaded.
    FontFace* FaceFor(const FontDescription& font, std::string* family = nullptr) {
        if (!IsReady()) {
            return nullptr;
        }
        for (const std::string* name : {&font.face, &kFallbackFace}) {
            const std::optional<ResolvedFont> resolved =
                resolver.Resolve(*name, WantsBold(font), font.italic);
            if (!resolved) {
                continue;
            }
            FontFace* face = Open(*resolved, font);
            if (face != nullptr) {
                if (family != nullptr) {
                    *family = resolved->family;
                }
                return face;
            }
        }
        return nullptr;
    }

    bool HasFace(const FontDescription& font) {
        const std::optional<ResolvedFont> resolved =
            resolver.Resolve(font.face, WantsBold(font), font.italic);
        return resolved && resolved->nameFound;
    }

private:
    using FaceKey = std::tuple<std::string, int, int, bool, bool>;

    FontFace* Open(const ResolvedFont& resolved, const FontDescription& font) {
        const FaceKey key{resolved.file, resolved.index, font.pixelHeight, WantsBold(font),
                          font.italic};
        if (const auto open = faces.find(key); open != faces.end()) {
            return open->second.get();
        }
        std::unique_ptr<FontFace> face = FontFace::Open(
            library, resolved.file, resolved.index, font.pixelHeight, WantsBold(font), font.italic);
        if (!face) {
            return nullptr;
        }
        if (faces.size() >= kMaxOpenFaces) {
            faces.clear();
        }
        return faces.emplace(key, std::move(face)).first->second.get();
    }

    FT_Library library = nullptr;
    FontResolver resolver;
    std::map<FaceKey, std::unique_ptr<FontFace>> faces;
};

TextRenderer::TextRenderer() : impl(std::make_unique<Impl>()) {}

TextRenderer::~TextRenderer() = default;

bool TextRenderer::IsReady() const {
    return impl->IsReady();
}

std::string TextRenderer::ResolvedFamily(const FontDescription& font) {
    std::string family;
    impl->FaceFor(font, &family);
    return family;
}

bool TextRenderer::HasFace(const FontDescription& font) {
    return impl->IsReady() && impl->HasFace(font);
}

// --- Measuring ---

bool TextRenderer::MeasureText(const FontDescription& font, std::string_view text, TextRect& rect,
                               std::uint32_t format) {
    FontFace* face = impl->FaceFor(font);
    if (face == nullptr) {
        return false;
    }
    const TextLayout layout(*face, DecodeText(text), ToFixed(std::int64_t{rect.right} - rect.left),
                            format);
    rect.right = rect.left + CeilPixels(layout.Width());
    rect.bottom = rect.top + static_cast<int>(layout.Lines().size()) * face->Metrics().cellHeight;
    return true;
}

// --- Drawing ---

bool TextRenderer::DrawText(const FontDescription& font, std::string_view text,
                            const TextRect& rect, std::uint32_t format, const TextSurface& surface,
                            std::uint32_t colour) {
    if (surface.pixels == nullptr || surface.width <= 0 || surface.height <= 0 ||
        std::int64_t{surface.pitch} < std::int64_t{surface.width} * 4) {
        return false;
    }
    FontFace* face = impl->FaceFor(font);
    if (face == nullptr) {
        return false;
    }
    const FaceMetrics& metrics = face->Metrics();
    const std::int64_t rectWidth = std::int64_t{rect.right} - rect.left;
    const TextLayout layout(*face, DecodeText(text), ToFixed(rectWidth), format);

    TextRect clip{0, 0, surface.width, surface.height};
    if ((format & DT_NOCLIP) == 0) {
        clip = {std::max(clip.left, rect.left), std::max(clip.top, rect.top),
                std::min(clip.right, rect.right), std::min(clip.bottom, rect.bottom)};
    }
    if (clip.left >= clip.right || clip.top >= clip.bottom) {
        return true;
    }
    TextPainter painter(surface, clip, colour);

    std::int64_t top = rect.top;
    if ((format & DT_SINGLELINE) != 0) {
        if ((format & DT_VCENTER) != 0) {
            top += (std::int64_t{rect.bottom} - rect.top - metrics.cellHeight) / 2;
        } else if ((format & DT_BOTTOM) != 0) {
            top = std::int64_t{rect.bottom} - metrics.cellHeight;
        }
    }
    const int cell = metrics.cellHeight;
    for (const LaidLine& line : layout.Lines()) {
        const std::int64_t lineTop = top;
        top += cell;
        // Glyphs may reach a little outside their cell; a cell's height either side is ample.
        if (lineTop - cell >= clip.bottom) {
            break;
        }
        if (lineTop + 2 * cell <= clip.top) {
            continue;
        }
        const int baseline = static_cast<int>(lineTop) + metrics.ascent;
        std::int64_t origin = std::int64_t{rect.left} * 64;
        if ((format & DT_CENTER) != 0) {
            origin += (rectWidth * 64 - line.width) / 2;
        } else if ((format & DT_RIGHT) != 0) {
            origin += rectWidth * 64 - line.width;
        }

        for (const LaidGlyph& glyph : line.glyphs) {
            const std::int64_t x = origin + glyph.x;
            std::int64_t pixel = x >> 6;
            int phase = static_cast<int>(((x & 63) * FontFace::kPhases + 32) / 64);
            if (phase == FontFace::kPhases) {
                ++pixel;
                phase = 0;
            }
            const GlyphCoverage& coverage = face->Coverage(glyph.glyph, phase);
            const int y = baseline - static_cast<int>((glyph.y + 32) >> 6) - coverage.top;
            if (pixel + coverage.left + coverage.width > clip.left && pixel < clip.right) {
                painter.Blit(coverage, static_cast<int>(pixel) + coverage.left, y);
            }
        }

        const auto bar = [&](std::int64_t begin, std::int64_t end, int barTop, int thickness) {
            const std::int64_t left = std::max<std::int64_t>((origin + begin) >> 6, clip.left);
            const std::int64_t right = std::min<std::int64_t>((origin + end + 63) >> 6, clip.right);
            painter.Fill(static_cast<int>(left), barTop, static_cast<int>(right),
                         barTop + thickness);
        };
        const int underlineTop = baseline + metrics.underlineOffset;
        if (font.underline) {
            bar(0, line.width, underlineTop, metrics.underlineThickness);
        }
        if (font.strikeOut) {
            bar(0, line.width, baseline - metrics.strikeOutOffset, metrics.strikeOutThickness);
        }
        for (const LaidSpan& span : line.prefixUnderlines) {
            bar(span.begin, span.end, underlineTop, metrics.underlineThickness);
        }
    }
    return true;
}

} // namespace quib
