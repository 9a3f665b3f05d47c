// The sound-device output on SDL's dummy driver: it opens, falls back when the requested
// driver is missing, advances in real time, and takes control calls while it mixes.
#include "host/audio/AudioOutputSdl.h"

#include "host/audio/TuneFixture.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace quib {
namespace {

using Clock = std::chrono::steady_clock;

class AudioSdl : public test::TuneFixture {
protected:
    void TearDown() override {
        unsetenv("SDL_AUDIODRIVER");
        TuneFixture::TearDown();
    }
};

TEST_F(AudioSdl, DummyDriverOpensAndAdvancesInRealTime) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto out = AudioOutputSdl::Open();
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(out->IsRunning());
    EXPECT_EQ(out->DriverName(), "dummy");
    EXPECT_FALSE(out->IsSilentFallback());
    EXPECT_EQ(out->Frequency(), AudioOutput::kFrequency);
    EXPECT_GT(out->BufferFrames(), 0u);

    const AudioHandle h = out->LoadModule(tune_.c_str(), kAudioLoop);
    ASSERT_NE(h, 0u);
    const auto start = Clock::now();
    out->Play(h, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const uint64_t frames = out->GetPosition(h) / 4;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(out->GetState(h), ChannelState::Playing);
    EXPECT_GT(frames, 0u);
    // Never ahead of the clock by more than the buffers SDL mixes in advance.
    EXPECT_LE(frames, elapsed * 44100 + 4 * out->BufferFrames());

    // Paused, the position holds while the device keeps running. A chunk the device was
    // mixing when the pause came is still played and counted, so the position settles first.
    out->Pause(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const uint64_t paused = out->GetPosition(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(out->GetPosition(h), paused);
}

TEST_F(AudioSdl, MissingDriverFallsBackToTheSilentDevice) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    auto out = AudioOutputSdl::Open();
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->IsRunning());
    EXPECT_TRUE(out->IsSilentFallback());
    EXPECT_EQ(out->DriverName(), "dummy");
    const AudioHandle h = out->LoadModule(tune_.c_str(), 0);
    out->Play(h, true);
    // The tune (under a second) plays to its end on the silent device.
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (out->GetState(h) == ChannelState::Playing && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(out->GetState(h), ChannelState::Stopped);
    EXPECT_EQ(out->GetPosition(h), test::kTuneFrames * 4);
}

TEST_F(AudioSdl, ControlCallsWhileTheDeviceMixes) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    auto out = AudioOutputSdl::Open();
    ASSERT_TRUE(out->IsRunning());
    float spectrum[kSpectrumBins];
    for (int round = 0; round < 40; ++round) {
        const AudioHandle a = out->LoadModule(tune_.c_str(), kAudioLoop);
        const AudioHandle b = out->LoadModule(tune_.c_str(), 0);
        ASSERT_NE(a, 0u);
        ASSERT_NE(b, 0u);
        out->Play(a, true);
        out->Play(b, true);
        for (int i = 0; i < 50; ++i) {
            out->Play(a, i % 7 == 0);
            out->GetPosition(a);
            out->GetSpectrum(b, spectrum);
            out->SetVolume(static_cast<float>(i % 3) / 2.0f);
            if (i % 5 == 0) {
                out->Pause(b);
            } else {
                out->Play(b, false);
            }
            std::this_thread::yield();
        }
        // Freed while playing: the mixer lets go of them first.
        EXPECT_TRUE(out->FreeModule(a));
        EXPECT_TRUE(out->FreeModule(b));
        EXPECT_EQ(out->GetState(a), ChannelState::Stopped);
    }
}

} // namespace
} // namespace quib
