// Input and commands: the pointer and keys the window reports, the player commands effects
// send, and the event flags that open and close toggled elements.
#include "app/InputCommands.h"

#include "app/DisplayMode.h"
#include "app/Player.h"
#include "description/PlayerCommand.h"

#include <cmath>

namespace quib {

void InputCommands::MovePointer(int x, int y) {
    float w = static_cast<float>(display.DesktopWidth());
    float h = static_cast<float>(display.DesktopHeight());
    int clientWidth = display.DesktopWidth();
    int clientHeight = display.DesktopHeight();
    if (display.Windowed()) {
        // The reference width rounds half up where the client width truncates.
        const float exact = static_cast<float>(display.WindowHeight()) * display.Aspect();
        w = std::floor(exact);
        if (exact - w >= 0.5f) {
            w = std::ceil(exact);
        }
        h = static_cast<float>(display.WindowHeight());
        display.WindowedClientSize(clientWidth, clientHeight);
    }
    // The picture is stretched over the client area the window really has; a window manager
    // may impose another size than the one asked for, so the pointer is first taken back to
    // the size asked for.
    auto px = static_cast<float>(x);
    auto py = static_cast<float>(y);
    int realWidth = 0;
    int realHeight = 0;
    if (display.Context() != nullptr) {
        display.Context()->ClientSize(realWidth, realHeight);
    }
    if (realWidth > 0 && realHeight > 0 &&
        (realWidth != clientWidth || realHeight != clientHeight)) {
        px = px * static_cast<float>(clientWidth) / static_cast<float>(realWidth);
        py = py * static_cast<float>(clientHeight) / static_cast<float>(realHeight);
    }
    mouseX = px / w * 2.0f - 1.0f;
    mouseY = 1.0f - 2.0f * (py / h);
}

void InputCommands::KeyDown(WindowKey key, bool altHeld) {
    switch (key) {
    case WindowKey::Enter:
        if (display.AllowToggle() && altHeld) {
            display.RequestToggle();
        }
        break;
    case WindowKey::Escape:
        quit();
        break;
    case WindowKey::F4:
        if (altHeld) {
            quit();
        }
        break;
    case WindowKey::F5:
    case WindowKey::CtrlLeft:
    case WindowKey::CtrlRight:
        break; // not the disk's: the player has no keyboard shortcuts
    }
}

void InputCommands::ExecuteCommand(int32_t code, int32_t argument) {
    switch (static_cast<PlayerCommand>(static_cast<uint32_t>(code))) {
    case PlayerCommand::Play:
        player.Play();
        break;
    case PlayerCommand::PauseResume:
        player.PauseResume();
        break;
    case PlayerCommand::Stop:
        player.Stop();
        break;
    case PlayerCommand::Previous:
        player.Previous();
        break;
    case PlayerCommand::Next:
        player.Next();
        break;
    case PlayerCommand::SelectSong:
        player.SelectSong(argument);
        break;
    case PlayerCommand::SetVolume:
        player.SetVolume(argument);
        break;
    case PlayerCommand::RaiseEventFlag:
        RaiseEventFlag(argument);
        break;
    case PlayerCommand::Exit:
        quit();
        break;
    }
}

void InputCommands::RaiseEventFlag(int32_t n) {
    if (n < 0 || n >= kMaxEventFlags) {
        return;
    }
    if (static_cast<size_t>(n) >= eventFlags.size()) {
        eventFlags.resize(static_cast<size_t>(n) + 1, false);
    }
    eventFlags[n] = true;
}

bool InputCommands::ConsumeEventFlag(int32_t n) {
    if (static_cast<uint32_t>(n) >= eventFlags.size() || !eventFlags[n]) {
        return false;
    }
    eventFlags[n] = false;
    return true;
}

} // namespace quib
