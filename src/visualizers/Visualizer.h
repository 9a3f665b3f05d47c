// The base of the effects that react to the music: throttled spectrum bands and beat detection.
#pragma once

#include "effects/Effect.h"
#include "effects/EffectHost.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace quib {

// Every visualizer's Draw calls SampleSpectrum first and then draws from `bands` (levels 0..1)
// and `beats` (1 where a band's energy jumped above three times its recent average). A sample
// is taken at most once per kSampleInterval of song position, so the outputs move at the same
// pace whatever the frame rate; they are kept while the song is paused and read 0 while the
// player is stopped.
class Visualizer : public Effect {
public:
    // One sixtieth of a second in clock units: the spacing of samples and of updates.
    static constexpr int32_t kSampleInterval = 735;
    // Samples of energy history per beat band (about a second at 60 samples a second).
    static constexpr int32_t kHistoryLength = 43;
    // The most bands or beat bands a visualizer analyses and draws: far more than the 256
    // spectrum bins can feed, and small enough that a hostile count cannot exhaust memory.
    static constexpr int32_t kMaxBands = 65536;

    Visualizer(GfxDevice* device, EffectHost* host);
    ~Visualizer() override;
    // The common head and the analysis fields; no Rebuild (subclasses read on, then rebuild).
    void Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) override;

    // The bands a count gives: none for a negative count or one above kMaxBands (such a
    // visualizer analyses and draws nothing).
    static size_t BandSlots(int32_t count);
    // Sizes the outputs for the current counts (see BandSlots): bands keep
    // their levels, peaks, beats and history start again from 0. Every subclass's Rebuild
    // ends with it.
    void ResizeAnalysis();
    // Takes a sample of the current song's spectrum when one is due; see the class comment.
    void SampleSpectrum();

    // Upper edge (exclusive bin) of spectrum band i that starts at bin `start`; never past the
    // 256 bins and at least start + 1 while start is below 256.
    int32_t BandEdge(int32_t i, int32_t start) const;
    // The same edge before the bins' bounds (still at least start + 1), for tools that warn of
    // bands reaching past the spectrum.
    static double UnboundedBandEdge(int32_t i, int32_t start, int32_t bandCount, float bandFactor,
                                    bool linearBands);
    // A floating-point value truncated toward zero, kept inside the int32 range (NaN is 0).
    static int32_t Truncate(double value);
    // Upper edge of beat band i that starts at bin `start`, under the same bounds.
    int32_t BeatBandEdge(int32_t i, int32_t start) const;

    std::array<float, kSpectrumBins> fft{};
    std::vector<float> history; // kHistoryLength a beat band, oldest first
    std::vector<float> peaks;   // one a band while normalise is set
    int32_t lastSong = -1;      // no song sampled yet: the first sample resets like a change
    std::vector<float> bands;
    std::vector<uint8_t> beats;
    int32_t lastSampleTime = 0;
    int32_t sinceLastSample = 0;
    int32_t beatBandCount = 0;
    int32_t bandCount = 0;
    float bandFactor = 1.0f;
    bool linearBands = false;
    bool normalise = false;
    float clipLevel = 1.0f;

    // The subclasses' update clock: song position of their last update.
    int32_t lastUpdate = 0;

protected:
    // The update rule the four visualizers share: a position that went back restarts the
    // clock; an update is due when more than kSampleInterval passed since the last one and the
    // current song is not paused (with no current song there is never one). When due, gives
    // the time since the last update in `dt` and moves the clock to `position`.
    bool TakeUpdate(int32_t position, int32_t& dt);
    // Whether the current song exists and is not paused.
    bool SongAdvances() const;
    // Locks the buffer, copies `count` vertices in (as many as fit), unlocks.
    static void Upload(GfxVertexBuffer& buffer, const ColouredVertex* vertices, size_t count);
    // Makes `buffer` anew and sizes `vertices` (zeroed) for `elements` of `verticesEach`
    // vertices. More elements than one vertex buffer can hold count as none. The elements made.
    size_t RemakeVertices(std::unique_ptr<GfxVertexBuffer>& buffer,
                          std::vector<ColouredVertex>& vertices, uint64_t elements,
                          size_t verticesEach);
    // Uploads the vertices and draws them as an untextured triangle list; nothing without a
    // buffer.
    void DrawTriangleList(GfxVertexBuffer* buffer, const std::vector<ColouredVertex>& vertices);
    // A bar's displayed level after an update: up to the band at once, otherwise down by
    // `fall`, never below 0.
    static float FollowBand(float level, float band, float fall);
};

} // namespace quib
