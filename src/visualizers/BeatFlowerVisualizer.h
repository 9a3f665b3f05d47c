// Three translucent six-petalled flowers that turn, brighten with the spectrum and spin on beats.
#pragma once

#include "visualizers/Visualizer.h"

#include <array>
#include <memory>

namespace quib {

// Petal p of flower f follows band 6f + p; flower f spins faster on a beat of beat band 2f.
// The flowers are built once in a unit space and placed by the world transform (turn, size,
// aspect correction, centre), so they keep their proportions on any display. They do not fade
// with their group. Bands or beat bands the analysis lacks read 0 and never beat.
class BeatFlowerVisualizer final : public Visualizer {
public:
    static constexpr int kFlowers = 3;
    static constexpr int kPetals = 6;
    static constexpr int kVerticesPerPetal = 34;
    static constexpr int kVerticesPerFlower = kPetals * kVerticesPerPetal;

    BeatFlowerVisualizer(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    // The petals and the placing matrices for the current rectangle and display aspect.
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::BeatFlower); }
    ~BeatFlowerVisualizer() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // One update: petal colours from the bands, each flower turned on.
    void UpdateFlowers();
    // Uploads and draws the three flowers through their world transforms.
    void DrawFlowers();
    // Flower f's world transform: turn, then size, aspect and centre (row vectors).
    Matrix4 FlowerWorld(int f) const;

    std::array<std::unique_ptr<GfxVertexBuffer>, kFlowers> layerBuffers;
    std::vector<ColouredVertex> flowerVertices; // flower 0 first
    Matrix4 identityMatrix = Matrix4::Identity();
    Matrix4 aspectMatrix = Matrix4::Identity();
    Matrix4 sizeMatrix = Matrix4::Identity();
    Matrix4 centreMatrix = Matrix4::Identity();
    std::array<float, kFlowers> angles{};
    std::array<uint32_t, kFlowers> layerColours{0xFF3F3Fu, 0x3FFF3Fu, 0x3F3FFFu};
    std::array<float, kFlowers> normalSpeeds{1.0f, 1.1f, 1.2f};
    std::array<float, kFlowers> beatSpeeds{4.0f, 4.4f, 4.8f};
    std::array<float, kFlowers> alphaOffsets{};
    std::array<float, kFlowers> alphaScales{255.0f, 255.0f, 255.0f};
};

} // namespace quib
