// The demo disk's sampled stream: slow chords on a detuned pad, bells with a ping-pong echo
// and a tide of filtered noise, synthesised sample by sample.
#include "DemoStream.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <sndfile.h>
#include <vector>

namespace quib {
namespace {

constexpr int kRate = 44100;
constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kChordSeconds = 8.0;

double Frequency(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// Fmaj7, Am7, Dm9, Cmaj7, Fmaj7: MIDI notes from the bass up.
constexpr std::array<std::array<int, 4>, 5> kChords{{
    {53, 57, 60, 64},
    {57, 60, 64, 67},
    {50, 57, 60, 64},
    {48, 55, 59, 64},
    {53, 57, 60, 64},
}};

// A chord's weight at time t: a two-second swell in, a two-second fade into the next.
double ChordEnvelope(double t, size_t chord) {
    const double start = chord * kChordSeconds;
    const double local = t - start;
    if (local < -2.0 || local > kChordSeconds + 2.0) {
        return 0.0;
    }
    const double in = std::clamp((local + 2.0) / 4.0, 0.0, 1.0);
    const double out = std::clamp((kChordSeconds + 2.0 - local) / 4.0, 0.0, 1.0);
    return std::sin(in * std::numbers::pi / 2) * std::sin(out * std::numbers::pi / 2);
}

} // namespace

bool WriteDemoStream(const std::string& path) {
    const double seconds = kChords.size() * kChordSeconds + 2.0;
    const size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<float> left(frames), right(frames);

    // Pad: every tone as two sines a few cents apart plus a soft octave, spread across the field.
    for (size_t chord = 0; chord < kChords.size(); ++chord) {
        for (size_t voice = 0; voice < 4; ++voice) {
            const double f = Frequency(kChords[chord][voice]);
            const double pan = 0.2 + 0.2 * voice;
            for (size_t i = 0; i < frames; ++i) {
                const double t = static_cast<double>(i) / kRate;
                const double weight = ChordEnvelope(t, chord);
                if (weight == 0.0) {
                    continue;
                }
                const double value = std::sin(kTwoPi * f * t) + std::sin(kTwoPi * f * 1.004 * t) +
                                     0.25 * std::sin(kTwoPi * f * 2.0 * t + 0.5);
                const double sample = value * weight * 0.06;
                left[i] += static_cast<float>(sample * (1.0 - pan));
                right[i] += static_cast<float>(sample * pan);
            }
        }
    }

    // Bells on the chord tones an octave up, every three quarters of a second, echoed from
    // side to side.
    std::vector<float> bellLeft(frames), bellRight(frames);
    uint32_t state = 2024;
    for (double at = 1.0; at < seconds - 3.0; at += 0.75) {
        state = state * 1664525u + 1013904223u;
        const size_t chord = std::min(static_cast<size_t>(at / kChordSeconds), kChords.size() - 1);
        const int note =
            kChords[chord][1 + (state >> 16) % 3] + 12 + ((state >> 20) % 4 == 0 ? 12 : 0);
        const double f = Frequency(note);
        const bool toLeft = ((state >> 24) & 1) != 0;
        const size_t begin = static_cast<size_t>(at * kRate);
        for (size_t i = begin; i < std::min(frames, begin + 3 * kRate); ++i) {
            const double t = static_cast<double>(i - begin) / kRate;
            const double value = (std::sin(kTwoPi * f * t) +
                                  0.3 * std::sin(kTwoPi * f * 2.76 * t) * std::exp(-t * 4.0)) *
                                 std::exp(-t * 1.8) * std::min(t * 400.0, 1.0) * 0.09;
            (toLeft ? bellLeft : bellRight)[i] += static_cast<float>(value);
        }
    }
    const size_t delay = static_cast<size_t>(0.375 * kRate);
    for (size_t i = delay; i < frames; ++i) {
        bellLeft[i] += 0.4f * bellRight[i - delay];
        bellRight[i] += 0.4f * bellLeft[i - delay];
    }

    // Tide: noise through a gentle low-pass, swelling every six seconds.
    double lowLeft = 0, lowRight = 0;
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        state = state * 1664525u + 1013904223u;
        const double noiseLeft = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
        state = state * 1664525u + 1013904223u;
        const double noiseRight = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
        lowLeft += (noiseLeft - lowLeft) * 0.02;
        lowRight += (noiseRight - lowRight) * 0.02;
        const double swell = 0.5 - 0.5 * std::cos(kTwoPi * t / 6.0);
        const double fade = std::min({t / 2.0, (seconds - t) / 2.0, 1.0});
        left[i] = static_cast<float>((left[i] + bellLeft[i] + lowLeft * swell * 0.35) * fade);
        right[i] = static_cast<float>((right[i] + bellRight[i] + lowRight * swell * 0.35) * fade);
    }

    float peak = 0;
    for (size_t i = 0; i < frames; ++i) {
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    std::vector<float> interleaved(frames * 2);
    const float gain = peak > 0 ? 0.8f / peak : 1.0f;
    for (size_t i = 0; i < frames; ++i) {
        interleaved[2 * i] = left[i] * gain;
        interleaved[2 * i + 1] = right[i] * gain;
    }

    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "demo stream: cannot write %s: %s\n", path.c_str(),
                     sf_strerror(nullptr));
        return false;
    }
    double quality = 0.4;
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    const sf_count_t written =
        sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
    const bool closed = sf_close(file) == 0;
    if (written != static_cast<sf_count_t>(frames) || !closed) {
        std::fprintf(stderr, "demo stream: writing %s failed\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace quib
