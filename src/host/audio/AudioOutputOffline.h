// The offline output: time advances only when the caller asks, so positions, ends and spectra
// are exact and repeatable (tests, headless rendering).
#pragma once

#include "host/audio/AudioOutput.h"

#include <cstdint>

namespace quib {

class AudioOutputOffline final : public AudioOutput {
public:
    AudioOutputOffline() = default;

    // Mixes the next `frames` frames on the calling thread. When `stereo` is not null it
    // receives them as interleaved float pairs (2 * frames values) after the master volume.
    void Advance(uint64_t frames, float* stereo = nullptr);
    // Frames advanced since construction.
    uint64_t Time() const { return time_; }

private:
    uint64_t time_ = 0;
};

} // namespace quib
