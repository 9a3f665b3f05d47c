// The sound-device output: mixes on the device's callback thread, or on a silent real-time
// device when no sound device opens.
#pragma once

#include "host/audio/AudioOutput.h"

#include <memory>
#include <string>

namespace quib {

class AudioOutputSdl final : public AudioOutput {
public:
    // Opens the default device at kFrequency, stereo. When it cannot be opened, reopens SDL
    // audio with its "dummy" driver (silent, still advancing in real time) and says so once on
    // stderr. Never null: when not even that opens, the output exists but time stands still.
    static std::unique_ptr<AudioOutputSdl> Open();
    ~AudioOutputSdl() override;

    // Whether the device runs (time advances).
    bool IsRunning() const { return device_ != 0; }
    // The name of the driver in use ("dummy" after the fallback); empty when nothing opened.
    const std::string& DriverName() const { return driver_; }
    bool IsSilentFallback() const { return fallback_; }
    // Frames per device buffer and the rate as opened: BufferFrames / Frequency is the latency.
    uint32_t BufferFrames() const { return bufferFrames_; }
    uint32_t Frequency() const { return frequency_; }

private:
    AudioOutputSdl() = default;
    bool OpenDevice();
    static void Callback(void* self, uint8_t* stream, int length);

    uint32_t device_ = 0; // SDL's device id; not 0 while the audio subsystem is held
    bool fallback_ = false;
    std::string driver_;
    uint32_t bufferFrames_ = 0;
    uint32_t frequency_ = 0;
};

} // namespace quib
