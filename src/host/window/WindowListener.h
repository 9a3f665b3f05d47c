// What the window reports to its owner while events are pumped on the main thread.
#pragma once

namespace quib {

// The keys the disk reacts to, and those a program driving it adds (F5 and Control with the
// left or right arrow); other keys are not reported.
enum class WindowKey {
    Enter,
    Escape,
    F4,
    F5,
    CtrlLeft,
    CtrlRight,
};

// Every call arrives on the main thread, inside Window::PumpEvents. The defaults ignore the
// event, so a listener overrides what it needs.
class WindowListener {
public:
    virtual ~WindowListener() = default;

    // Client-area pixels, (0, 0) at the top-left corner; may lie outside the client area.
    virtual void OnMouseMove(int /*x*/, int /*y*/) {}
    virtual void OnLeftButton(bool /*down*/) {}
    // altHeld: an Alt key was down when the key went down. Repeats are reported again.
    virtual void OnKeyDown(WindowKey /*key*/, bool /*altHeld*/) {}
    // The user asked to close the window (close button, window manager, session end).
    virtual void OnCloseRequest() {}
    // The connection to the display broke (its compositor went away): nothing drawn reaches
    // it any more, no event will come; reported once.
    virtual void OnDisplayLost() {}
    // The user maximised the window (the owner answers with a display-mode request; a later
    // RequestWindowMode restores the window from its maximised state).
    virtual void OnMaximizeRequest() {}
    virtual void OnClientSizeChanged(int /*width*/, int /*height*/) {}
};

} // namespace quib
