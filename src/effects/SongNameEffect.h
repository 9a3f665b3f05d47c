// The current song's title in a vertical gradient, scrolling back and forth when too wide.
#pragma once

#include "effects/Effect.h"

#include <memory>
#include <string>

namespace quib {

// The title is rendered into a texture of its own: again when the current song changes and on
// every frame of the group's fade-in and fade-out, because the fade is part of the pixels.
// Sizes are window pixels: the font is the rectangle's height in window pixels, also in
// full-desktop mode, where the texture is stretched with the rest of the frame.
class SongNameEffect final : public Effect {
public:
    SongNameEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::SongName); }
    ~SongNameEffect() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // Makes textTexture from the current title, coloured and faded by the interval's times;
    // leaves none with no current song or a title wider than kMaxTitleWidth.
    void RenderTitle(int32_t elapsed, int32_t remaining);

    // The gradient and fade of one texel. coverage: the text's coverage (blue channel);
    // value: the channel's own value; bottom, top: the channel's bytes of the two colours; row:
    // 0 for the lowest row of rows. fade is 1 outside fades.
    static uint8_t GradientChannel(uint32_t value, uint32_t bottom, uint32_t top, int row,
                                   int rows);
    static uint8_t GradientAlpha(uint32_t coverage, uint32_t bottom, uint32_t top, int row,
                                 int rows, double fade);

    // Titles measured wider than this are not drawn.
    static constexpr int kMaxTitleWidth = 8192;

    int32_t renderedSong = -1;
    std::unique_ptr<GfxTexture> textTexture;
    int32_t textWidth = 0;
    std::unique_ptr<GfxVertexBuffer> quad;
    int32_t boxWidth;
    std::string fontFace = "Arial";
    uint8_t bold = 0;
    uint8_t italic = 0;
    uint8_t strikeOut = 0;
    uint8_t underline = 0;
    int32_t scrollSpeed = 367;
    uint32_t bottomColour = 0xFFFFFFFFu;
    uint32_t topColour = 0xFFFFFFFFu;
    // The song whose title was too wide to render; it is not tried again on every frame.
    int32_t tooWideSong = -1;
    // Whether boxWidth has been measured from the rectangle in window mode.
    bool boxMeasured = false;
};

} // namespace quib
