// The spectrum analysis every visualizer shares: band edges, clipping, peaks, the throttle and
// the beat detector, fed canned spectra through the fake host.
#include "EffectTestSupport.h"
#include "visualizers/BouncingEQVisualizer.h"

namespace quib::test {
namespace {

class SpectrumSampling : public EffectTest {
protected:
    // A bouncing-bars visualizer (any visualizer samples the same way) with the given head.
    Visualizer& Make(int32_t bands, bool linear, float factor = 1.0f, float clip = 1.0f,
                     int32_t beatBands = 0, bool normalise = false) {
        BouncingEQVisualizerBlock block;
        block.bandCount = bands;
        block.beatBandCount = beatBands;
        block.linearBands = linear ? 1 : 0;
        block.bandFactor = factor;
        block.clipLevel = clip;
        block.normalise = normalise ? 1 : 0;
        return Load<BouncingEQVisualizer>(block);
    }
    // Samples at `position` (the host's song position) with the spectrum as it is set.
    void SampleAt(Visualizer& v, int32_t position) {
        host.position = position;
        v.SampleSpectrum();
    }
    // The (first bin, end bin) of every band, walked as the sampler walks them.
    static std::vector<std::pair<int32_t, int32_t>> Edges(const Visualizer& v, bool beat) {
        std::vector<std::pair<int32_t, int32_t>> edges;
        int32_t start = 0;
        const int32_t count = beat ? v.beatBandCount : v.bandCount;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t end = beat ? v.BeatBandEdge(i, start) : v.BandEdge(i, start);
            edges.emplace_back(start, end);
            start = end;
        }
        return edges;
    }
};

TEST_F(SpectrumSampling, BandEdges) {
    const auto linear = Edges(Make(64, true), false);
    for (int32_t i = 0; i < 64; ++i) {
        EXPECT_EQ(linear[i], std::make_pair(4 * i, 4 * i + 4)) << "linear band " << i;
    }
    const auto logarithmic = Edges(Make(18, false), false);
    EXPECT_EQ(logarithmic[0], std::make_pair(0, 1));
    EXPECT_EQ(logarithmic[1], std::make_pair(1, 2));
    EXPECT_EQ(logarithmic[16].second, 138);
    EXPECT_EQ(logarithmic[17], std::make_pair(138, 188));
    // Six beat bands: 256^(i/6) rounded, each at least one bin.
    const auto beat = Edges(Make(0, false, 1.0f, 1.0f, 6), true);
    const std::vector<std::pair<int32_t, int32_t>> beatEdges = {{0, 1},  {1, 3},   {3, 6},
                                                                {6, 16}, {16, 40}, {40, 102}};
    EXPECT_EQ(beat, beatEdges);
}

TEST_F(SpectrumSampling, EdgesPastTheLastBinAreClampedAndEmptyBandsReadZero) {
    host.spectrum.fill(0.5f);
    struct Case {
        int32_t bands;
        bool linear;
        float factor;
        int32_t firstEmpty; // bands from here on have no bins left
    };
    for (const Case c :
         {Case{64, true, 2.0f, 32}, Case{8, false, 4.0f, 8}, Case{300, true, 1.0f, 256}}) {
        Visualizer& v = Make(c.bands, c.linear, c.factor);
        SampleAt(v, 1000);
        const auto edges = Edges(v, false);
        for (int32_t i = 0; i < c.bands; ++i) {
            ASSERT_LE(edges[i].second, 256) << i;
            EXPECT_EQ(v.bands[i], i < c.firstEmpty ? 0.5f : 0.0f) << c.bands << " band " << i;
        }
    }
}

TEST_F(SpectrumSampling, ClipNormaliseAndClipLevelZero) {
    host.spectrum[0] = 2.0f;   // band 0 alone (logarithmic)
    host.spectrum[1] = 0.25f;  // band 1
    host.spectrum[2] = 0.125f; // band 2
    Visualizer& clipped = Make(18, false, 1.0f, 0.5f);
    SampleAt(clipped, 1000);
    EXPECT_EQ(clipped.bands[0], 1.0f);
    EXPECT_EQ(clipped.bands[1], 0.5f);
    EXPECT_EQ(clipped.bands[2], 0.25f);

    for (const float clip : {0.0f, -1.0f}) {
        Visualizer& flat = Make(18, false, 1.0f, clip);
        SampleAt(flat, 1000);
        EXPECT_EQ(flat.bands, std::vector<float>(18, 0.0f)) << clip;
    }

    Visualizer& normalised = Make(18, false, 1.0f, 4.0f, 0, true);
    SampleAt(normalised, 1000);
    EXPECT_EQ(normalised.bands[0], 1.0f);
    EXPECT_EQ(normalised.bands[1], 1.0f);
    host.spectrum[0] = 1.0f; // half its peak
    SampleAt(normalised, 2000);
    EXPECT_EQ(normalised.bands[0], 0.5f);
    EXPECT_EQ(normalised.peaks[0], 0.5f);
}

TEST_F(SpectrumSampling, ThrottlePauseAndStop) {
    Visualizer& v = Make(1, true);
    const auto sampleWith = [&](float level, int32_t position) {
        host.spectrum.fill(level);
        SampleAt(v, position);
        return v.bands[0];
    };
    EXPECT_EQ(sampleWith(0.5f, 1000), 0.5f);
    EXPECT_EQ(sampleWith(0.25f, 1100), 0.5f) << "100 units later: no new sample";
    EXPECT_EQ(sampleWith(0.25f, 1734), 0.5f);
    EXPECT_EQ(sampleWith(0.25f, 1735), 0.25f) << "735 units after the last sample";
    EXPECT_EQ(sampleWith(0.75f, 1000), 0.75f) << "the position went back";
    host.channelState = ChannelState::Paused; // a paused song's position stands still
    EXPECT_EQ(sampleWith(0.125f, 1000), 0.75f);
    EXPECT_EQ(sampleWith(0.125f, 1000), 0.75f);
    host.channelState = ChannelState::Stopped;
    host.userStopped = true;
    EXPECT_EQ(sampleWith(0.125f, 0), 0.0f) << "stopped: every band reads 0 at once";
    host.currentSong = -1;
    host.userStopped = false;
    EXPECT_EQ(sampleWith(0.5f, 5000), 0.0f) << "no current song: nothing is sampled";
}

TEST_F(SpectrumSampling, BeatOnAConstantToneUntilTheHistoryIsFull) {
    host.spectrum[10] = 0.5f; // beat band 3 of 6 covers bins 6..15
    Visualizer& v = Make(0, false, 1.0f, 1.0f, 6);
    int32_t position = 735;
    SampleAt(v, position);
    EXPECT_EQ(v.beats, (std::vector<uint8_t>{0, 0, 0, 1, 0, 0})) << "the history is all zero";
    // The average reaches a third of the energy once 15 of the 43 entries hold it.
    int samples = 1;
    while (v.beats[3] != 0 && samples < 100) {
        position += 735;
        SampleAt(v, position);
        ++samples;
    }
    EXPECT_EQ(samples, 16);
    for (; samples < 50; ++samples) {
        position += 735;
        SampleAt(v, position);
        EXPECT_EQ(v.beats[3], 0) << samples;
    }
    host.currentSong = 1; // a new song starts the history again
    SampleAt(v, 735);
    EXPECT_EQ(v.beats[3], 1);
}

} // namespace
} // namespace quib::test
