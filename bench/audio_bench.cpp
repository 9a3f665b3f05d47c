// Audio costs: decoding per second of audio for a module and each stream format, the
// spectrum, the offline mix, and the sound device's output latency. Prints; never fails.
#include "host/audio/AudioOutputOffline.h"
#include "host/audio/AudioOutputSdl.h"
#include "host/audio/AudioSourceModule.h"
#include "host/audio/AudioSourceStream.h"
#include "host/audio/SpectrumAnalyzer.h"
#include "host/audio/TestSounds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sndfile.h>
#include <vector>

namespace {

using namespace quib;
using Clock = std::chrono::steady_clock;

constexpr double kSeconds = 10.0;
constexpr size_t kFrames = static_cast<size_t>(kSeconds * AudioOutput::kFrequency);
constexpr int kRuns = 3;

// Best of kRuns wall-clock times of `work`, in seconds.
double Best(const std::function<void()>& work) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

// Renders the whole source in output-sized chunks; the frames rendered.
size_t Drain(AudioSource& source) {
    std::vector<float> chunk(2 * 1024);
    size_t total = 0;
    while (total < kFrames) {
        const size_t got = source.Render(chunk.data(), std::min<size_t>(1024, kFrames - total));
        if (got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

void Row(const char* name, const char* detail, double seconds, size_t frames) {
    const double audio = static_cast<double>(frames) / AudioOutput::kFrequency;
    std::printf("%-22s %-16s %10.2f %12.0f\n", name, detail, 1000.0 * seconds / audio,
                audio / seconds);
}

void DecodeCosts(const std::string& dir) {
    std::printf("Decode cost (output: %u Hz stereo float, %.0f s of audio, best of %d)\n",
                AudioOutput::kFrequency, kSeconds, kRuns);
    std::printf("%-22s %-16s %10s %12s\n", "source", "detail", "ms per s", "x real time");

    const std::string tune = dir + "/tune.mod";
    test::WriteTune(tune, 8);
    const struct {
        const char* detail;
        uint32_t flags;
    } modules[] = {{"linear", 0},
                   {"none", kAudioNoInterpolation},
                   {"sinc", kAudioSincInterpolation},
                   {"amiga", kAudioPt1Mod}};
    for (const auto& m : modules) {
        size_t frames = 0;
        const double t = Best([&] {
            auto source = AudioSourceModule::Open(tune.c_str(), m.flags | kAudioLoop);
            frames = Drain(*source);
        });
        Row("module 8ch", m.detail, t, frames);
    }

    const struct {
        const char* name;
        const char* file;
        int format;
        int rate;
    } streams[] = {
        {"wav pcm16", "a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
        {"wav pcm16 48k", "b.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000},
        {"aiff pcm16", "c.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100},
        {"flac", "d.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100},
        {"ogg vorbis", "e.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
        {"opus 48k", "f.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
        {"mp3", "g.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100},
    };
    for (const auto& s : streams) {
        const std::string path = dir + "/" + s.file;
        if (!test::WriteTone(path, s.format, s.rate, 2, kSeconds, 1000.0, 0.5)) {
            std::printf("%-22s (libsndfile cannot write it here)\n", s.name);
            continue;
        }
        size_t frames = 0;
        const double t = Best([&] {
            auto source = AudioSourceStream::Open(path.c_str(), 0);
            frames = Drain(*source);
        });
        Row(s.name, s.rate == 44100 ? "no resampling" : "resampled", t, frames);
    }
}

void SpectrumCost() {
    SpectrumAnalyzer analyzer;
    std::vector<float> samples(SpectrumAnalyzer::kPoints);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(i % 37) / 37.0f;
    }
    float magnitudes[SpectrumAnalyzer::kBins];
    constexpr int kCalls = 20000;
    const double t = Best([&] {
        for (int i = 0; i < kCalls; ++i) {
            analyzer.Analyze(samples.data(), magnitudes);
        }
    });
    std::printf("\nSpectrum (512-point FFT, window, 256 magnitudes): %.2f us per call\n",
                1e6 * t / kCalls);
}

void MixCost(const std::string& dir) {
    const std::string tune = dir + "/tune.mod";
    AudioOutputOffline out;
    const AudioHandle h = out.LoadModule(tune.c_str(), kAudioLoop);
    out.Play(h, true);
    const double t = Best([&] { out.Advance(kFrames); });
    std::printf("Offline mix of one module channel: %.2f ms per s of audio\n",
                1000.0 * t / kSeconds);
}

void DeviceLatency() {
    const auto out = AudioOutputSdl::Open();
    if (!out->IsRunning()) {
        std::printf("Sound device: none opened\n");
        return;
    }
    std::printf("Sound device: driver %s%s, %u frames per buffer at %u Hz: %.1f ms latency\n",
                out->DriverName().c_str(), out->IsSilentFallback() ? " (silent fallback)" : "",
                out->BufferFrames(), out->Frequency(),
                1000.0 * out->BufferFrames() / out->Frequency());
}

} // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / "quib-audio-bench";
    std::filesystem::create_directories(dir);
    DecodeCosts(dir.string());
    SpectrumCost();
    MixCost(dir.string());
    DeviceLatency();
    std::filesystem::remove_all(dir);
    return 0;
}
