// Sampled streams decoded by libsndfile in chunks, resampled to the output rate by libsoxr.
#pragma once

#include "host/audio/AudioSource.h"

#include <cstdint>
#include <memory>
#include <vector>

struct sf_private_tag;
struct soxr;

namespace quib {

class AudioSourceStream final : public AudioSource {
public:
    // Null when the file cannot be opened or is not a stream libsndfile reads. Honours
    // kAudioLoop (the stream starts again at its end); other flags are ignored.
    static std::unique_ptr<AudioSourceStream> Open(const char* path, uint32_t flags);
    ~AudioSourceStream() override;

    size_t Render(float* stereo, size_t frames) override;
    void Rewind() override;
    // From the file's frame count, converted to the output rate.
    uint64_t LengthFrames() const override { return length_; }

private:
    AudioSourceStream() = default;
    // Up to `frames` frames of the file as stereo (mono doubled, beyond two channels the first
    // two), at the file's own rate; 0 at its end.
    size_t ReadStereo(float* stereo, size_t frames);
    // Frames at the output rate until the file (and the resampler) run dry.
    size_t RenderOnce(float* stereo, size_t frames);

    sf_private_tag* file_ = nullptr;
    soxr* resampler_ = nullptr;
    uint32_t rate_ = 0;
    int channels_ = 0;
    bool loop_ = false;
    uint64_t length_ = 0;
    bool inputEnded_ = false;
    std::vector<float> raw_;   // one chunk in the file's channel layout
    std::vector<float> input_; // one chunk of stereo at the file's rate, for the resampler
    size_t inputOffset_ = 0;   // frames of input_ already consumed
    size_t inputFrames_ = 0;   // frames of input_ filled
};

} // namespace quib
