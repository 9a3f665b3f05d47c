// A block of text that scrolls upwards through its box when an event flag is raised.
#include "effects/VerticalScrollerEffect.h"

#include "description/DescriptionModel.h"
#include "effects/EffectHost.h"
#include "effects/TextTexture.h"
#include "host/text/TextRenderer.h"

#include <algorithm>
#include <climits>

namespace quib {

VerticalScrollerEffect::VerticalScrollerEffect(GfxDevice* device, EffectHost* host)
    : Effect(device, host), quad(device->CreateVertexBuffer(kQuadBytes)),
      boxWidth(static_cast<int32_t>(host->Aspect() * static_cast<float>(host->WindowHeight()))),
      boxHeight(host->WindowHeight()) {}

VerticalScrollerEffect::~VerticalScrollerEffect() = default;

int32_t VerticalScrollerEffect::WindowRow(int64_t sinceStart) const {
    const double top = static_cast<double>(textHeight) + boxHeight;
    if (timePerPixel <= 0.0) {
        return static_cast<int32_t>(top);
    }
    const double t = top - static_cast<double>(sinceStart - fadeIn) / timePerPixel;
    return static_cast<int32_t>(std::clamp(t, 0.0, top));
}

void VerticalScrollerEffect::WriteBoxQuad(uint32_t colour) {
    WriteQuad(*quad, colour, 0.0f, 1.0f, 1.0f, -1.0f);
}

void VerticalScrollerEffect::Draw(int32_t, int32_t, int32_t p) {
    if (!scrollActive) {
        if (eventFlag != -1 && host->ConsumeEventFlag(eventFlag)) {
            scrollActive = true;
            startTime = p;
            endTime = -1;
            // Every scroll starts as the first one does, not at the alpha the last fade-out
            // left in the quad.
            if (quad) {
                WriteBoxQuad(0xFFFFFFFFu);
            }
        }
        return;
    }
    // The position runs backwards when another song starts under a scroller on a song page.
    // A fade-out then counts as over; a scroll goes on from the bottom with its fade-in
    // complete, rather than staying invisible, and deaf to its flag, until the position has
    // caught up.
    if (endTime != -1 && p < endTime) {
        scrollActive = false;
        startTime = -1;
        return;
    }
    if (p < startTime) {
        startTime = static_cast<int32_t>(std::max<int64_t>(INT32_MIN, int64_t{p} - fadeIn));
    }
    if (text.empty() || !textTexture || !stagingTexture || !quad || textPixels.empty()) {
        return;
    }
    const int64_t d = int64_t{p} - startTime;
    const int64_t top = int64_t{textHeight} + boxHeight;
    if (d >= fadeIn && endTime == -1 && timePerPixel > 0.0 &&
        static_cast<double>(d - fadeIn) / timePerPixel >= static_cast<double>(top)) {
        endTime = p; // the text has left the box
    }
    const int32_t row = WindowRow(d);
    CopyRows(*stagingTexture, textPixels.data() + static_cast<size_t>(row) * boxWidth, boxWidth,
             boxHeight, true);
    device->UpdateTexture(*stagingTexture, *textTexture);

    double alpha = 255.0;
    bool fading = false;
    if (d < fadeIn) {
        alpha = 255.0 * static_cast<double>(d) / fadeIn;
        fading = true;
    } else if (endTime != -1 && int64_t{p} - endTime < fadeOut) {
        const auto e = static_cast<double>(int64_t{p} - endTime);
        alpha = 255.0 - static_cast<int32_t>(255.0 * e / fadeOut);
        fading = true;
    } else if (endTime != -1) {
        scrollActive = false; // the fade-out is over; this frame still draws
        startTime = -1;
    }
    if (fading) {
        WriteBoxQuad(AlphaOverWhite(alpha));
    }
    if (endTime == -1 && d >= fadeIn && host->ConsumeEventFlag(eventFlag)) {
        endTime = p;
    }
    DrawQuad(*quad, *textTexture, AlphaSource::Vertex);
}

void VerticalScrollerEffect::Rebuild() {
    const auto windowHeight = static_cast<float>(host->WindowHeight());
    const int32_t measuredWidth = TruncatePixels(host->Aspect() * windowHeight * width * 0.5f);
    const int32_t measuredHeight = TruncatePixels(height * 0.5f * windowHeight);
    if (host->Windowed()) {
        boxWidth = windowBoxWidth = measuredWidth;
        boxHeight = windowBoxHeight = measuredHeight;
        fontPixels = fontHeight;
        timePerPixel = scrollSpeed;
    } else {
        // Window pixels scaled by the desktop's height over the window's.
        const float k = static_cast<float>(host->DesktopHeight()) / windowHeight;
        boxWidth = TruncatePixels(
            static_cast<float>(windowBoxWidth == -1 ? measuredWidth : windowBoxWidth) * k);
        boxHeight = TruncatePixels(
            static_cast<float>(windowBoxHeight == -1 ? measuredHeight : windowBoxHeight) * k);
        fontPixels = TruncatePixels(static_cast<float>(fontHeight) * k);
        timePerPixel = scrollSpeed / static_cast<double>(k);
    }
    if (quad) {
        WriteBoxQuad(0xFFFFFFFFu);
    }
    if (text.empty()) {
        return;
    }
    textTexture.reset();
    stagingTexture.reset();
    textPixels.clear();
    if (boxWidth <= 0 || boxHeight <= 0) {
        return;
    }
    textTexture = device->CreateTexture(boxWidth, boxHeight, TextureUsage::AutoMipmap);
    stagingTexture = device->CreateTexture(boxWidth, boxHeight, TextureUsage::Staging);
    if (!textTexture || !stagingTexture) {
        return; // a box the device cannot hold: no pixels are rendered either
    }

    const FontDescription font = TextFont(fontFace, fontPixels, bold, italic, strikeOut, underline);
    TextRenderer& renderer = host->Text();
    TextRect measured{fontPixels, 0, boxWidth - fontPixels, 1};
    if (!renderer.MeasureText(font, text, measured, textFormat | DT_CALCRECT | DT_NOPREFIX)) {
        return;
    }
    textHeight = std::max(measured.bottom, 0);
    const int rows = textHeight + 2 * boxHeight;
    textPixels.assign(static_cast<size_t>(boxWidth) * rows, 0u);
    const TextSurface surface{textPixels.data(), boxWidth, rows, boxWidth * 4, RowOrder::BottomUp};
    renderer.DrawText(
        font, text, TextRect{fontPixels, boxHeight, boxWidth - fontPixels, boxHeight + textHeight},
        textFormat | DT_NOPREFIX, surface, textColour & 0xFFFFFFu);
}

void VerticalScrollerEffect::ReleaseResources() {
    quad.reset();
    textTexture.reset();
    stagingTexture.reset();
}

void VerticalScrollerEffect::Load(TextureStore& textures, DescriptionReader& reader,
                                  Archive& archive) {
    Effect::Load(textures, reader, archive);
    VerticalScrollerEffectBlock block;
    ReadOwnFields(reader, block);
    text = block.text;
    fontFace = block.fontFace;
    fontHeight = block.fontHeight;
    fontPixels = block.fontHeight;
    bold = block.bold;
    italic = block.italic;
    strikeOut = block.strikeOut;
    underline = block.underline;
    textColour = block.textColour;
    textFormat = block.textFormat;
    scrollSpeed = block.scrollSpeed;
    timePerPixel = block.scrollSpeed;
    eventFlag = block.eventFlag;
    Rebuild();
}

} // namespace quib
