// The base of the effects that react to the music: throttled spectrum bands and beat detection.
#include "visualizers/Visualizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quib {
namespace {

// An edge computed in floating point, rounded half up to a bin and at least start + 1. An edge
// that is not a number counts as below start.
double RoundEdge(double edge, int32_t start) {
    const double rounded = std::floor(edge + 0.5);
    return rounded > start ? rounded : start + 1.0;
}

// A rounded edge as an exclusive bin, never past the last bin (a band that starts at the end
// is left with no bins).
int32_t BoundEdge(double edge, int32_t start) {
    return static_cast<int32_t>(std::min(RoundEdge(edge, start), double{kSpectrumBins}));
}

// The mean of bins start .. end - 1; 0 for a band with no bins.
float MeanOf(const std::array<float, kSpectrumBins>& fft, int32_t start, int32_t end) {
    if (end <= start) {
        return 0.0f;
    }
    float sum = 0.0f;
    for (int32_t k = start; k < end; ++k) {
        sum += fft[k];
    }
    return sum / static_cast<float>(end - start);
}

} // namespace

Visualizer::Visualizer(GfxDevice* device, EffectHost* host) : Effect(device, host) {}

Visualizer::~Visualizer() = default;

void Visualizer::Load(TextureStore& textures, DescriptionReader& reader, Archive& archive) {
    Effect::Load(textures, reader, archive);
    VisualizerHead head;
    ReadOwnFields(reader, head);
    beatBandCount = head.beatBandCount;
    bandCount = head.bandCount;
    bandFactor = head.bandFactor;
    linearBands = head.linearBands != 0;
    normalise = head.normalise != 0;
    clipLevel = head.clipLevel;
}

size_t Visualizer::BandSlots(int32_t count) {
    return count < 0 || count > kMaxBands ? 0 : static_cast<size_t>(count);
}

void Visualizer::ResizeAnalysis() {
    const size_t bandSlots = BandSlots(bandCount);
    const size_t beatSlots = BandSlots(beatBandCount);
    bands.resize(bandSlots);
    peaks.assign(normalise ? bandSlots : 0, 0.0f);
    beats.assign(beatSlots, 0);
    history.assign(beatSlots * kHistoryLength, 0.0f);
}

double Visualizer::UnboundedBandEdge(int32_t i, int32_t start, int32_t bandCount, float bandFactor,
                                     bool linearBands) {
    if (linearBands) {
        const float width = 256.0f * bandFactor / static_cast<float>(bandCount);
        return RoundEdge(static_cast<double>(start) + std::floor(width + 0.5), start);
    }
    // Base, exponent and power are each rounded to single precision.
    const auto base = static_cast<float>(256.0 * bandFactor);
    const auto exponent = static_cast<float>(static_cast<double>(i) / bandCount);
    const auto power = static_cast<float>(std::pow(base, exponent));
    return RoundEdge(power, start);
}

int32_t Visualizer::BandEdge(int32_t i, int32_t start) const {
    return BoundEdge(UnboundedBandEdge(i, start, bandCount, bandFactor, linearBands), start);
}

int32_t Visualizer::BeatBandEdge(int32_t i, int32_t start) const {
    const auto exponent = static_cast<float>(static_cast<double>(i) / beatBandCount);
    const auto power = static_cast<float>(std::pow(256.0f, exponent));
    return BoundEdge(power, start);
}

void Visualizer::SampleSpectrum() {
    const int32_t song = host->CurrentSong();
    if (song < 0) {
        return; // no channel to ask: every output stays as it is
    }
    if (song != lastSong) {
        lastSampleTime = 0;
        std::fill(beats.begin(), beats.end(), uint8_t{0});
        std::fill(history.begin(), history.end(), 0.0f);
        std::fill(peaks.begin(), peaks.end(), 0.0f);
        lastSong = song;
    }

    const int32_t now = host->GetPlaybackPosition();
    const bool stopped = host->UserStopped();
    const int64_t since = static_cast<int64_t>(now) - lastSampleTime;
    sinceLastSample = static_cast<int32_t>(std::clamp<int64_t>(since, 0, INT32_MAX));
    if (!(now < lastSampleTime || sinceLastSample >= kSampleInterval || stopped)) {
        return;
    }
    lastSampleTime = now;
    host->CurrentSpectrum(fft.data());

    int32_t start = 0;
    for (size_t i = 0; i < bands.size(); ++i) {
        bands[i] = 0.0f;
        if (stopped) {
            continue;
        }
        const int32_t end = BandEdge(static_cast<int32_t>(i), start);
        float level = MeanOf(fft, start, end);
        start = end;
        if (clipLevel > 0.0f) {
            level = std::min(level, clipLevel) / clipLevel;
        } else {
            level = 0.0f; // a level of 0 or below would divide by zero or flip every band
        }
        if (normalise && i < peaks.size()) {
            peaks[i] = std::max(peaks[i], level);
            if (peaks[i] > 0.0f) {
                level /= peaks[i];
            }
        }
        bands[i] = level;
    }

    start = 0;
    for (size_t i = 0; i < beats.size(); ++i) {
        const int32_t end = BeatBandEdge(static_cast<int32_t>(i), start);
        const float energy = MeanOf(fft, start, end);
        start = end;
        float* const past = history.data() + i * kHistoryLength;
        float sum = 0.0f;
        for (int32_t k = 0; k < kHistoryLength; ++k) {
            sum += past[k];
        }
        const float average = sum / static_cast<float>(kHistoryLength);
        beats[i] = 3.0f * average < energy ? 1 : 0;
        std::memmove(past, past + 1, (kHistoryLength - 1) * sizeof(float));
        past[kHistoryLength - 1] = energy;
    }
}

bool Visualizer::SongAdvances() const {
    return host->CurrentSong() >= 0 && host->CurrentChannelState() != ChannelState::Paused;
}

bool Visualizer::TakeUpdate(int32_t position, int32_t& dt) {
    if (position < lastUpdate) {
        lastUpdate = 0;
    }
    const int64_t passed = static_cast<int64_t>(position) - lastUpdate;
    if (passed <= kSampleInterval || !SongAdvances()) {
        return false;
    }
    dt = static_cast<int32_t>(passed);
    lastUpdate = position;
    return true;
}

void Visualizer::Upload(GfxVertexBuffer& buffer, const ColouredVertex* vertices, size_t count) {
    const size_t bytes = std::min<size_t>(count * sizeof(ColouredVertex), buffer.Size());
    void* target = buffer.Lock();
    if (bytes > 0) {
        std::memcpy(target, vertices, bytes);
    }
    buffer.Unlock();
}

size_t Visualizer::RemakeVertices(std::unique_ptr<GfxVertexBuffer>& buffer,
                                  std::vector<ColouredVertex>& vertices, uint64_t elements,
                                  size_t verticesEach) {
    const uint64_t elementBytes = verticesEach * sizeof(ColouredVertex);
    if (elements > UINT32_MAX / elementBytes) {
        elements = 0;
    }
    const uint64_t bytes = elements * elementBytes;
    buffer.reset();
    if (elements > 0) {
        buffer = device->CreateVertexBuffer(static_cast<uint32_t>(bytes));
    }
    vertices.assign(static_cast<size_t>(elements) * verticesEach, ColouredVertex{});
    return static_cast<size_t>(elements);
}

void Visualizer::DrawTriangleList(GfxVertexBuffer* buffer,
                                  const std::vector<ColouredVertex>& vertices) {
    if (buffer == nullptr) {
        return;
    }
    Upload(*buffer, vertices.data(), vertices.size());
    device->SetTexture(nullptr);
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleList, 0,
                 static_cast<uint32_t>(vertices.size() / 3));
}

float Visualizer::FollowBand(float level, float band, float fall) {
    if (level < band) {
        return band;
    }
    return level > 0.0f ? std::max(level - fall, 0.0f) : level;
}

int32_t Visualizer::Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

} // namespace quib
