// A block of text that scrolls upwards through its box when an event flag is raised.
#pragma once

#include "effects/Effect.h"

#include <memory>
#include <string>
#include <vector>

namespace quib {

// States: waiting -> fading in (flag raised) -> scrolling -> fading out (the text has left the
// box, or the flag was raised again once the fade-in was complete) -> waiting. Times are the
// position argument of Draw. The text is rendered once per Rebuild into textPixels, with a box
// height of empty rows below and above it; each frame uploads the visible window.
class VerticalScrollerEffect final : public Effect {
public:
    VerticalScrollerEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::VerticalScroller); }
    ~VerticalScrollerEffect() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // The first row of textPixels that the box shows `sinceStart` clock units after the flag:
    // textHeight + boxHeight (the empty rows above the text) until the fade-in is over, then
    // one row less every timePerPixel units, down to 0 (the text has left at the top). With a
    // time per pixel of 0 or below the text stands at its start.
    int32_t WindowRow(int64_t sinceStart) const;

    std::unique_ptr<GfxTexture> textTexture;
    std::unique_ptr<GfxTexture> stagingTexture;
    std::unique_ptr<GfxVertexBuffer> quad;
    int32_t boxWidth;
    int32_t boxHeight;
    int32_t textHeight = 0;
    int32_t startTime = -1;
    int32_t endTime = -1; // -1 until the fade-out begins
    bool scrollActive = false;
    // boxWidth x (textHeight + 2 boxHeight) pixels, the bottom row first.
    std::vector<uint32_t> textPixels;
    int32_t fontPixels = 24;
    double timePerPixel = 735.0;
    std::string text;
    std::string fontFace = "Arial";
    int32_t fontHeight = 24;
    uint8_t bold = 0;
    uint8_t italic = 0;
    uint8_t strikeOut = 0;
    uint8_t underline = 0;
    uint32_t textColour = 0x00FFFFFFu;
    uint32_t textFormat = 1;
    int32_t scrollSpeed = 735;
    int32_t eventFlag = -1;

    // The box in window pixels, from the last Rebuild in window mode; the full-desktop box is
    // this one scaled, however often it is rebuilt. -1 before the first window-mode Rebuild.
    int32_t windowBoxWidth = -1;
    int32_t windowBoxHeight = -1;

private:
    // The rectangle's corners with the window's rows upright (bottom row first).
    void WriteBoxQuad(uint32_t colour);
};

} // namespace quib
