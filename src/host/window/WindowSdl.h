// The window on SDL2 (X11 or Wayland), with its OpenGL context made by SDL.
#pragma once

#include "host/window/Window.h"

#include <memory>
#include <string>

namespace quib {

struct WindowSettings {
    std::string title = "quib"; // UTF-8
    // In pixels, on a scaled Wayland output too (the window is then that many units smaller).
    int clientWidth = 640;
    int clientHeight = 480;
    // Offer a maximise button (its use is reported, never carried out by the window).
    bool maximizable = false;
};

class WindowSdl final : public Window {
public:
    // The size in pixels of the desktop the window will open on, and its scale: how many
    // pixels a window gives each of the pixels a disk's window size counts. On Wayland the
    // scale is the output's, which SDL gives windows in pixels for each unit of their size; on
    // X11 it is the desktop's GDK_SCALE (a whole number from 1 to 4) where it is set; else 1.
    // False with a message in `error` when no display can be opened.
    static bool QueryDesktopSize(int& width, int& height, int& scale, std::string& error);
    // A hidden window with the given client size, centred on the desktop. Null with a message
    // in `error` when no display can be opened or the window cannot be made.
    static std::unique_ptr<WindowSdl> Create(const WindowSettings& settings, std::string& error);
    ~WindowSdl() override;

    void Show() override;
    void SetTitle(const std::string& title) override;
    void SetIcon(int width, int height, const uint32_t* argb) override;
    void PumpEvents(WindowListener& listener, int timeoutMs) override;
    std::unique_ptr<GfxContext> CreateGfxContext(std::string& error) override;
    void RequestFullDesktop() override;
    void RequestWindowMode(int clientWidth, int clientHeight) override;
    void Wake() override;
    void ClientSize(int& width, int& height) const override;
    void DesktopSize(int& width, int& height) const override;
    bool IsVisible() const override;
    bool IsFullDesktop() const override;

private:
    struct State;
    explicit WindowSdl(std::unique_ptr<State> state);
    std::unique_ptr<State> state;
};

} // namespace quib
