// A program that drives the running disk from outside its description (the authoring tool's
// live preview).
#pragma once

#include "host/window/WindowListener.h"

namespace quib {

// The main thread hands it the keys and a turn after every event pump; the render thread
// hands it a turn at the start of each frame, before the frame reads the song position, and
// another after the pages are drawn, to draw over them. A frame driven headless calls the
// render thread's two in the same order. The device objects it draws with are released when
// the application tears down, before the display goes.
class DiskDriver {
public:
    virtual ~DiskDriver() = default;
    // Every key the window reports, after the disk has seen it (main thread).
    virtual void OnKey(WindowKey key) = 0;
    // After each event pump: at least ten times a second (main thread).
    virtual void OnPump() = 0;
    // Render thread.
    virtual void OnFrame() = 0;
    virtual void DrawOverPages() = 0;
    // On the thread that holds the context, before the device is destroyed.
    virtual void ReleaseResources() = 0;
};

} // namespace quib
