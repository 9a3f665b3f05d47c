// The disk's one window: two display modes, input through a listener, and its GL context.
#pragma once

#include "host/gfx/GfxContext.h"
#include "host/window/WindowListener.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quib {

// Threads: the main thread creates the window, pumps its events and destroys it; Show,
// SetTitle, SetIcon, PumpEvents and CreateGfxContext belong to it. The Request*
// calls, Wake and the queries may come from any thread: requests are carried out by the main
// thread at its next PumpEvents.
//
// Sizes and pointer positions are in pixels, the ones drawn: on a scaled Wayland output, where
// the compositor counts a window in logical units, the window turns them into pixels.
class Window {
public:
    virtual ~Window() = default;

    virtual void Show() = 0;
    // UTF-8.
    virtual void SetTitle(const std::string& title) = 0;
    // width x height ARGB words, top row first.
    virtual void SetIcon(int width, int height, const uint32_t* argb) = 0;

    // Waits up to timeoutMs for events (0: do not wait), carries out pending requests and
    // delivers every waiting event to the listener.
    virtual void PumpEvents(WindowListener& listener, int timeoutMs) = 0;

    // A 3.3 core context for this window, current on the calling (main) thread afterwards.
    // One per window; it must be destroyed before the window. Null with a message in `error`.
    virtual std::unique_ptr<GfxContext> CreateGfxContext(std::string& error) = 0;

    // Full-desktop mode: borderless, covering the whole desktop. Window mode: decorated, with a
    // client area of the given size, centred on the desktop. The GL context and everything
    // made with it stay as they are.
    virtual void RequestFullDesktop() = 0;
    virtual void RequestWindowMode(int clientWidth, int clientHeight) = 0;
    // Makes a waiting PumpEvents return early.
    virtual void Wake() = 0;

    virtual void ClientSize(int& width, int& height) const = 0;
    virtual void DesktopSize(int& width, int& height) const = 0;
    virtual bool IsVisible() const = 0;
    virtual bool IsFullDesktop() const = 0;
};

} // namespace quib
