// The offline output: time advances only when the caller asks, so positions, ends and spectra
// are exact and repeatable (tests, headless rendering).
#include "host/audio/AudioOutputOffline.h"

#include "host/audio/AudioMixer.h"

#include <algorithm>

namespace quib {

void AudioOutputOffline::Advance(uint64_t frames, float* stereo) {
    time_ += frames;
    if (stereo != nullptr) {
        Mixer().Mix(stereo, frames);
        return;
    }
    float discard[2 * AudioMixer::kChunk];
    while (frames > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(frames, AudioMixer::kChunk));
        Mixer().Mix(discard, n);
        frames -= n;
    }
}

} // namespace quib
