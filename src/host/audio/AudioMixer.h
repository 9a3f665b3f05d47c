// The channel table and the mix: control calls from any thread, mixing on the output's thread.
#pragma once

#include "host/audio/AudioOutput.h"
#include "host/audio/AudioSource.h"
#include "host/audio/SpectrumAnalyzer.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace quib {

// Locking: one mutex guards the channel table and every channel's control fields (state,
// position, spectrum history). Control calls hold it for a few field writes; the mixing thread
// holds it twice per chunk, to pick the playing channels and to record what they rendered, and
// never while decoding. Decoders are touched only by the mixing thread, so a restart is a flag
// that the mixing thread carries out. Nothing is allocated under the lock: the table has a
// fixed size and channels get their buffers before they are entered.
class AudioMixer {
public:
    // Frames mixed per pass; larger requests are mixed in passes of this size.
    static constexpr size_t kChunk = 1024;
    static constexpr int kMaxChannels = 256;

    AudioMixer();
    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // A handle for the source, or 0 when the table is full (or source is null).
    AudioHandle Add(std::unique_ptr<AudioSource> source, bool isStream);
    // Waits for the mixing thread to finish a pass that uses the channel, then frees it.
    bool Free(AudioHandle handle, bool isStream);

    bool Play(AudioHandle handle, bool restart);
    bool Pause(AudioHandle handle);
    bool Stop(AudioHandle handle);
    ChannelState GetState(AudioHandle handle) const;
    uint64_t GetFrames(AudioHandle handle) const;
    uint64_t GetLengthFrames(AudioHandle handle) const;
    uint32_t GetChannelType(AudioHandle handle) const;
    // The spectrum of the kPoints frames that end at frame `end` (clamped to what is kept).
    bool GetSpectrum(AudioHandle handle, uint64_t end, float* magnitudes) const;

    bool SetVolume(float volume);
    float GetVolume() const { return volume_.load(std::memory_order_relaxed); }

    // The mixing thread: the next `frames` frames of every playing channel, summed, scaled by
    // the master volume and clipped to -1..1, as interleaved stereo.
    void Mix(float* stereo, size_t frames);

private:
    struct Channel;
    struct Pass {
        Channel* channel;
        uint32_t epoch;
        bool rewind;
        size_t frames;
    };

    Channel* Find(AudioHandle handle) const;
    void MixChunk(float* stereo, size_t frames);

    mutable std::mutex lock_;
    std::condition_variable passDone_;
    std::array<std::unique_ptr<Channel>, kMaxChannels> slots_;
    AudioHandle lastHandle_ = 0;
    std::atomic<float> volume_{1.0f};
    std::vector<Pass> pass_; // mixing thread only; capacity kMaxChannels
    mutable SpectrumAnalyzer analyzer_;
};

} // namespace quib
