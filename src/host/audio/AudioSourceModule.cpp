// Tracker modules decoded by libopenmpt, with the song flags mapped onto its settings.
#include "host/audio/AudioSourceModule.h"

#include "host/audio/AudioOutput.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <ostream>
#include <vector>

namespace quib {

namespace {

// libopenmpt's warnings about odd files go nowhere: a bad song is reported by a 0 handle.
std::ostream& SilentLog() {
    static std::ostream log(nullptr);
    return log;
}

int FilterLength(uint32_t flags) {
    if (flags & kAudioNoInterpolation) {
        return 1;
    }
    return flags & kAudioSincInterpolation ? 8 : 2;
}

// Without a ramping flag there is no ramping; normal ramping is the decoder's default
// strength, sensitive ramping its strongest.
int RampingStrength(uint32_t flags) {
    if (flags & kAudioRampSensitive) {
        return 10;
    }
    return flags & kAudioRamp ? -1 : 0;
}

} // namespace

AudioSourceModule::AudioSourceModule(std::unique_ptr<openmpt::module> module)
    : module_(std::move(module)) {
    // A module too long for the counters (or a length the decoder cannot give) is unknown.
    const double frames = module_->get_duration_seconds() * AudioOutput::kFrequency;
    if (frames > 0.0 && frames < 0x1p62) {
        length_ = static_cast<uint64_t>(std::llround(frames));
    }
}

AudioSourceModule::~AudioSourceModule() = default;

std::unique_ptr<AudioSourceModule> AudioSourceModule::Open(const char* path, uint32_t flags) {
    // Reading can throw too (a directory fails in the stream buffer), so it stays inside.
    try {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> data{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
        if (data.empty()) {
            return nullptr;
        }
        auto module = std::make_unique<openmpt::module>(
            data, SilentLog(),
            std::map<std::string, std::string>{
                {"play.at_end", "stop"},
                {"dither", "0"},
                {"render.resampler.emulate_amiga", flags & kAudioPt1Mod ? "1" : "0"},
            });
        module->set_repeat_count(flags & kAudioLoop ? -1 : 0);
        module->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH,
                                 FilterLength(flags));
        module->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH,
                                 RampingStrength(flags));
        return std::unique_ptr<AudioSourceModule>(new AudioSourceModule(std::move(module)));
    } catch (...) {
        return nullptr;
    }
}

bool AudioSourceModule::LoadSilence() {
    // A four-channel MOD: title, 31 empty sample headers, an order list of one pattern and
    // its "M.K." tag (1084 bytes), then the pattern's 64 rows of four empty notes.
    constexpr size_t kOrderCount = 950;
    constexpr size_t kRestart = 951;
    constexpr size_t kTag = 1080;
    std::vector<char> silence(1084 + 64 * 4 * 4, 0);
    silence[kOrderCount] = 1;
    silence[kRestart] = 127;
    std::memcpy(&silence[kTag], "M.K.", 4);
    try {
        const openmpt::module decoder(silence, SilentLog());
        return true;
    } catch (...) {
        return false;
    }
}

size_t AudioSourceModule::Render(float* stereo, size_t frames) {
    if (ended_) {
        return 0;
    }
    try {
        const size_t got =
            module_->read_interleaved_stereo(AudioOutput::kFrequency, frames, stereo);
        ended_ = got < frames;
        return got;
    } catch (...) {
        ended_ = true;
        return 0;
    }
}

void AudioSourceModule::Rewind() {
    try {
        module_->set_position_seconds(0.0);
        ended_ = false;
    } catch (...) {
        ended_ = true;
    }
}

int AudioSourceModule::ChannelCount() const {
    return module_->get_num_channels();
}

} // namespace quib
