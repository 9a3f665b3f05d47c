// An image from the texture store in the effect's rectangle, faded in and out with its group.
#pragma once

#include "effects/Effect.h"

#include <memory>

namespace quib {

// Also the base of ToggledImageEffect, which shows the same image under its own rules.
class ImageEffect : public Effect {
public:
    ImageEffect(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::Image); }
    ~ImageEffect() override;
    // The block's two floats after u and v are read and ignored: the image always spans one
    // texture extent from (u, v).
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    std::unique_ptr<GfxVertexBuffer> quad;
    const GfxTexture* texture = nullptr; // borrowed from the texture store
    float u = 0.0f;
    float v = 0.0f;
    float spanU = 1.0f;
    float spanV = 1.0f;

protected:
    // Writes the quad with `colour` and draws the texture through it; needs texture and quad.
    void DrawImage(uint32_t colour);
};

} // namespace quib
