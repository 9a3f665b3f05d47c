// The current song's title in a vertical gradient, scrolling back and forth when too wide.
#include "effects/SongNameEffect.h"

#include "description/DescriptionModel.h"
#include "effects/EffectHost.h"
#include "effects/TextTexture.h"
#include "host/text/TextRenderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quib {
namespace {

uint32_t ByteOf(uint32_t argb, int shift) {
    return argb >> shift & 0xFFu;
}

} // namespace

SongNameEffect::SongNameEffect(GfxDevice* device, EffectHost* host)
    : Effect(device, host), quad(device->CreateVertexBuffer(kQuadBytes)),
      boxWidth(static_cast<int32_t>(static_cast<float>(host->WindowHeight()) * host->Aspect())) {}

SongNameEffect::~SongNameEffect() = default;

uint8_t SongNameEffect::GradientChannel(uint32_t value, uint32_t bottom, uint32_t top, int row,
                                        int rows) {
    const double colour = bottom + (static_cast<double>(top) - bottom) * row / rows;
    return static_cast<uint8_t>(value * colour / 255.0);
}

uint8_t SongNameEffect::GradientAlpha(uint32_t coverage, uint32_t bottom, uint32_t top, int row,
                                      int rows, double fade) {
    const double alpha = bottom + (static_cast<double>(top) - bottom) * row / rows;
    return static_cast<uint8_t>(std::clamp(coverage * alpha / 255.0 * fade, 0.0, 255.0));
}

void SongNameEffect::RenderTitle(int32_t elapsed, int32_t remaining) {
    const int32_t song = host->CurrentSong();
    textTexture.reset();
    if (song == -1) {
        return;
    }
    const int32_t pixelHeight =
        TruncatePixels(std::floor(height * 0.5f * static_cast<float>(host->WindowHeight())));
    const FontDescription font =
        TextFont(fontFace, pixelHeight, bold, italic, strikeOut, underline);
    const std::string title = host->CurrentSongTitle();
    TextRenderer& text = host->Text();
    TextRect measured{0, 0, 1, 1};
    if (!text.MeasureText(font, title, measured, DT_CALCRECT | DT_CENTER | DT_NOPREFIX)) {
        return;
    }
    if (measured.Width() > kMaxTitleWidth) {
        tooWideSong = song;
        return;
    }
    const int w = std::max(measured.Width(), boxWidth);
    const int h = measured.Height();
    if (w <= 0 || h <= 0) {
        return;
    }
    // Made first: a size the device cannot hold allocates no pixels either.
    std::unique_ptr<GfxTexture> texture = device->CreateTexture(w, h, TextureUsage::AutoMipmap);
    if (!texture) {
        return;
    }
    textWidth = w;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * h, 0u);
    const TextSurface surface{pixels.data(), w, h, w * 4, RowOrder::BottomUp};
    text.DrawText(font, title, TextRect{0, 0, w, h}, DT_CENTER | DT_NOPREFIX, surface, 0xFFFFFF);

    double fade = 1.0;
    if (elapsed < fadeIn) {
        fade = static_cast<double>(elapsed) / fadeIn;
    } else if (remaining < fadeOut) {
        fade = static_cast<double>(remaining) / fadeOut;
    }
    for (int row = 0; row < h; ++row) {
        uint32_t* line = pixels.data() + static_cast<size_t>(row) * w;
        for (int column = 0; column < w; ++column) {
            const uint32_t p = line[column];
            uint32_t out = 0;
            for (const int shift : {0, 8, 16}) {
                out |= uint32_t{GradientChannel(ByteOf(p, shift), ByteOf(bottomColour, shift),
                                                ByteOf(topColour, shift), row, h)}
                       << shift;
            }
            out |= uint32_t{GradientAlpha(ByteOf(p, 0), ByteOf(bottomColour, 24),
                                          ByteOf(topColour, 24), row, h, fade)}
                   << 24;
            line[column] = out;
        }
    }
    if (UploadPixels(*device, pixels.data(), *texture)) {
        textTexture = std::move(texture);
    }
    renderedSong = song;
}

void SongNameEffect::Draw(int32_t elapsed, int32_t remaining, int32_t position) {
    const int32_t song = host->CurrentSong();
    if (song != tooWideSong && (song != renderedSong || elapsed < fadeIn || remaining < fadeOut)) {
        RenderTitle(elapsed, remaining);
    }
    if (!textTexture || !quad || song == tooWideSong) {
        return;
    }
    device->SetSamplerFilters(TextureFilter::Linear, TextureFilter::Linear, TextureFilter::Linear);
    float u0 = 0.0f;
    float span = 1.0f;
    if (textWidth > boxWidth) {
        span = static_cast<float>(boxWidth) / static_cast<float>(textWidth);
        // A speed of 0 or below has no period: the title then rests at its left end.
        const int64_t g = int64_t{textWidth - boxWidth} * scrollSpeed;
        if (g > 0) {
            int64_t s = position % (2 * g);
            if (s < 0) {
                s += 2 * g;
            }
            if (s >= g) {
                s = 2 * g - s;
            }
            u0 = static_cast<float>(s) / static_cast<float>(g) * (1.0f - span);
        }
    }
    // v runs from 0 at the top to -1 at the bottom: with repeat addressing the bottom-first rows
    // show upright.
    WriteQuad(*quad, 0u, u0, 0.0f, span, -1.0f);
    DrawQuad(*quad, *textTexture, AlphaSource::Texture);
    // Back to the filters every other draw expects.
    device->SetSamplerFilters(TextureFilter::Anisotropic, TextureFilter::Anisotropic,
                              TextureFilter::Anisotropic);
}

void SongNameEffect::Rebuild() {
    // In full-desktop mode the box keeps its window width, as the font keeps its window height;
    // until a window width has been measured (a disk that starts on the full desktop) it is
    // measured from the rectangle, not left at the whole screen's width.
    if (host->Windowed() || !boxMeasured) {
        boxWidth = TruncatePixels(static_cast<float>(host->WindowHeight()) * host->Aspect() *
                                  width * 0.5f);
        boxMeasured = host->Windowed();
    }
    // The next draw renders the title for the new size, with that frame's fade, so that a
    // rebuild in the middle of a page (a display-mode switch) does not leave it invisible
    // until the song changes. Rendering it here as well would be thrown away unseen, and
    // at creation, before the rectangle is loaded, it is a title the height of the window.
    tooWideSong = -1;
    textTexture.reset();
    renderedSong = -1;
}

void SongNameEffect::ReleaseResources() {
    textTexture.reset();
    quad.reset();
}

void SongNameEffect::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    SongNameEffectBlock block;
    ReadOwnFields(reader, block);
    fontFace = block.fontFace;
    bold = block.bold;
    italic = block.italic;
    strikeOut = block.strikeOut;
    underline = block.underline;
    scrollSpeed = block.scrollSpeed;
    bottomColour = block.bottomColour;
    topColour = block.topColour;
    Rebuild();
}

} // namespace quib
