// A row of equaliser bars that jump to their band's level and fall back linearly.
#pragma once

#include "visualizers/Visualizer.h"

#include <memory>

namespace quib {

// Bars stand side by side across the rectangle, each a barGap narrower than its pitch. A
// bar's foot has the bottom colour; its top blends towards the top colour as the level rises,
// reaching it when the level equals the rectangle's height. The fade scales both alphas, and
// only at updates.
class BouncingEQVisualizer final : public Visualizer {
public:
    static constexpr int kVerticesPerBar = 6;

    BouncingEQVisualizer(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    // A new buffer for bandCount bars with no height, all in the bottom colour; levels to 0.
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::BouncingEQ); }
    ~BouncingEQVisualizer() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // One update: levels from the bands, dt clock units after the last.
    void UpdateBars(int32_t elapsed, int32_t remaining, int32_t dt);
    // Uploads the bars and draws them.
    void DrawBars();

    std::unique_ptr<GfxVertexBuffer> barBuffer;
    std::vector<ColouredVertex> barVertices;
    std::vector<float> levels;
    float decaySeconds = 1.0f;
    uint32_t bottomColour = 0xFFFFFFFFu;
    uint32_t topColour = 0xFFFFFFFFu;
    float barGap = 0.0023419203f;

private:
    void WriteBar(size_t i, float top, uint32_t topArgb, uint32_t bottomArgb);
};

} // namespace quib
