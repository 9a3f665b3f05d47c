// An OpenGL context and the surface it presents to: a window, or nothing when headless.
#pragma once

#include <cstdint>

namespace quib {

// Made current on one thread at a time. The owner creates it on the main thread (where it is
// current afterwards), releases it there, makes it current on the render thread for drawing,
// and takes it back on the main thread before destroying anything made with it.
class GfxContext {
public:
    virtual ~GfxContext() = default;

    // Make current on the calling thread / release it from the calling thread.
    virtual bool MakeCurrent() = 0;
    virtual void ReleaseCurrent() = 0;

    // The framebuffer that presentation draws into (0 for a window's own surface) and its size
    // in pixels: the window's client area.
    virtual uint32_t PresentFramebuffer() const = 0;
    virtual void ClientSize(int& width, int& height) const = 0;
    // Shows what was drawn into PresentFramebuffer().
    virtual void SwapBuffers() = 0;
    // True when SwapBuffers waits for vertical sync (as set when last made current).
    virtual bool HasVsync() const = 0;
    // Frames per second to cap presentation at when there is no vertical sync; 0: no cap.
    virtual int RefreshRate() const = 0;
};

} // namespace quib
