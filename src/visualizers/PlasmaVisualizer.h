// A grid of flat-coloured cells whose red, green and blue follow moving curves that jump on beats.
#pragma once

#include "visualizers/Visualizer.h"

#include <array>
#include <memory>

namespace quib {

// Six curve phases drift across the columns, one per beat band 0..5. A beat makes its phase
// race for a moment and drops the floor of its colour channel to 0, from where it climbs back.
// Only the beat detector is used, not the spectrum levels. A band the analysis lacks never
// beats.
class PlasmaVisualizer final : public Visualizer {
public:
    static constexpr int kVerticesPerCell = 6;
    static constexpr int kPhases = 6;

    PlasmaVisualizer(GfxDevice* device, EffectHost* host);

    void Draw(int32_t elapsed, int32_t remaining, int32_t position) override;
    // A new buffer for columns x rows cells, laid out with an opaque ramp of colours.
    void Rebuild() override;
    void ReleaseResources() override;
    int32_t GetType() const override { return static_cast<int32_t>(EffectType::Plasma); }
    ~PlasmaVisualizer() override;
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // One update, dt clock units after the last: phases, floors and timers move on, the
    // latches are taken and every cell is coloured.
    void UpdateCells(int32_t elapsed, int32_t remaining, int32_t dt);
    // Uploads the cells and draws them.
    void DrawCells();
    // Cells in the grid as last built (0 when columns or rows is not above 0, or when the grid
    // would not fit one vertex buffer).
    size_t CellCount() const;

    std::unique_ptr<GfxVertexBuffer> cellBuffer;
    std::vector<ColouredVertex> cellVertices; // rows from the top, left to right in a row
    std::array<float, kPhases> phases{};
    std::array<int32_t, kPhases> boostTimers{};
    std::array<int32_t, kPhases> floors{128, 128, 128, 128, 128, 128};
    std::array<uint8_t, kPhases> beatLatches{};
    int32_t columns = 32;
    int32_t rows = 32;

private:
    void ColourCell(size_t cell, uint32_t argb);
};

} // namespace quib
