// The sound-device output: mixes on the device's callback thread, or on a silent real-time
// device when no sound device opens.
#include "host/audio/AudioOutputSdl.h"

#include "host/audio/AudioMixer.h"

#include <SDL.h>
#include <atomic>
#include <cstdio>

namespace quib {

namespace {

// Frames per device buffer asked for: about 23 ms at 44100 Hz.
constexpr Uint16 kBufferFrames = 1024;

// The fallback is reported once per process, however many outputs are opened.
void ReportOnce(const char* format, const std::string& reason) {
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true)) {
        std::fprintf(stderr, format, reason.c_str());
    }
}

} // namespace

std::unique_ptr<AudioOutputSdl> AudioOutputSdl::Open() {
    std::unique_ptr<AudioOutputSdl> output(new AudioOutputSdl());
    if (output->OpenDevice()) {
        return output;
    }
    // SDL does not fall back by itself: a machine without sound gets the dummy driver, which
    // consumes audio in real time, so songs still advance and end.
    const std::string reason = SDL_GetError();
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    const bool opened = output->OpenDevice();
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (opened) {
        output->fallback_ = true;
        ReportOnce("quib: no audio device could be opened (%s); playing silently\n", reason);
    } else {
        ReportOnce("quib: no audio output could be opened (%s); songs will not advance\n", reason);
    }
    return output;
}

bool AudioOutputSdl::OpenDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kFrequency);
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = &AudioOutputSdl::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device takes.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    driver_ = driver != nullptr ? driver : "";
    bufferFrames_ = have.samples;
    frequency_ = static_cast<uint32_t>(have.freq);
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

AudioOutputSdl::~AudioOutputSdl() {
    // Closing waits for a running callback, so the mixer outlives every pass.
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

void AudioOutputSdl::Callback(void* self, uint8_t* stream, int length) {
    auto* output = static_cast<AudioOutputSdl*>(self);
    output->Mixer().Mix(reinterpret_cast<float*>(stream),
                        static_cast<size_t>(length) / (2 * sizeof(float)));
}

} // namespace quib
