// An image shown and hidden by an event flag, with its own fade-in and fade-out.
#pragma once

#include "effects/Effect.h"

#include <memory>

namespace quib {

// States: hidden -> fading in (flag raised) -> on -> fading out (flag raised again once the
// fade-in is complete) -> hidden. Times are the position argument of Draw; the interval times
// are not used. The state survives the group becoming inactive.
class ToggledImageEffect final : public Effect {
public:
    ToggledImageEffect(GfxDevice* device, EffectGroup* group);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::ToggledImage); }
    ~ToggledImageEffect() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    std::unique_ptr<GfxVertexBuffer> quad;
    int32_t showStart = -1;
    int32_t hideStart = -1; // -1 while not fading out
    bool shown = false;
    const GfxTexture* texture = nullptr; // borrowed from the texture store
    float u = 0.0f;
    float v = 0.0f;
    float spanU = 1.0f;
    float spanV = 1.0f;
    int32_t eventFlag = -1; // -1: never shown
};

} // namespace quib
