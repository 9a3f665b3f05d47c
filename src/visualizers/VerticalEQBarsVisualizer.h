// Spectrum bars that rise at once, fall linearly and sweep across their rectangle on a curve.
#pragma once

#include "visualizers/Visualizer.h"

#include <memory>

namespace quib {

// One bar per band, coloured left, centre, right across its width. Each bar's centre follows
// (1 + sin 2πt · sin 4πt) / 2 of the width for a phase t that steps every kSampleInterval of
// the group's elapsed time; heights come from the song position. There is no gradual fade:
// during the group's fade-in and fade-out the bars are fully transparent.
class VerticalEQBarsVisualizer final : public Visualizer {
public:
    static constexpr int kVerticesPerBar = 12;

    VerticalEQBarsVisualizer(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    // A new buffer for bandCount bars, laid out for phase 0 at full height; levels to 0.
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::VerticalEQBars); }
    ~VerticalEQBarsVisualizer() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // One update: levels from the bands (dt clock units after the last), places for phase p.
    void UpdateBars(int32_t elapsed, int32_t remaining, int32_t dt);
    // Uploads the bars and draws them.
    void DrawBars();
    // Centre of bar i at phase p.
    float BarCentre(int32_t i, int32_t p) const;

    std::unique_ptr<GfxVertexBuffer> barBuffer;
    std::vector<ColouredVertex> barVertices;
    std::vector<float> levels;
    float decaySeconds = 1.0f;
    uint32_t colourLeft = 0xFFFF0000u;
    uint32_t colourCentre = 0xFFFFFFFFu;
    uint32_t colourRight = 0xFF7F7F00u;
    float barWidth = 0.04f;

private:
    void WriteBar(size_t i, float cx, float top, uint32_t left, uint32_t centre, uint32_t right);
};

} // namespace quib
