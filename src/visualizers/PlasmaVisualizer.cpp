// A grid of flat-coloured cells whose red, green and blue follow moving curves that jump on beats.
#include "visualizers/PlasmaVisualizer.h"

#include <algorithm>
#include <cmath>

namespace quib {
namespace {

constexpr double kTwoPi = 6.283185307;
constexpr int32_t kFullFloor = 128;

// Truncation toward zero, then the remainder of a division by p with the dividend's sign.
int64_t Wrap(double v, int64_t p) {
    if (!std::isfinite(v)) {
        return 0;
    }
    return static_cast<int64_t>(std::fmod(std::trunc(v), static_cast<double>(p)));
}

// One curve: the row (truncated) where a colour channel is at full strength in column j.
int32_t CurveRow(double sinTurns, float sinPhase, double cosTurns, float cosPhase, int32_t j,
                 int32_t columns, int32_t rows) {
    const int64_t p = 4 * static_cast<int64_t>(columns);
    const double along = static_cast<double>(Wrap(static_cast<double>(sinPhase) + j, p));
    const double back = static_cast<double>(Wrap(static_cast<double>(p) - cosPhase + j, p));
    const auto s = static_cast<float>(std::sin(sinTurns * kTwoPi * along / p));
    const auto c = static_cast<float>(std::cos(cosTurns * kTwoPi * back / p));
    return static_cast<int32_t>((static_cast<double>(s * c) + 1.0) * 0.5 * rows);
}

// A channel at its floor half the grid's height from the curve, full on the curve's row.
uint32_t Channel(int32_t floor, double half, int32_t curve, int32_t r) {
    const double distance = std::abs(half - std::abs(curve - r));
    const double value = (255 - floor) / half * distance + floor;
    return static_cast<uint32_t>(static_cast<int64_t>(value)) & 0xFFu;
}

} // namespace

PlasmaVisualizer::PlasmaVisualizer(GfxDevice* device, EffectHost* host)
    : Visualizer(device, host),
      cellBuffer(device->CreateVertexBuffer(32 * 32 * kVerticesPerCell * sizeof(ColouredVertex))) {
    beatBandCount = kPhases;
}

PlasmaVisualizer::~PlasmaVisualizer() = default;

void PlasmaVisualizer::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Visualizer::Load(textures, reader, archive);
    PlasmaVisualizerBlock block;
    ReadOwnFields(reader, block);
    columns = block.columns;
    rows = block.rows;
    Rebuild();
}

size_t PlasmaVisualizer::CellCount() const {
    return cellVertices.size() / kVerticesPerCell;
}

void PlasmaVisualizer::ColourCell(size_t cell, uint32_t argb) {
    ColouredVertex* v = &cellVertices[cell * kVerticesPerCell];
    for (int k = 0; k < kVerticesPerCell; ++k) {
        v[k].colour = argb;
    }
}

void PlasmaVisualizer::Rebuild() {
    const uint64_t grid =
        columns > 0 && rows > 0 ? static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows) : 0;
    const size_t cells = RemakeVertices(cellBuffer, cellVertices, grid, kVerticesPerCell);
    if (cells > 0) {
        const float cellWidth = width / static_cast<float>(columns);
        const float cellHeight = height / static_cast<float>(rows);
        const uint32_t step = 0xFFFFFFu / static_cast<uint32_t>(cells);
        uint32_t ramp = 0xFF000000u;
        for (size_t n = 0; n < cells; ++n) {
            const auto r = static_cast<float>(n / static_cast<size_t>(columns));
            const auto j = static_cast<float>(n % static_cast<size_t>(columns));
            const float left = x + cellWidth * j;
            const float right = x + cellWidth * (j + 1.0f);
            const float top = y - cellHeight * r;
            const float bottom = y - cellHeight * (r + 1.0f);
            ramp += step * static_cast<uint32_t>(n);
            ColouredVertex* v = &cellVertices[n * kVerticesPerCell];
            v[0] = {left, top, 0.0f, ramp};
            v[1] = {right, top, 0.0f, ramp};
            v[2] = {left, bottom, 0.0f, ramp};
            v[3] = {right, top, 0.0f, ramp};
            v[4] = {right, bottom, 0.0f, ramp};
            v[5] = {left, bottom, 0.0f, ramp};
        }
    }
    ResizeAnalysis();
}

void PlasmaVisualizer::ReleaseResources() {
    cellBuffer.reset();
}

void PlasmaVisualizer::UpdateCells(int32_t elapsed, int32_t remaining, int32_t dt) {
    int32_t brightness = 255;
    if (elapsed < fadeIn) {
        brightness = Truncate(static_cast<double>(elapsed) / fadeIn * 255.0);
    } else if (remaining < fadeOut) {
        brightness = Truncate(static_cast<double>(remaining) / fadeOut * 255.0);
    }

    const int32_t climb = dt / 60;
    for (int k = 0; k < kPhases; ++k) {
        if (beatLatches[k] != 0) {
            boostTimers[k] = 70560 / columns;
            floors[k] = 0;
        } else {
            boostTimers[k] = std::max(boostTimers[k] - dt, 0);
            floors[k] = std::min(floors[k] + climb, kFullFloor);
        }
        // A grid wider than 94080 columns has a period of 0: its phases stand still.
        const int32_t period = 94080 / columns - boostTimers[k];
        if (period != 0) {
            phases[k] += static_cast<float>(dt) / static_cast<float>(period);
        }
        beatLatches[k] = 0;
    }

    const double half = rows * 0.5;
    const uint32_t alpha = (static_cast<uint32_t>(brightness) & 0xFFu) << 24;
    for (int32_t j = 0; j < columns; ++j) {
        const int32_t yA = CurveRow(1.0, phases[2], 2.0, phases[5], j, columns, rows);
        const int32_t yB = CurveRow(4.0, phases[1], 1.0, phases[4], j, columns, rows);
        const int32_t yC = CurveRow(1.0, phases[0], 4.0, phases[3], j, columns, rows);
        for (int32_t r = 0; r < rows; ++r) {
            const uint32_t blue = Channel(floors[2], half, yA, r);
            const uint32_t green = Channel(floors[1], half, yB, r);
            const uint32_t red = Channel(floors[0], half, yC, r);
            ColourCell(static_cast<size_t>(r) * static_cast<size_t>(columns) +
                           static_cast<size_t>(j),
                       alpha | red << 16 | green << 8 | blue);
        }
    }
}

void PlasmaVisualizer::DrawCells() {
    DrawTriangleList(cellBuffer.get(), cellVertices);
}

void PlasmaVisualizer::Draw(int32_t elapsed, int32_t remaining, int32_t position) {
    SampleSpectrum();
    const size_t watched = std::min<size_t>(kPhases, beats.size());
    for (size_t k = 0; k < watched; ++k) {
        if (beats[k] != 0) {
            beatLatches[k] = 1;
        }
    }
    int32_t dt = 0;
    if (TakeUpdate(position, dt) && CellCount() > 0) {
        UpdateCells(elapsed, remaining, dt);
    }
    DrawCells();
}

} // namespace quib
