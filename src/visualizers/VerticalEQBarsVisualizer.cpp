// Spectrum bars that rise at once, fall linearly and sweep across their rectangle on a curve.
#include "visualizers/VerticalEQBarsVisualizer.h"

#include <algorithm>
#include <cmath>

namespace quib {
namespace {

constexpr double kTwoPi = 6.283185307;
constexpr uint32_t kFirstBufferBytes = 6144;

} // namespace

VerticalEQBarsVisualizer::VerticalEQBarsVisualizer(GfxDevice* device, EffectHost* host)
    : Visualizer(device, host), barBuffer(device->CreateVertexBuffer(kFirstBufferBytes)) {
    bandCount = 64;
}

VerticalEQBarsVisualizer::~VerticalEQBarsVisualizer() = default;

void VerticalEQBarsVisualizer::Load(TextureStore& textures, DescriptionReader& reader,
                                    Archive& archive) {
    Visualizer::Load(textures, reader, archive);
    VerticalEQBarsVisualizerBlock block;
    ReadOwnFields(reader, block);
    decaySeconds = block.decaySeconds;
    colourLeft = block.colourLeft;
    colourCentre = block.colourCentre;
    colourRight = block.colourRight;
    barWidth = block.barWidth;
    Rebuild();
}

float VerticalEQBarsVisualizer::BarCentre(int32_t i, int32_t p) const {
    const auto t = static_cast<float>(((p + i) % 256) / 256.0);
    const double curve = std::sin(kTwoPi * t) * std::sin(2.0 * kTwoPi * t);
    return static_cast<float>(x + width * (1.0 + curve) / 2.0);
}

void VerticalEQBarsVisualizer::WriteBar(size_t i, float cx, float top, uint32_t left,
                                        uint32_t centre, uint32_t right) {
    const float b = barWidth / 2.0f;
    const float bottom = y - height;
    ColouredVertex* v = &barVertices[i * kVerticesPerBar];
    v[0] = {cx - b, top, 0.0f, left};
    v[1] = {cx, top, 0.0f, centre};
    v[2] = {cx - b, bottom, 0.0f, left};
    v[3] = {cx, top, 0.0f, centre};
    v[4] = {cx, bottom, 0.0f, centre};
    v[5] = {cx - b, bottom, 0.0f, left};
    v[6] = {cx, top, 0.0f, centre};
    v[7] = {cx + b, top, 0.0f, right};
    v[8] = {cx, bottom, 0.0f, centre};
    v[9] = {cx + b, top, 0.0f, right};
    v[10] = {cx + b, bottom, 0.0f, right};
    v[11] = {cx, bottom, 0.0f, centre};
}

void VerticalEQBarsVisualizer::Rebuild() {
    const size_t count =
        RemakeVertices(barBuffer, barVertices, BandSlots(bandCount), kVerticesPerBar);
    levels.assign(count, 0.0f);
    for (size_t i = 0; i < count; ++i) {
        WriteBar(i, BarCentre(static_cast<int32_t>(i), 0), y, colourLeft, colourCentre,
                 colourRight);
    }
    ResizeAnalysis();
}

void VerticalEQBarsVisualizer::ReleaseResources() {
    barBuffer.reset();
}

void VerticalEQBarsVisualizer::UpdateBars(int32_t elapsed, int32_t remaining, int32_t dt) {
    const int32_t p = (elapsed / kSampleInterval % 256 + 256) % 256;
    const bool hidden = elapsed < fadeIn || remaining < fadeOut;
    const float fall = static_cast<float>(dt) / (decaySeconds * 44100.0f);
    for (size_t i = 0; i < levels.size(); ++i) {
        const float band = i < bands.size() ? bands[i] : 0.0f;
        levels[i] = FollowBand(levels[i], band, fall);
        const float top = y - (1.0f - levels[i]) * height;
        if (hidden) {
            WriteBar(i, BarCentre(static_cast<int32_t>(i), p), top, 0, 0, 0);
        } else {
            WriteBar(i, BarCentre(static_cast<int32_t>(i), p), top, colourLeft, colourCentre,
                     colourRight);
        }
    }
}

void VerticalEQBarsVisualizer::DrawBars() {
    DrawTriangleList(barBuffer.get(), barVertices);
}

void VerticalEQBarsVisualizer::Draw(int32_t elapsed, int32_t remaining, int32_t position) {
    SampleSpectrum();
    int32_t dt = 0;
    if (TakeUpdate(position, dt)) {
        UpdateBars(elapsed, remaining, dt);
    }
    DrawBars();
}

} // namespace quib
