// The audio contract: an output, the channels it plays from files, master volume and spectrum.
#pragma once

#include <cstdint>
#include <memory>

namespace quib {

class AudioMixer;

// A channel handle; 0 is never a valid channel.
using AudioHandle = uint32_t;

// Channel states as the player compares them.
enum class ChannelState : int {
    Stopped = 0, // never played, stopped, ended, or an invalid handle
    Playing = 1,
    Stalled = 2, // playing but waiting for data; the decoders here never stall
    Paused = 3,
};

// Flags of a song as the disk description stores them. Those with a decoder equivalent are
// honoured; every other bit is accepted and ignored.
inline constexpr uint32_t kAudioLoop = 0x4;                   // loop forever (modules and streams)
inline constexpr uint32_t kAudioRamp = 0x200;                 // normal volume ramping
inline constexpr uint32_t kAudioRampSensitive = 0x400;        // strongest volume ramping
inline constexpr uint32_t kAudioFt2Mod = 0x2000;              // plain (non-Amiga) MOD resampling
inline constexpr uint32_t kAudioPt1Mod = 0x4000;              // Amiga resampler emulation for MOD
inline constexpr uint32_t kAudioNoInterpolation = 0x10000;    // nearest-sample resampling
inline constexpr uint32_t kAudioPrescan = 0x20000;            // accepted; lengths are always exact
inline constexpr uint32_t kAudioSincInterpolation = 0x800000; // 8-tap windowed sinc

// Channel types reported by GetChannelType; the stream bit tells FreeStream from FreeModule.
inline constexpr uint32_t kChannelTypeStream = 0x10000;
inline constexpr uint32_t kChannelTypeModule = 0x20000;

// Number of magnitudes GetSpectrum fills (from a 512-point FFT).
inline constexpr int kSpectrumBins = 256;
// Frames of each channel's recent output kept for GetSpectrumAt: more than a sound device's
// buffer runs ahead of a frame's position (about 370 ms).
inline constexpr int kSpectrumHistoryFrames = 16384;

// The output: owns every channel created through it and mixes those that play. Every operation
// may be called from any thread while the output's own thread mixes; none of them blocks the
// mixing for longer than a few copies. Concrete outputs: AudioOutputSdl (the sound device, or
// a silent real-time device when none opens) and AudioOutputOffline (advances when told).
class AudioOutput {
public:
    // Output rate: every channel is rendered or resampled to it; positions count its frames.
    static constexpr uint32_t kFrequency = 44100;

    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;
    // Stops mixing and frees every channel still open.
    virtual ~AudioOutput();

    // A sampled stream (WAV, AIFF, FLAC, Ogg Vorbis, Opus, MP3) from a native path, resampled
    // to kFrequency when needed. 0 when the file is missing or not a readable stream.
    AudioHandle CreateStream(const char* path, uint32_t flags);
    // A tracker module (every format the module decoder reads). 0 on failure.
    AudioHandle LoadModule(const char* path, uint32_t flags);
    // Makes the tables the module decoder makes once per process, at its first load (about
    // 17 ms), so that loading the first module does not wait for them. Any thread, any time.
    // False when the decoder refused the module it loads for that: the first song makes them.
    static bool PrepareModuleDecoder();

    // restart true: from the beginning. false: resumes where the channel paused or stopped; a
    // channel that ended starts again from the beginning. False for an invalid handle.
    bool Play(AudioHandle handle, bool restart);
    // Pauses a playing channel; false when it is not playing or the handle is invalid.
    bool Pause(AudioHandle handle);
    // Stops the channel and keeps its position; false for an invalid handle.
    bool Stop(AudioHandle handle);
    ChannelState GetState(AudioHandle handle) const;
    // Bytes of 16-bit stereo at kFrequency (4 per frame) played since the last restart.
    uint64_t GetPosition(AudioHandle handle) const;
    // Bytes, counted as GetPosition counts them, of one pass through the channel's song; 0 when
    // its file does not tell the length, and for an invalid handle.
    uint64_t GetLength(AudioHandle handle) const;
    // kChannelTypeStream or kChannelTypeModule; 0 for an invalid handle.
    uint32_t GetChannelType(AudioHandle handle) const;
    // Release a channel of the named kind; false (and nothing freed) for any other handle.
    bool FreeStream(AudioHandle handle);
    bool FreeModule(AudioHandle handle);

    // Master volume applied to the mix (not to the spectrum). Values outside 0..1 are clamped;
    // NaN is refused (false) and leaves the volume unchanged.
    bool SetVolume(float volume);
    float GetVolume() const;

    // 256 magnitudes, bin 0 upwards, of a periodic-Hann-windowed 512-point FFT of the channel's
    // most recently played 512 frames mixed to mono (zeros before the first frame), scaled so
    // that a full-scale sine centred on a bin reads 1.0. Bin k is k * 44100 / 512 Hz. Fills
    // zeros and returns false for an invalid handle.
    bool GetSpectrum(AudioHandle handle, float* magnitudes) const;
    // The same spectrum of the 512 frames that end at byte `position` of the channel (as
    // GetPosition counts), so that a frame drawn at a position shows what is heard there even
    // while the output mixes on ahead. A position past what has played reads the newest frames;
    // one further back than the last kSpectrumHistoryFrames reads the oldest frames kept.
    bool GetSpectrumAt(AudioHandle handle, uint64_t position, float* magnitudes) const;

protected:
    AudioOutput();
    // The mixer that concrete outputs drive from their own clock.
    AudioMixer& Mixer() { return *mixer_; }

private:
    std::unique_ptr<AudioMixer> mixer_;
};

} // namespace quib
