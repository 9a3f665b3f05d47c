// An image shown and hidden by an event flag, with its own fade-in and fade-out.
#pragma once

#include "effects/ImageEffect.h"

namespace quib {

// States: hidden -> fading in (flag raised) -> on -> fading out (flag raised again once the
// fade-in is complete) -> hidden. Times are the position argument of Draw; the interval times
// are not used. The state survives the group becoming inactive.
class ToggledImageEffect final : public ImageEffect {
public:
    ToggledImageEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::ToggledImage); }
    ~ToggledImageEffect() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    int32_t showStart = -1;
    int32_t hideStart = -1; // -1 while not fading out
    bool shown = false;
    int32_t eventFlag = -1; // -1: never shown
};

} // namespace quib
