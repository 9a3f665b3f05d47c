// The services a disk runs on: window, graphics context, audio output, clock and messages.
#pragma once

#include "host/audio/AudioOutput.h"
#include "host/gfx/GfxContext.h"
#include "host/window/Window.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quib {

// The program runs on a desktop (a window, its context, the sound device, the wall clock);
// rendering tools and tests run headless (no window, an offscreen context, the offline audio
// output, a clock they advance). The application only sees this interface.
class AppHost {
public:
    virtual ~AppHost() = default;

    // The desktop's size in pixels: the back buffer's size and the full-desktop mode's.
    virtual void DesktopSize(int& width, int& height) = 0;
    // Pixels a window gives each pixel of a disk's window size (2 on a desktop scaled twice);
    // known once DesktopSize was asked.
    virtual int DisplayScale() const = 0;
    // A hidden window with the given title and client size; null when the host has no window
    // (headless, not a failure) or, with a message in `error`, when it cannot be made.
    virtual std::unique_ptr<Window> CreateWindow(const std::string& title, int clientWidth,
                                                 int clientHeight, bool maximizable,
                                                 std::string& error) = 0;
    // The context to draw with, current on the calling thread: the window's, or an offscreen
    // one when `window` is null. Null with a message in `error`.
    virtual std::unique_ptr<GfxContext> CreateContext(Window* window, int clientWidth,
                                                      int clientHeight, std::string& error) = 0;
    // Never null.
    virtual std::unique_ptr<AudioOutput> OpenAudio() = 0;
    // Milliseconds of wall-clock time since some fixed moment (the overlay page's clock).
    virtual int32_t ClockMs() = 0;
    // A message the user must see: a message box where a display exists, stderr always.
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
};

} // namespace quib
