// The knob of a horizontal slider that sends its position in percent while it is dragged.
#pragma once

#include "effects/Effect.h"

#include <memory>

namespace quib {

// Only the knob is drawn (the track is an image effect of its own), opaque and without fade.
// The knob's place is computed anew every frame: from the drag, from the master volume for
// the SetVolume command, and flush right otherwise.
class SliderBarEffect final : public Effect {
public:
    SliderBarEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override {}
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::SliderBar); }
    ~SliderBarEffect() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // height x 0.5 x knobAspectWidth / knobAspectHeight.
    float KnobWidth() const;

    std::unique_ptr<GfxVertexBuffer> quad;
    const GfxTexture* texture = nullptr; // borrowed from the texture store
    int32_t knobAspectWidth = 1;
    int32_t knobAspectHeight = 1;
    int32_t command = 0;
    float knobSpanU = 1.0f;
    float knobSpanV = 1.0f;
};

} // namespace quib
