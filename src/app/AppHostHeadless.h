// The services of headless runs: no window, an offscreen context, the offline audio output
// and a clock that the caller sets.
#pragma once

#include "app/AppHost.h"
#include "host/audio/AudioOutputOffline.h"

#include <string>
#include <thread>
#include <vector>

namespace quib {

class GfxContextEgl;

struct HeadlessSettings {
    int desktopWidth = 1920;
    int desktopHeight = 1080;
    // The client area that frames are presented to; 0 x 0: the size the disk asks for.
    int clientWidth = 0;
    int clientHeight = 0;
    int scale = 1; // of the desktop (see AppHost::DisplayScale)
};

class AppHostHeadless final : public AppHost {
public:
    // Starts opening the display the context is made on, on a thread of its own.
    explicit AppHostHeadless(const HeadlessSettings& settings = {});

    void DesktopSize(int& width, int& height) override;
    int DisplayScale() const override { return settings.scale; }
    // Always null: headless runs have no window. The title is kept.
    std::unique_ptr<Window> CreateWindow(const std::string& title, int clientWidth,
                                         int clientHeight, bool maximizable,
                                         std::string& error) override;
    std::unique_ptr<GfxContext> CreateContext(Window* window, int clientWidth, int clientHeight,
                                              std::string& error) override;
    std::unique_ptr<AudioOutput> OpenAudio() override;
    int32_t ClockMs() override { return clockMs; }
    // Writes to standard error and keeps the text.
    void ShowMessage(const std::string& caption, const std::string& text) override;

    void SetClockMs(int32_t ms) { clockMs = ms; }
    // The output and context made by the last OpenAudio and CreateContext (owned by the
    // application); null before.
    AudioOutputOffline* Audio() const { return audio; }
    GfxContextEgl* Context() const { return context; }
    // The title the disk asked its window to have.
    const std::string& WindowTitle() const { return windowTitle; }
    // "caption: text" of every message shown, in order.
    const std::vector<std::string>& Messages() const { return messages; }

private:
    HeadlessSettings settings;
    int32_t clockMs = 0;
    AudioOutputOffline* audio = nullptr;
    GfxContextEgl* context = nullptr;
    std::vector<std::string> messages;
    std::string windowTitle;
    std::jthread displayAhead; // opening the display while the disk is read
};

} // namespace quib
