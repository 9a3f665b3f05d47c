// A row of equaliser bars that jump to their band's level and fall back linearly.
#include "visualizers/BouncingEQVisualizer.h"

#include <algorithm>
#include <cmath>

namespace quib {
namespace {

constexpr uint32_t kFirstBufferBytes = 576;

// Channel `shift` of the two colours mixed: top + (bottom - top) * f, rounded half up.
uint32_t Blend(uint32_t top, uint32_t bottom, float f, int shift) {
    const double t = (top >> shift) & 0xFF;
    const double b = (bottom >> shift) & 0xFF;
    return static_cast<uint32_t>(Visualizer::Truncate(std::floor(t + (b - t) * f + 0.5))) & 0xFF;
}

} // namespace

BouncingEQVisualizer::BouncingEQVisualizer(GfxDevice* device, EffectHost* host)
    : Visualizer(device, host), barBuffer(device->CreateVertexBuffer(kFirstBufferBytes)) {
    bandCount = 6;
}

BouncingEQVisualizer::~BouncingEQVisualizer() = default;

void BouncingEQVisualizer::Load(TextureStore& textures, DescriptionReader& reader,
                                Archive& archive) {
    Visualizer::Load(textures, reader, archive);
    BouncingEQVisualizerBlock block;
    ReadOwnFields(reader, block);
    decaySeconds = block.decaySeconds;
    bottomColour = block.bottomColour;
    topColour = block.topColour;
    barGap = block.barGap;
    Rebuild();
}

void BouncingEQVisualizer::WriteBar(size_t i, float top, uint32_t topArgb, uint32_t bottomArgb) {
    const float pitch = width / static_cast<float>(levels.size());
    const float left = x + pitch * static_cast<float>(i);
    const float right = x + pitch * static_cast<float>(i + 1) - barGap;
    const float bottom = y - height;
    ColouredVertex* v = &barVertices[i * kVerticesPerBar];
    v[0] = {left, top, 0.0f, topArgb};
    v[1] = {right, top, 0.0f, topArgb};
    v[2] = {left, bottom, 0.0f, bottomArgb};
    v[3] = {right, top, 0.0f, topArgb};
    v[4] = {right, bottom, 0.0f, bottomArgb};
    v[5] = {left, bottom, 0.0f, bottomArgb};
}

void BouncingEQVisualizer::Rebuild() {
    const size_t count =
        RemakeVertices(barBuffer, barVertices, BandSlots(bandCount), kVerticesPerBar);
    levels.assign(count, 0.0f);
    for (size_t i = 0; i < count; ++i) {
        WriteBar(i, y - height, bottomColour, bottomColour);
    }
    ResizeAnalysis();
}

void BouncingEQVisualizer::ReleaseResources() {
    barBuffer.reset();
}

void BouncingEQVisualizer::UpdateBars(int32_t elapsed, int32_t remaining, int32_t dt) {
    int32_t bottomAlpha = static_cast<int32_t>(bottomColour >> 24);
    int32_t topAlpha = static_cast<int32_t>(topColour >> 24);
    if (elapsed < fadeIn) {
        const double ratio = static_cast<double>(elapsed) / fadeIn;
        bottomAlpha = Truncate(bottomAlpha * ratio);
        topAlpha = Truncate(topAlpha * ratio);
    } else if (remaining < fadeOut) {
        const double ratio = static_cast<double>(remaining) / fadeOut;
        bottomAlpha = Truncate(bottomAlpha * ratio);
        topAlpha = Truncate(topAlpha * ratio);
    }
    const uint32_t bottom =
        (static_cast<uint32_t>(bottomAlpha) & 0xFFu) << 24 | (bottomColour & 0xFFFFFFu);
    const uint32_t topFaded =
        (static_cast<uint32_t>(topAlpha) & 0xFFu) << 24 | (topColour & 0xFFFFFFu);

    const float fall = static_cast<float>(dt) / (decaySeconds * 44100.0f);
    for (size_t i = 0; i < levels.size(); ++i) {
        const float band = i < bands.size() ? bands[i] : 0.0f;
        levels[i] = FollowBand(levels[i], band, fall);
        const float top = y - (1.0f - levels[i]) * height;
        const float f = std::max(1.0f - levels[i] / height, 0.0f);
        const uint32_t topArgb = Blend(topFaded, bottom, f, 24) << 24 |
                                 Blend(topFaded, bottom, f, 16) << 16 |
                                 Blend(topFaded, bottom, f, 8) << 8 | Blend(topFaded, bottom, f, 0);
        WriteBar(i, top, topArgb, bottom);
    }
}

void BouncingEQVisualizer::DrawBars() {
    DrawTriangleList(barBuffer.get(), barVertices);
}

void BouncingEQVisualizer::Draw(int32_t elapsed, int32_t remaining, int32_t position) {
    SampleSpectrum();
    int32_t dt = 0;
    if (TakeUpdate(position, dt)) {
        UpdateBars(elapsed, remaining, dt);
    }
    DrawBars();
}

} // namespace quib
