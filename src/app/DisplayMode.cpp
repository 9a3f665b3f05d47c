// The display: the window, its graphics context and device, and the switch between window mode
// and the full desktop.
#include "app/DisplayMode.h"

#include "app/AppHost.h"
#include "app/StartupTimings.h"
#include "description/DescriptionModel.h"
#include "host/gfx/GfxDeviceGl.h"
#include "platform/TextDecoding.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace quib {

DisplayMode::DisplayMode(AppHost& host) : host(host) {
    host.DesktopSize(desktopWidth, desktopHeight);
}

void DisplayMode::Configure(const DescriptionHeader& header) {
    title = header.title;
    windowed = header.windowed != 0;
    allowToggle = header.allowToggle != 0;
    aspect = header.aspect;
    previousAspect = header.aspect;
    windowedAspect = header.aspect;
    windowHeight = header.windowHeight;
}

void DisplayMode::WindowedClientSize(int& width, int& height) const {
    if (!WindowHasArea(windowHeight, windowedAspect.load())) {
        width = kFallbackWindowWidth;
        height = kFallbackWindowHeight;
        return;
    }
    width = static_cast<int>(static_cast<float>(windowHeight) * windowedAspect.load());
    height = windowHeight;
}

bool DisplayMode::Create() {
    windowedAspect = aspect.load();
    if (windowed.load() && !WindowHasArea(windowHeight, aspect.load())) {
        // A window of no size opens at 640 x 480, and its effects see that window. A full-desktop
        // disk keeps its header as read: its window is never seen, and the first switch tells
        // the effects what it always told them.
        windowHeight = kFallbackWindowHeight;
        aspect = previousAspect = windowedAspect =
            static_cast<float>(kFallbackWindowWidth) / kFallbackWindowHeight;
    }
    // The disk counts its window in pixels of an unscaled desktop; on a scaled one the window,
    // and so everything drawn in it, text included, has that many times the pixels.
    windowHeight = static_cast<int32_t>(std::clamp<int64_t>(
        int64_t{windowHeight} * std::max(host.DisplayScale(), 1), INT32_MIN, INT32_MAX));
    // The window wants UTF-8; description strings are UTF-8 or Windows-1252.
    const std::string text = DecodeTextToUtf8(title);
    const std::string windowTitle =
        allowToggle ? text + " (press alt+enter to toggle fullscreen)" : text;
    int w = 0;
    int h = 0;
    WindowedClientSize(w, h);
    std::string error;
    window = host.CreateWindow(windowTitle, w, h, allowToggle, error);
    if (!error.empty()) {
        std::fprintf(stderr, "quib: no window: %s\n", error.c_str());
    }
    if (!windowed.load()) {
        // The device is made for window mode; the first frame switches to the full desktop.
        windowed = true;
        toggleRequest = true;
    }
    {
        const StartupTimings::Step step("graphics context (EGL)");
        context = host.CreateContext(window.get(), w, h, error);
    }
    if (!context) {
        std::fprintf(stderr, "quib: %s\n", error.c_str());
        host.ShowMessage("Fatal Error", "Failed to create Direct3D Object");
        return false;
    }
    {
        const StartupTimings::Step step("graphics device (shader compile)");
        device = GfxDeviceGl::Create(*context, desktopWidth, desktopHeight, error);
    }
    if (!device) {
        std::fprintf(stderr, "quib: %s\n", error.c_str());
        host.ShowMessage("Fatal Error", "Failed to create Direct3D Device");
        return false;
    }
    return true;
}

void DisplayMode::Destroy() {
    device.reset();
    context.reset();
}

void DisplayMode::Toggle() {
    windowed = !windowed.load();
    previousAspect = aspect.load();
    if (!windowed.load()) {
        if (window) {
            window->RequestFullDesktop();
        }
        aspect = static_cast<float>(desktopWidth) / static_cast<float>(desktopHeight);
    } else {
        aspect = windowedAspect.load();
        if (window) {
            int w = 0;
            int h = 0;
            WindowedClientSize(w, h);
            window->RequestWindowMode(w, h);
        }
    }
}

bool DisplayMode::TakeAspectChange(float& previous, float& now) {
    previous = previousAspect.load();
    now = aspect.load();
    if (previous == 0.0f || previous == now) {
        return false;
    }
    previousAspect = now;
    return true;
}

} // namespace quib
