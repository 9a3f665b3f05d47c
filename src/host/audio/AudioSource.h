// What the mixer pulls audio from: a decoder that renders stereo frames at the output rate.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quib {

// Used only by the mixing thread once created; creation (file opening, parsing) happens on the
// caller's thread before the mixer sees the source.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Renders up to `frames` interleaved stereo float frames at AudioOutput::kFrequency; fewer
    // only when the source has ended (then every later call renders 0 until Rewind).
    virtual size_t Render(float* stereo, size_t frames) = 0;
    // Back to the first frame.
    virtual void Rewind() = 0;
    // Frames of one pass through the song at the output rate (loops not counted); 0 when the
    // file does not say. Known from the moment the source is opened.
    virtual uint64_t LengthFrames() const = 0;
};

} // namespace quib
