// The services of the real program: an SDL window and its context, the sound device, the
// wall clock and message boxes.
#include "app/AppHostDesktop.h"

#include "host/audio/AudioOutputSdl.h"
#include "host/window/MessageBox.h"
#include "host/window/WindowSdl.h"

#include <cstdio>

namespace quib {

AppHostDesktop::AppHostDesktop() : start(std::chrono::steady_clock::now()) {}

void AppHostDesktop::DesktopSize(int& width, int& height) {
    std::string error;
    if (!WindowSdl::QueryDesktopSize(width, height, scale, error)) {
        // Without a display nothing can be shown; the window's creation reports it.
        width = 0;
        height = 0;
        scale = 1;
    }
}

std::unique_ptr<Window> AppHostDesktop::CreateWindow(const std::string& title, int clientWidth,
                                                     int clientHeight, bool maximizable,
                                                     std::string& error) {
    WindowSettings settings;
    settings.title = title;
    settings.clientWidth = clientWidth;
    settings.clientHeight = clientHeight;
    settings.maximizable = maximizable;
    return WindowSdl::Create(settings, error);
}

std::unique_ptr<GfxContext> AppHostDesktop::CreateContext(Window* window, int, int,
                                                          std::string& error) {
    if (window == nullptr) {
        error = "there is no window to draw in";
        return nullptr;
    }
    return window->CreateGfxContext(error);
}

std::unique_ptr<AudioOutput> AppHostDesktop::OpenAudio() {
    return AudioOutputSdl::Open();
}

int32_t AppHostDesktop::ClockMs() {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return static_cast<int32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void AppHostDesktop::ShowMessage(const std::string& caption, const std::string& text) {
    ShowMessageBox(caption, text);
}

} // namespace quib
