// The effect tests' stand-in for the running disk: every value an effect reads is a field the
// test sets, and every command and flag the effect takes is recorded.
#pragma once

#include "effects/EffectHost.h"
#include "effects/TextureStore.h"
#include "host/text/TextRenderer.h"

#include <algorithm>
#include <array>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace quib::test {

class FakeEffectHost final : public EffectHost {
public:
    explicit FakeEffectHost(GfxDevice* device) : textures(device) {}

    float MouseX() const override { return mouseX; }
    float MouseY() const override { return mouseY; }
    bool MouseDown() const override { return mouseDown; }
    bool Windowed() const override { return windowed; }
    int32_t WindowHeight() const override { return windowHeight; }
    float Aspect() const override { return aspect; }
    int32_t DesktopWidth() const override { return desktopWidth; }
    int32_t DesktopHeight() const override { return desktopHeight; }
    int32_t CurrentSong() const override { return currentSong; }
    std::string CurrentSongTitle() const override { return songTitle; }
    bool UserStopped() const override { return userStopped; }
    int32_t GetPlaybackPosition() const override { return position; }
    int64_t CurrentSongLength() const override { return length; }
    ChannelState CurrentChannelState() const override { return channelState; }
    float MasterVolume() const override { return volume; }
    bool CurrentSpectrum(float* magnitudes) const override {
        std::copy(spectrum.begin(), spectrum.end(), magnitudes);
        return currentSong != -1;
    }
    void ExecuteCommand(int32_t code, int32_t argument) override {
        commands.emplace_back(code, argument);
    }
    bool ConsumeEventFlag(int32_t n) override { return raisedFlags.erase(n) != 0; }
    TextRenderer& Text() override {
        if (!text) {
            text = std::make_unique<TextRenderer>();
        }
        return *text;
    }
    TextureStore& Textures() override { return textures; }

    float mouseX = -1.0f;
    float mouseY = 1.0f;
    bool mouseDown = false;
    bool windowed = true;
    int32_t windowHeight = 480;
    float aspect = 1.778f;
    int32_t desktopWidth = 1920;
    int32_t desktopHeight = 1080;
    int32_t currentSong = 0;
    std::string songTitle = "Song";
    bool userStopped = false;
    int32_t position = 0;
    int64_t length = 0;
    ChannelState channelState = ChannelState::Playing;
    float volume = 1.0f;
    std::array<float, kSpectrumBins> spectrum{};
    std::vector<std::pair<int32_t, int32_t>> commands; // (code, argument), in order
    std::set<int32_t> raisedFlags;
    TextureStore textures;
    std::unique_ptr<TextRenderer> text;
};

} // namespace quib::test
