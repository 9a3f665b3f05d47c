// Input and commands: the pointer and keys the window reports, the player commands effects
// send, and the event flags that open and close toggled elements.
#pragma once

#include "host/window/WindowListener.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace quib {

class DisplayMode;
class Player;

// The pointer and keys are recorded on the main thread and read on the render thread (the
// pointer fields are atomics); commands and event flags run on the render thread only.
class InputCommands {
public:
    // `quit` runs the orderly quit (Escape, Alt+F4, command 8).
    InputCommands(Player& player, DisplayMode& display, std::function<void()> quit)
        : player(player), display(display), quit(std::move(quit)) {}
    InputCommands(const InputCommands&) = delete;
    InputCommands& operator=(const InputCommands&) = delete;

    // Client pixels to normalised device coordinates, against the window's reference size in
    // window mode and the desktop's in full-desktop mode.
    void MovePointer(int x, int y);
    void SetButton(bool down) { mouseDown = down; }
    // Alt+Enter requests a display switch when the disk allows it; Escape and Alt+F4 quit.
    void KeyDown(WindowKey key, bool altHeld);

    float MouseX() const { return mouseX.load(); }
    float MouseY() const { return mouseY.load(); }
    bool MouseDown() const { return mouseDown.load(); }

    // A player command (the PlayerCommand codes); unknown codes do nothing.
    void ExecuteCommand(int32_t code, int32_t argument);
    void RaiseEventFlag(int32_t n); // ignored for negative numbers and from kMaxEventFlags on
    bool ConsumeEventFlag(int32_t n);

private:
    Player& player;
    DisplayMode& display;
    std::function<void()> quit;
    std::atomic<float> mouseX{-1.0f};
    std::atomic<float> mouseY{1.0f};
    std::atomic<bool> mouseDown{false};
    std::vector<bool> eventFlags;
};

} // namespace quib
