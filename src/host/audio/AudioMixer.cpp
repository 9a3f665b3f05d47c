// The channel table and the mix: control calls from any thread, mixing on the output's thread.
#include "host/audio/AudioMixer.h"

#include <algorithm>
#include <cmath>

namespace quib {

struct AudioMixer::Channel {
    AudioHandle handle = 0;
    bool isStream = false;
    uint64_t lengthFrames = 0; // the source's, read once when the channel is added
    std::unique_ptr<AudioSource> source;
    // The frames of the current pass: written by the mixing thread outside the lock.
    std::vector<float> block = std::vector<float>(2 * kChunk);

    // Guarded by lock_.
    ChannelState state = ChannelState::Stopped;
    bool ended = false;
    bool rewindPending = false;
    bool inPass = false;
    uint32_t epoch = 0; // counts restarts, so a pass that raced one is not counted
    uint64_t frames = 0;
    std::array<float, kSpectrumHistoryFrames> history{}; // mono ring buffer
    size_t historyNext = 0;                              // where the frame numbered `frames` goes

    void Restart() {
        rewindPending = true;
        ++epoch;
        frames = 0;
        ended = false;
        history.fill(0.0f);
        historyNext = 0;
    }
};

AudioMixer::AudioMixer() {
    pass_.reserve(kMaxChannels);
}

AudioMixer::~AudioMixer() = default;

AudioMixer::Channel* AudioMixer::Find(AudioHandle handle) const {
    if (handle == 0) {
        return nullptr;
    }
    for (const auto& slot : slots_) {
        if (slot && slot->handle == handle) {
            return slot.get();
        }
    }
    return nullptr;
}

AudioHandle AudioMixer::Add(std::unique_ptr<AudioSource> source, bool isStream) {
    if (!source) {
        return 0;
    }
    auto channel = std::make_unique<Channel>();
    channel->lengthFrames = source->LengthFrames();
    channel->source = std::move(source);
    channel->isStream = isStream;
    std::lock_guard<std::mutex> guard(lock_);
    auto free = std::find(slots_.begin(), slots_.end(), nullptr);
    if (free == slots_.end()) {
        return 0; // the channel is destroyed after the lock is released
    }
    // Handles count up and skip 0 and any still in use, so a stale handle rarely names a
    // newer channel.
    do {
        ++lastHandle_;
    } while (lastHandle_ == 0 || Find(lastHandle_) != nullptr);
    channel->handle = lastHandle_;
    *free = std::move(channel);
    return lastHandle_;
}

bool AudioMixer::Free(AudioHandle handle, bool isStream) {
    std::unique_ptr<Channel> victim;
    {
        std::unique_lock<std::mutex> guard(lock_);
        Channel* channel = Find(handle);
        if (channel == nullptr || channel->isStream != isStream) {
            return false;
        }
        passDone_.wait(guard, [channel] { return !channel->inPass; });
        for (auto& slot : slots_) {
            if (slot.get() == channel) {
                victim = std::move(slot);
            }
        }
    }
    return true; // the decoder is closed here, outside the lock
}

bool AudioMixer::Play(AudioHandle handle, bool restart) {
    std::lock_guard<std::mutex> guard(lock_);
    Channel* channel = Find(handle);
    if (channel == nullptr) {
        return false;
    }
    if (restart || channel->ended) {
        channel->Restart();
    }
    channel->state = ChannelState::Playing;
    return true;
}

bool AudioMixer::Pause(AudioHandle handle) {
    std::lock_guard<std::mutex> guard(lock_);
    Channel* channel = Find(handle);
    if (channel == nullptr || channel->state != ChannelState::Playing) {
        return false;
    }
    channel->state = ChannelState::Paused;
    return true;
}

bool AudioMixer::Stop(AudioHandle handle) {
    std::lock_guard<std::mutex> guard(lock_);
    Channel* channel = Find(handle);
    if (channel == nullptr) {
        return false;
    }
    channel->state = ChannelState::Stopped;
    return true;
}

ChannelState AudioMixer::GetState(AudioHandle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Channel* channel = Find(handle);
    return channel != nullptr ? channel->state : ChannelState::Stopped;
}

uint64_t AudioMixer::GetFrames(AudioHandle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Channel* channel = Find(handle);
    return channel != nullptr ? channel->frames : 0;
}

uint64_t AudioMixer::GetLengthFrames(AudioHandle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Channel* channel = Find(handle);
    return channel != nullptr ? channel->lengthFrames : 0;
}

uint32_t AudioMixer::GetChannelType(AudioHandle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    const Channel* channel = Find(handle);
    if (channel == nullptr) {
        return 0;
    }
    return channel->isStream ? kChannelTypeStream : kChannelTypeModule;
}

bool AudioMixer::GetSpectrum(AudioHandle handle, uint64_t end, float* magnitudes) const {
    static_assert(kSpectrumHistoryFrames >= SpectrumAnalyzer::kPoints);
    std::array<float, SpectrumAnalyzer::kPoints> samples;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const Channel* channel = Find(handle);
        if (channel == nullptr) {
            std::fill_n(magnitudes, SpectrumAnalyzer::kBins, 0.0f);
            return false;
        }
        // Frames before the restart are zeros in the ring, so a window reaching before frame 0
        // reads silence there.
        const uint64_t kept = kSpectrumHistoryFrames - SpectrumAnalyzer::kPoints;
        const uint64_t newest = channel->frames;
        end = std::clamp(end, newest > kept ? newest - kept : 0, newest);
        const size_t size = channel->history.size();
        size_t at = (channel->historyNext + size - static_cast<size_t>(newest - end) % size -
                     SpectrumAnalyzer::kPoints) %
                    size;
        for (float& sample : samples) {
            sample = channel->history[at];
            at = (at + 1) % size;
        }
    }
    analyzer_.Analyze(samples.data(), magnitudes);
    return true;
}

bool AudioMixer::SetVolume(float volume) {
    if (std::isnan(volume)) {
        return false;
    }
    volume_.store(std::clamp(volume, 0.0f, 1.0f), std::memory_order_relaxed);
    return true;
}

void AudioMixer::Mix(float* stereo, size_t frames) {
    while (frames > 0) {
        const size_t n = std::min(frames, kChunk);
        MixChunk(stereo, n);
        stereo += 2 * n;
        frames -= n;
    }
}

void AudioMixer::MixChunk(float* stereo, size_t frames) {
    pass_.clear();
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const auto& slot : slots_) {
            if (slot && slot->state == ChannelState::Playing) {
                pass_.push_back({slot.get(), slot->epoch, slot->rewindPending, 0});
                slot->rewindPending = false;
                slot->inPass = true;
            }
        }
    }

    std::fill_n(stereo, 2 * frames, 0.0f);
    for (Pass& pass : pass_) {
        Channel& channel = *pass.channel;
        if (pass.rewind) {
            channel.source->Rewind();
        }
        pass.frames = channel.source->Render(channel.block.data(), frames);
        for (size_t i = 0; i < 2 * pass.frames; ++i) {
            stereo[i] += channel.block[i];
        }
    }

    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const Pass& pass : pass_) {
            Channel& channel = *pass.channel;
            channel.inPass = false;
            if (channel.epoch != pass.epoch) {
                continue; // restarted meanwhile: its rewind is still pending
            }
            channel.frames += pass.frames;
            const size_t keep = std::min(pass.frames, channel.history.size());
            for (size_t i = pass.frames - keep; i < pass.frames; ++i) {
                channel.history[channel.historyNext] =
                    0.5f * (channel.block[2 * i] + channel.block[2 * i + 1]);
                channel.historyNext = (channel.historyNext + 1) % channel.history.size();
            }
            if (pass.frames < frames) {
                channel.state = ChannelState::Stopped;
                channel.ended = true;
            }
        }
    }
    if (!pass_.empty()) {
        passDone_.notify_all();
    }

    const float volume = volume_.load(std::memory_order_relaxed);
    for (size_t i = 0; i < 2 * frames; ++i) {
        stereo[i] = std::clamp(stereo[i] * volume, -1.0f, 1.0f);
    }
}

} // namespace quib
