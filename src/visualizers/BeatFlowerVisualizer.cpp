// Three translucent six-petalled flowers that turn, brighten with the spectrum and spin on beats.
#include "visualizers/BeatFlowerVisualizer.h"

#include <algorithm>
#include <cmath>

namespace quib {
namespace {

constexpr double kTwoPi = 6.283185307;
constexpr float kRadiansPerDegree = 0.017453292f;
constexpr uint32_t kLayerBytes = BeatFlowerVisualizer::kVerticesPerFlower * sizeof(ColouredVertex);
constexpr uint32_t kBuildColours[BeatFlowerVisualizer::kFlowers] = {0x3FFF0000u, 0x3F00FF00u,
                                                                    0x3F0000FFu};

// Petal 0 in the flower's unit space: its centre, 32 rim points (the outer half first) and the
// first rim point again, closing the fan.
std::array<ColouredVertex, BeatFlowerVisualizer::kVerticesPerPetal> FirstPetal() {
    constexpr double kCentre = 0.618034;
    std::array<ColouredVertex, BeatFlowerVisualizer::kVerticesPerPetal> petal{};
    petal[0] = {0.0f, static_cast<float>(kCentre), 0.0f, 0};
    for (int i = 0; i < 32; ++i) {
        const double a = i / 32.0 * kTwoPi;
        const double r = i < 16 ? 0.38196602 : 0.618034;
        petal[i + 1] = {static_cast<float>(std::cos(a) * 0.2864745 * 0.75),
                        static_cast<float>(kCentre + std::sin(a) * r * 0.75), 0.0f, 0};
    }
    petal[33] = petal[1];
    return petal;
}

// Turns an angle down into 0..360 the way repeated subtraction does; an angle too large for
// a subtraction to change is reduced at once.
float WrapAngle(float angle) {
    while (angle > 360.0f) {
        const float next = angle - 360.0f;
        if (next == angle) {
            return std::isfinite(angle) ? std::fmod(angle, 360.0f) : 0.0f;
        }
        angle = next;
    }
    return angle;
}

} // namespace

BeatFlowerVisualizer::BeatFlowerVisualizer(GfxDevice* device, EffectHost* host)
    : Visualizer(device, host) {
    beatBandCount = 6;
    bandCount = 18;
    normalise = true;
    for (auto& buffer : layerBuffers) {
        buffer = device->CreateVertexBuffer(kLayerBytes);
    }
}

BeatFlowerVisualizer::~BeatFlowerVisualizer() = default;

void BeatFlowerVisualizer::Load(TextureStore& textures, DescriptionReader& reader,
                                Archive& archive) {
    Visualizer::Load(textures, reader, archive);
    BeatFlowerVisualizerBlock block;
    ReadOwnFields(reader, block);
    layerColours = block.layerColours;
    normalSpeeds = block.normalSpeeds;
    beatSpeeds = block.beatSpeeds;
    alphaOffsets = block.alphaOffsets;
    alphaScales = block.alphaScales;
    Rebuild();
}

void BeatFlowerVisualizer::Rebuild() {
    const auto first = FirstPetal();
    flowerVertices.assign(kFlowers * kVerticesPerFlower, ColouredVertex{});
    for (int p = 0; p < kPetals; ++p) {
        const double theta = p * 60.0 * kRadiansPerDegree;
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        for (int k = 0; k < kVerticesPerPetal; ++k) {
            const ColouredVertex& v = first[k];
            const auto px = static_cast<float>(v.x * c - v.y * s);
            const auto py = static_cast<float>(v.x * s + v.y * c);
            for (int f = 0; f < kFlowers; ++f) {
                flowerVertices[f * kVerticesPerFlower + p * kVerticesPerPetal + k] = {
                    px, py, 0.0f, kBuildColours[f]};
            }
        }
    }
    aspectMatrix = Matrix4::Scaling(1.0f / host->Aspect(), 1.0f, 1.0f);
    const float size = std::min(width, height) * 0.5f;
    sizeMatrix = Matrix4::Scaling(size, size, 1.0f);
    centreMatrix = Matrix4::Translation(x + width * 0.5f, y - height * 0.5f, 0.0f);
    ResizeAnalysis();
}

void BeatFlowerVisualizer::ReleaseResources() {
    for (auto& buffer : layerBuffers) {
        buffer.reset();
    }
}

void BeatFlowerVisualizer::UpdateFlowers() {
    for (int f = 0; f < kFlowers; ++f) {
        for (int p = 0; p < kPetals; ++p) {
            const size_t band = static_cast<size_t>(kPetals * f + p);
            const float b = band < bands.size() ? bands[band] : 0.0f;
            const int32_t alpha = Truncate(b * alphaScales[f] + alphaOffsets[f]);
            const uint32_t argb =
                (static_cast<uint32_t>(alpha) & 0xFFu) << 24 | (layerColours[f] & 0xFFFFFFu);
            ColouredVertex* v = &flowerVertices[f * kVerticesPerFlower + p * kVerticesPerPetal];
            for (int k = 0; k < kVerticesPerPetal; ++k) {
                v[k].colour = argb;
            }
        }
        const size_t beat = static_cast<size_t>(2 * f);
        const bool onBeat = beat < beats.size() && beats[beat] != 0;
        angles[f] = WrapAngle(angles[f] + (onBeat ? beatSpeeds[f] : normalSpeeds[f]));
    }
}

Matrix4 BeatFlowerVisualizer::FlowerWorld(int f) const {
    const Matrix4 turn = Matrix4::RotationZ(-angles[f] * kRadiansPerDegree);
    return Matrix4::Multiply(Matrix4::Multiply(Matrix4::Multiply(turn, sizeMatrix), aspectMatrix),
                             centreMatrix);
}

void BeatFlowerVisualizer::DrawFlowers() {
    for (int f = 0; f < kFlowers; ++f) {
        GfxVertexBuffer* buffer = layerBuffers[f].get();
        if (buffer == nullptr) {
            continue;
        }
        Upload(*buffer, &flowerVertices[static_cast<size_t>(f) * kVerticesPerFlower],
               kVerticesPerFlower);
        device->SetTexture(nullptr);
        device->SetWorldTransform(FlowerWorld(f));
        for (int p = 0; p < kPetals; ++p) {
            device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleFan,
                         static_cast<uint32_t>(p * kVerticesPerPetal), 32);
        }
        device->SetWorldTransform(identityMatrix);
    }
}

void BeatFlowerVisualizer::Draw(int32_t, int32_t, int32_t position) {
    SampleSpectrum();
    int32_t dt = 0;
    if (TakeUpdate(position, dt)) {
        UpdateFlowers();
    }
    DrawFlowers();
}

} // namespace quib
