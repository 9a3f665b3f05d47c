// Tracker modules decoded by libopenmpt, with the song flags mapped onto its settings.
#pragma once

#include "host/audio/AudioSource.h"

#include <cstdint>
#include <memory>

namespace openmpt {
class module;
}

namespace quib {

class AudioSourceModule final : public AudioSource {
public:
    // Null when the file cannot be read or is not a module.
    static std::unique_ptr<AudioSourceModule> Open(const char* path, uint32_t flags);
    // Loads a silent module of one empty pattern and drops it: the decoder makes its
    // resampling tables at the first load in a process. False when it was refused.
    static bool LoadSilence();
    ~AudioSourceModule() override;

    size_t Render(float* stereo, size_t frames) override;
    void Rewind() override;

    // The decoder's own length (one pass through the order list, no loops), in output frames.
    uint64_t LengthFrames() const override { return length_; }
    int ChannelCount() const;

private:
    explicit AudioSourceModule(std::unique_ptr<openmpt::module> module);

    std::unique_ptr<openmpt::module> module_;
    uint64_t length_ = 0;
    bool ended_ = false;
};

} // namespace quib
