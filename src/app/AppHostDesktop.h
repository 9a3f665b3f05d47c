// The services of the real program: an SDL window and its context, the sound device, the
// wall clock and message boxes.
#pragma once

#include "app/AppHost.h"

#include <chrono>

namespace quib {

class AppHostDesktop final : public AppHost {
public:
    AppHostDesktop();

    void DesktopSize(int& width, int& height) override;
    int DisplayScale() const override { return scale; }
    std::unique_ptr<Window> CreateWindow(const std::string& title, int clientWidth,
                                         int clientHeight, bool maximizable,
                                         std::string& error) override;
    std::unique_ptr<GfxContext> CreateContext(Window* window, int clientWidth, int clientHeight,
                                              std::string& error) override;
    std::unique_ptr<AudioOutput> OpenAudio() override;
    int32_t ClockMs() override;
    void ShowMessage(const std::string& caption, const std::string& text) override;

private:
    std::chrono::steady_clock::time_point start;
    int scale = 1;
};

} // namespace quib
