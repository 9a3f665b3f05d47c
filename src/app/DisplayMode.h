// The display: the window, its graphics context and device, and the switch between window mode
// and the full desktop.
#pragma once

#include "host/gfx/GfxContext.h"
#include "host/gfx/GfxDevice.h"
#include "host/window/Window.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace quib {

class AppHost;
struct DescriptionHeader;

// Made on the main thread; switched on the render thread when a switch was requested (from
// the main thread's input). The mode and the aspect, which both threads read, are atomics.
class DisplayMode {
public:
    // Takes the desktop's size from the host.
    explicit DisplayMode(AppHost& host);
    DisplayMode(const DisplayMode&) = delete;
    DisplayMode& operator=(const DisplayMode&) = delete;

    // The description header's display settings: title, mode, toggling, aspect (also the
    // previous and the windowed aspect) and client height.
    void Configure(const DescriptionHeader& header);
    // The window (hidden), its context and the device; the window height is taken times the
    // host's display scale. False after the fatal message when the
    // context or the device cannot be made.
    bool Create();
    // Releases the device, then the context.
    void Destroy();

    // Switches between window mode and the full desktop and sets the new aspect; the previous
    // one is kept for the aspect fan-out (render thread).
    void Toggle();
    // True, with the aspects before and after, when effects have a real aspect change to hear
    // of (a previous aspect of 0 never counts); the change is then taken as heard.
    bool TakeAspectChange(float& previous, float& now);

    // A switch requested from input, carried out by the next frame.
    void RequestToggle() { toggleRequest = true; }
    bool ToggleRequested() const { return toggleRequest.load(); }
    void ClearToggleRequest() { toggleRequest = false; }

    // Client size of window mode: windowHeight x aspect (truncated) by windowHeight, or 640 x 480
    // when that has no area (a header that leaves either at 0).
    void WindowedClientSize(int& width, int& height) const;

    Window* GetWindow() const { return window.get(); }
    // The window is minimised or otherwise not shown (a headless run has none to hide).
    bool WindowHidden() const { return window && !window->IsVisible(); }
    GfxContext* Context() const { return context.get(); }
    GfxDevice* Device() const { return device.get(); }
    const std::string& Title() const { return title; }
    bool Windowed() const { return windowed.load(); }
    bool AllowToggle() const { return allowToggle; }
    float Aspect() const { return aspect.load(); }
    float PreviousAspect() const { return previousAspect.load(); }
    float WindowedAspect() const { return windowedAspect.load(); }
    int32_t WindowHeight() const { return windowHeight; }
    int32_t DesktopWidth() const { return desktopWidth; }
    int32_t DesktopHeight() const { return desktopHeight; }

private:
    AppHost& host;
    std::unique_ptr<Window> window;
    std::unique_ptr<GfxContext> context;
    std::unique_ptr<GfxDevice> device;
    std::string title{"quib"};
    std::atomic<bool> windowed{true};
    bool allowToggle = false;
    std::atomic<float> aspect{1.778f};
    std::atomic<float> previousAspect{1.778f};
    std::atomic<float> windowedAspect{1.778f};
    int32_t windowHeight = 480;
    int desktopWidth = 0;
    int desktopHeight = 0;
    std::atomic<bool> toggleRequest{false};
};

} // namespace quib
