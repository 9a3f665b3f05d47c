// The four visualizers' updates through the fake host and the recording device: geometry,
// levels and their fall, colours and fades, the plasma's phases and floors, the flowers' turns.
#include "EffectTestSupport.h"
#include "visualizers/BeatFlowerVisualizer.h"
#include "visualizers/BouncingEQVisualizer.h"
#include "visualizers/PlasmaVisualizer.h"
#include "visualizers/VerticalEQBarsVisualizer.h"

#include <cmath>
#include <cstring>
#include <tuple>

namespace quib::test {
namespace {

using VisualizerDrawing = EffectTest;

// ---- VerticalEQBarsVisualizer ------------------------------------------------------------

TEST_F(VisualizerDrawing, VerticalBarsRiseAtOnceAndFallOverDecaySeconds) {
    VerticalEQBarsVisualizerBlock block;
    block.x = -0.5f;
    block.y = 0.5f;
    block.width = 1.0f;
    block.height = 1.0f;
    block.bandCount = 1;
    block.linearBands = 1;
    auto& bars = Load<VerticalEQBarsVisualizer>(block);
    host.spectrum.fill(1.0f);
    host.position = 1000;
    auto draws = DrawFrame(bars, 0, 100000, 1000);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].primitive, Primitive::TriangleList);
    EXPECT_EQ(draws[0].texture, nullptr);
    ASSERT_EQ(draws[0].coloured.size(), 12u);
    const auto& v = draws[0].coloured;
    // Phase 0, bar 0: t = 0, so the centre is the middle of the rectangle.
    EXPECT_FLOAT_EQ(v[1].x, 0.0f);
    EXPECT_FLOAT_EQ(v[0].x, -0.02f);
    EXPECT_FLOAT_EQ(v[7].x, 0.02f);
    EXPECT_EQ(v[0].y, 0.5f) << "a level of 1 reaches the top";
    EXPECT_EQ(v[2].y, -0.5f);
    EXPECT_EQ(v[0].colour, 0xFFFF0000u);
    EXPECT_EQ(v[1].colour, 0xFFFFFFFFu);
    EXPECT_EQ(v[7].colour, 0xFF7F7F00u);

    host.spectrum.fill(0.0f);
    host.position = 1000 + 22050; // half of decaySeconds later
    draws = DrawFrame(bars, 22050, 100000, host.position);
    EXPECT_FLOAT_EQ(bars.levels[0], 0.5f);
    EXPECT_FLOAT_EQ(draws[0].coloured[0].y, 0.0f);
    host.position += 22050;
    DrawFrame(bars, 44100, 100000, host.position);
    EXPECT_EQ(bars.levels[0], 0.0f);
}

TEST_F(VisualizerDrawing, VerticalBarsHideDuringFadesAndFreezeWhenPaused) {
    VerticalEQBarsVisualizerBlock block;
    block.fadeIn = 10000;
    block.fadeOut = 10000;
    auto& bars = Load<VerticalEQBarsVisualizer>(block);
    host.spectrum.fill(0.5f);
    host.position = 1000;
    for (const auto& [elapsed, remaining, visible] :
         {std::tuple{9999, 50000, false}, std::tuple{10000, 10000, true},
          std::tuple{50000, 9999, false}}) {
        host.position += 1000;
        const auto& draws = DrawFrame(bars, elapsed, remaining, host.position);
        for (const ColouredVertex& v : draws[0].coloured) {
            ASSERT_EQ(v.colour != 0, visible) << elapsed << " " << remaining;
        }
    }
    // Paused: neither heights nor places move, however the elapsed time runs on.
    host.channelState = ChannelState::Paused;
    const std::vector<ColouredVertex> before = bars.barVertices;
    host.spectrum.fill(1.0f);
    DrawFrame(bars, 80000, 50000, host.position + 5000);
    EXPECT_EQ(std::memcmp(before.data(), bars.barVertices.data(), before.size() * 16), 0);
}

TEST_F(VisualizerDrawing, VerticalBarsStayWithinHalfABarOfTheRectangle) {
    VerticalEQBarsVisualizerBlock block;
    block.x = -0.8f;
    block.width = 1.6f;
    auto& bars = Load<VerticalEQBarsVisualizer>(block);
    for (int32_t p = 0; p < 256; ++p) {
        const float cx = bars.BarCentre(0, p);
        ASSERT_GE(cx, -0.8f + 1.6f * 0.1f) << p; // the curve stays within about +-0.77
        ASSERT_LE(cx, 0.8f - 1.6f * 0.1f) << p;
    }
    EXPECT_FLOAT_EQ(bars.BarCentre(3, 5), bars.BarCentre(0, 8)) << "neighbours are one step apart";
}

// ---- BouncingEQVisualizer ----------------------------------------------------------------

TEST_F(VisualizerDrawing, BouncingBarsSpanTheirPitchAndBlendTheirTops) {
    struct Case {
        float height;
        uint32_t top; // the top vertices' colour at level 0.5
    };
    for (const Case c : {Case{0.5f, 0xFFFF0000u}, Case{1.0f, 0xFF800080u}}) {
        BouncingEQVisualizerBlock block;
        block.x = -0.6f;
        block.y = 0.5f;
        block.width = 1.2f;
        block.height = c.height;
        block.bottomColour = 0xFF0000FFu;
        block.topColour = 0xFFFF0000u;
        auto& bars = Load<BouncingEQVisualizer>(block);
        host.spectrum.fill(0.5f);
        host.position = 1000;
        const auto& draws = DrawFrame(bars, 0, 100000, 1000);
        ASSERT_EQ(draws[0].coloured.size(), 36u);
        const auto& v = draws[0].coloured;
        EXPECT_FLOAT_EQ(v[0].x, -0.6f);
        EXPECT_FLOAT_EQ(v[1].x, -0.6f + 0.2f - 0.0023419203f);
        EXPECT_FLOAT_EQ(v[0].y, 0.5f - 0.5f * c.height);
        EXPECT_EQ(v[0].colour, c.top) << c.height;
        EXPECT_EQ(v[2].colour, 0xFF0000FFu);
    }
}

TEST_F(VisualizerDrawing, BouncingBarsFadeOnlyAtUpdates) {
    BouncingEQVisualizerBlock block;
    block.fadeIn = 1000;
    block.topColour = 0x80FFFFFFu;
    auto& bars = Load<BouncingEQVisualizer>(block);
    auto draws = DrawFrame(bars, 500, 100000, 1000);
    EXPECT_EQ(AlphaOf(draws[0].coloured[2].colour), 127u) << "255 x 0.5, truncated";
    EXPECT_EQ(AlphaOf(draws[0].coloured[0].colour), 127u) << "level 0: the top is the bottom";
    host.channelState = ChannelState::Paused;
    draws = DrawFrame(bars, 900, 100000, 3000);
    EXPECT_EQ(AlphaOf(draws[0].coloured[2].colour), 127u);
}

// ---- PlasmaVisualizer --------------------------------------------------------------------

TEST_F(VisualizerDrawing, PlasmaPhasesFloorsAndCurves) {
    auto& plasma = Load<PlasmaVisualizer>(PlasmaVisualizerBlock{});
    auto draws = DrawFrame(plasma, 0, 100000, 736);
    ASSERT_EQ(draws[0].coloured.size(), 32u * 32u * 6u);
    for (const float phase : plasma.phases) {
        EXPECT_FLOAT_EQ(phase, 736.0f / 2940.0f);
    }
    // Every curve starts at sin 0 = 0: full strength on row 16, the floor (128) on row 0.
    const auto cell = [&](int r, int j) { return draws[0].coloured[(r * 32 + j) * 6].colour; };
    EXPECT_EQ(cell(16, 0), 0xFFFFFFFFu);
    EXPECT_EQ(cell(0, 0), 0xFF808080u);

    // A beat in band 0 (bin 0) drops red's floor to 0 and races phase 0 at dt / 735.
    host.spectrum[0] = 1.0f;
    host.position = 736 + 736;
    draws = DrawFrame(plasma, 736, 100000, host.position);
    EXPECT_EQ(plasma.floors[0], 0);
    EXPECT_EQ(plasma.boostTimers[0], 2205);
    EXPECT_FLOAT_EQ(plasma.phases[0], 736.0f / 2940.0f + 736.0f / 735.0f);
    EXPECT_EQ(plasma.floors[1], 128);
    EXPECT_EQ(cell(0, 0) >> 16 & 0xFF, 0u) << "red at its new floor, half the grid away";
    host.spectrum[0] = 0.0f;
    host.position += 735 + 1;
    DrawFrame(plasma, 2208, 100000, host.position);
    EXPECT_EQ(plasma.floors[0], 12) << "736 / 60, truncated";
    EXPECT_EQ(plasma.boostTimers[0], 2205 - 736);
}

TEST_F(VisualizerDrawing, PlasmaFadesAtUpdatesAndLatchesBeatsBetweenThem) {
    PlasmaVisualizerBlock block;
    block.fadeIn = 2000;
    auto& plasma = Load<PlasmaVisualizer>(block);
    auto draws = DrawFrame(plasma, 1000, 100000, 736);
    EXPECT_EQ(AlphaOf(draws[0].coloured[0].colour), 127u);
    host.spectrum[0] = 1.0f;
    host.position = 1000; // a beat between updates
    DrawFrame(plasma, 1264, 100000, 1000);
    EXPECT_EQ(plasma.beatLatches[0], 1);
    EXPECT_EQ(plasma.floors[0], 128);
    host.spectrum[0] = 0.0f;
    host.position = 1472;
    DrawFrame(plasma, 1736, 100000, 1472);
    EXPECT_EQ(plasma.floors[0], 0) << "the latched beat is taken at the next update";
}

TEST_F(VisualizerDrawing, PlasmaAndFlowersWithTooFewBandsNeverBeat) {
    PlasmaVisualizerBlock plasmaBlock;
    plasmaBlock.beatBandCount = 2;
    auto& plasma = Load<PlasmaVisualizer>(plasmaBlock);
    BeatFlowerVisualizerBlock flowerBlock;
    flowerBlock.bandCount = 4;
    flowerBlock.beatBandCount = 1;
    auto& flower = Load<BeatFlowerVisualizer>(flowerBlock);
    host.spectrum.fill(1.0f);
    for (int32_t position = 736; position < 20000; position += 736) {
        host.position = position;
        DrawFrame(plasma, position, 100000, position);
        DrawFrame(flower, position, 100000, position);
    }
    EXPECT_EQ(plasma.floors[2], 128);
    EXPECT_EQ(plasma.floors[5], 128);
    EXPECT_FLOAT_EQ(flower.angles[1], 1.1f * 27);
    const auto& petals = flower.flowerVertices;
    EXPECT_EQ(AlphaOf(petals[3 * 34].colour), 255u) << "band 3 is there";
    EXPECT_EQ(AlphaOf(petals[4 * 34].colour), 0u) << "band 4 is not: level 0";
}

TEST_F(VisualizerDrawing, PlasmaGridsWithoutCellsDrawNothing) {
    host.spectrum.fill(1.0f);
    for (const auto& [columns, rows] :
         {std::pair{0, 32}, std::pair{-1, 5}, std::pair{70000, 70000}}) {
        PlasmaVisualizerBlock block;
        block.columns = columns;
        block.rows = rows;
        auto& plasma = Load<PlasmaVisualizer>(block);
        host.position = 1000;
        EXPECT_TRUE(DrawFrame(plasma, 1000, 100000, 1000).empty()) << columns << " x " << rows;
        EXPECT_EQ(plasma.cellBuffer, nullptr);
    }
}

TEST_F(VisualizerDrawing, BandCountsAboveTheLimitAnalyseAndDrawNothing) {
    host.spectrum.fill(1.0f);
    for (const auto& [bands, beatBands] :
         {std::pair{Visualizer::kMaxBands + 1, 0}, std::pair{1 << 30, INT32_MAX}}) {
        VerticalEQBarsVisualizerBlock block;
        block.bandCount = bands;
        block.beatBandCount = beatBands;
        auto& bars = Load<VerticalEQBarsVisualizer>(block);
        host.position = 1000;
        EXPECT_TRUE(DrawFrame(bars, 1000, 100000, 1000).empty()) << bands;
        EXPECT_TRUE(bars.bands.empty() && bars.history.empty() && bars.barVertices.empty());
    }
    VerticalEQBarsVisualizerBlock atLimit;
    atLimit.bandCount = Visualizer::kMaxBands;
    EXPECT_EQ(Load<VerticalEQBarsVisualizer>(atLimit).bands.size(), size_t{Visualizer::kMaxBands});
}

// ---- BeatFlowerVisualizer ----------------------------------------------------------------

TEST_F(VisualizerDrawing, FlowersTurnPerUpdateAndKeepTheirAnglesBelow360) {
    BeatFlowerVisualizerBlock block;
    block.normalise = 0;
    auto& flower = Load<BeatFlowerVisualizer>(block);
    host.spectrum[0] = 0.5f; // band 0 (petal 0 of flower 0)
    host.position = 736;
    DrawFrame(flower, 0, 0, 736);
    EXPECT_EQ(flower.angles[0], 4.0f) << "the first sample is a beat in band 0";
    EXPECT_EQ(flower.angles[2], 1.2f) << "band 4 is silent";
    EXPECT_EQ(AlphaOf(flower.flowerVertices[0].colour), 127u);
    EXPECT_EQ(flower.flowerVertices[0].colour & 0xFFFFFFu, 0xFF3F3Fu);

    host.spectrum[0] = 0.0f;
    flower.angles = {359.0f, 359.9f, 0.0f};
    host.position = 736 * 2;
    DrawFrame(flower, 0, 0, host.position);
    EXPECT_EQ(flower.angles[0], 360.0f) << "exactly 360 stays";
    EXPECT_FLOAT_EQ(flower.angles[1], 1.0f);
}

TEST_F(VisualizerDrawing, FlowersDrawThroughTheirWorldTransformAndRestoreIdentity) {
    BeatFlowerVisualizerBlock block;
    block.x = -0.5f;
    block.y = 0.5f;
    block.width = 1.0f;
    block.height = 0.8f;
    host.aspect = 16.0f / 9.0f;
    auto& flower = Load<BeatFlowerVisualizer>(block);
    flower.angles = {90.0f, 0.0f, 0.0f};
    const auto& draws = DrawFrame(flower, 0, 0, 100); // no update: the angles stay
    ASSERT_EQ(draws.size(), 18u);
    for (size_t d = 0; d < draws.size(); ++d) {
        EXPECT_EQ(draws[d].primitive, Primitive::TriangleFan);
        EXPECT_EQ(draws[d].coloured.size(), 34u);
        const ColouredVertex& centre = draws[d].coloured[0];
        EXPECT_NEAR(std::hypot(centre.x, centre.y), 0.618034, 1e-6) << "petal " << d % 6;
        EXPECT_EQ(draws[d].coloured[33].x, draws[d].coloured[1].x) << "the rim closes";
    }
    EXPECT_EQ(device.state.world, Matrix4::Identity());
    // Flower 0 turned 90 degrees clockwise: the unit point (0, 1) lands right of the centre,
    // 0.4 (half the smaller side) away, divided by the aspect.
    float px = 0.0f, py = 1.0f, pz = 0.0f;
    draws[0].world.TransformPoint(px, py, pz);
    EXPECT_NEAR(px, 0.4f / (16.0f / 9.0f), 1e-6);
    EXPECT_NEAR(py, 0.1f, 1e-6);
    float qx = 0.0f, qy = 1.0f, qz = 0.0f;
    draws[6].world.TransformPoint(qx, qy, qz);
    EXPECT_NEAR(qx, 0.0f, 1e-6);
    EXPECT_NEAR(qy, 0.5f, 1e-6);
}

} // namespace
} // namespace quib::test
