// The SDL2 window: creation, display modes carried out on the main thread, event delivery.
//
// Sections: SDL start-up; creation; main-thread operations; requests; event delivery.
#include "host/window/WindowSdl.h"

#include "host/window/GfxContextSdl.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <wayland-client-core.h>

namespace quib {

namespace {

// Codes of the user event that carries requests from other threads to the main thread.
enum RequestCode : Sint32 {
    WakeRequest,
    FullDesktopRequest,
    WindowModeRequest,
};

// SDL start-up

std::string NoDisplayText(const char* what) {
    std::string text = std::string("cannot open a window: ") + what + ": " + SDL_GetError();
    if (SDL_getenv("DISPLAY") == nullptr && SDL_getenv("WAYLAND_DISPLAY") == nullptr) {
        text += " (no display: neither DISPLAY nor WAYLAND_DISPLAY is set)";
    }
    return text;
}

bool StartVideo(std::string& error) {
    // Behave like a desktop window: keep the full-desktop window when focus leaves, let the
    // click that activates the window reach it, and leave closing to the owner.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Native on a Wayland desktop, where SDL would otherwise pick its X11 compatibility
    // server first; X11 when the compositor cannot be reached. A driver the user names wins.
    if (SDL_getenv("SDL_VIDEODRIVER") == nullptr && SDL_getenv("WAYLAND_DISPLAY") != nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland,x11");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = NoDisplayText("SDL video start-up failed");
        return false;
    }
    return true;
}

// Pixels SDL gives a window for each unit of its size: on a scaled Wayland output, where sizes
// and pointer positions count the compositor's logical pixels, the output's scale; 1 on X11.
// Read from a hidden window that is never shown.
int PixelsPerUnit() {
    constexpr int kProbeSize = 64;
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, kProbeSize, kProbeSize,
                                         SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
    if (probe == nullptr) {
        return 1;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSizeInPixels(probe, &width, &height);
    SDL_DestroyWindow(probe);
    return std::max(1, (width + kProbeSize / 2) / kProbeSize);
}

// The desktop's size in pixels and the pixels per unit of a window's size.
bool DesktopPixels(SDL_DisplayMode& mode, int& pixelsPerUnit, std::string& error) {
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        error = NoDisplayText("the desktop size is unknown");
        return false;
    }
    pixelsPerUnit = PixelsPerUnit();
    mode.w *= pixelsPerUnit;
    mode.h *= pixelsPerUnit;
    return true;
}

// Pixels to SDL's units of a window's size, to the nearest unit, at least one.
int ToUnits(int pixels, int pixelsPerUnit) {
    return std::max(1, (pixels + pixelsPerUnit / 2) / pixelsPerUnit);
}

} // namespace

struct WindowSdl::State {
    SDL_Window* window = nullptr;
    Uint32 requestEvent = 0;
    int desktopWidth = 0;
    int desktopHeight = 0;
    int refreshRate = 60;
    // In pixels, what the window draws in.
    std::atomic<int> clientWidth{0};
    std::atomic<int> clientHeight{0};
    std::atomic<bool> visible{false};
    std::atomic<bool> fullDesktop{false};
    // Main thread only: pixels per unit of SDL's window sizes and pointer positions, as the
    // window has them now; the client size of window mode as last asked for, and the last other
    // size the window was given back from (see KeepWindowedSize), in SDL's units.
    int pixelsPerUnit = 1;
    int windowedWidth = 0;
    int windowedHeight = 0;
    int refusedWidth = 0;
    int refusedHeight = 0;
    // Main thread only: the compositor's connection on Wayland (null on X11, where Xlib ends
    // the process when its server goes away), and whether its loss was reported.
    wl_display* waylandDisplay = nullptr;
    bool lossReported = false;

    void PushRequest(RequestCode code, int width = 0, int height = 0) const {
        SDL_Event event{};
        event.type = requestEvent;
        event.user.code = code;
        event.user.data1 = reinterpret_cast<void*>(static_cast<intptr_t>(width));
        event.user.data2 = reinterpret_cast<void*>(static_cast<intptr_t>(height));
        SDL_PushEvent(&event);
    }

    // Takes the client size in pixels from SDL's size in units of `width` x `height`.
    void TakeClientSize(int width, int height);
    void CarryOut(const SDL_UserEvent& request);
    void KeepWindowedSize(int width, int height);
    void Deliver(const SDL_Event& event, WindowListener& listener);
    bool DisplayLost() const {
        return waylandDisplay != nullptr && wl_display_get_error(waylandDisplay) != 0;
    }
};

// Creation

bool WindowSdl::QueryDesktopSize(int& width, int& height, int& scale, std::string& error) {
    if (!StartVideo(error)) {
        return false;
    }
    SDL_DisplayMode mode{};
    scale = 1;
    const bool ok = DesktopPixels(mode, scale, error);
    if (ok) {
        width = mode.w;
        height = mode.h;
    }
    // SDL's X11 driver gives windows no more pixels than units; a scaled X11 desktop says its
    // scale in GDK_SCALE.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* desktopScale = SDL_getenv("GDK_SCALE");
    if (scale == 1 && driver != nullptr && SDL_strcmp(driver, "x11") == 0 &&
        desktopScale != nullptr && desktopScale[0] >= '1' && desktopScale[0] <= '4' &&
        desktopScale[1] == '\0') {
        scale = desktopScale[0] - '0';
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return ok;
}

std::unique_ptr<WindowSdl> WindowSdl::Create(const WindowSettings& settings, std::string& error) {
    if (settings.clientWidth <= 0 || settings.clientHeight <= 0) {
        error = "cannot open a window of " + std::to_string(settings.clientWidth) + "x" +
                std::to_string(settings.clientHeight) + " pixels";
        return nullptr;
    }
    if (!StartVideo(error)) {
        return nullptr;
    }
    // From here the destructor undoes what was done, including the video start-up.
    std::unique_ptr<WindowSdl> result(new WindowSdl(std::make_unique<State>()));
    State& s = *result->state;

    SDL_DisplayMode mode{};
    if (!DesktopPixels(mode, s.pixelsPerUnit, error)) {
        return nullptr;
    }
    s.desktopWidth = mode.w;
    s.desktopHeight = mode.h;
    s.refreshRate = mode.refresh_rate > 0 ? mode.refresh_rate : 60;
    s.requestEvent = SDL_RegisterEvents(1);
    if (s.requestEvent == static_cast<Uint32>(-1)) {
        error = "cannot open a window: no SDL user event is left";
        return nullptr;
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    // Every pixel of a scaled output drawn: the window is sized in units, its drawable has the
    // pixels.
    const Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI |
                         (settings.maximizable ? Uint32{SDL_WINDOW_RESIZABLE} : Uint32{0});
    s.windowedWidth = ToUnits(settings.clientWidth, s.pixelsPerUnit);
    s.windowedHeight = ToUnits(settings.clientHeight, s.pixelsPerUnit);
    s.window = SDL_CreateWindow(settings.title.c_str(), SDL_WINDOWPOS_CENTERED,
                                SDL_WINDOWPOS_CENTERED, s.windowedWidth, s.windowedHeight, flags);
    if (s.window == nullptr) {
        error = NoDisplayText("SDL_CreateWindow failed");
        return nullptr;
    }
    s.TakeClientSize(s.windowedWidth, s.windowedHeight);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(s.window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_WAYLAND) {
        s.waylandDisplay = info.info.wl.display;
    }
    return result;
}

WindowSdl::WindowSdl(std::unique_ptr<State> state) : state(std::move(state)) {}

WindowSdl::~WindowSdl() {
    if (state->window != nullptr) {
        SDL_DestroyWindow(state->window);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// Main-thread operations

void WindowSdl::Show() {
    SDL_ShowWindow(state->window);
    state->visible.store(true);
}

void WindowSdl::SetTitle(const std::string& title) {
    SDL_SetWindowTitle(state->window, title.c_str());
}

void WindowSdl::SetIcon(int width, int height, const uint32_t* argb) {
    if (width <= 0 || height <= 0 || argb == nullptr) {
        return;
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(argb), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (icon != nullptr) {
        SDL_SetWindowIcon(state->window, icon);
        SDL_FreeSurface(icon);
    }
}

std::unique_ptr<GfxContext> WindowSdl::CreateGfxContext(std::string& error) {
    SDL_GLContext context = SDL_GL_CreateContext(state->window);
    if (context == nullptr) {
        error = std::string("cannot create an OpenGL 3.3 core context for the window: ") +
                SDL_GetError();
        return nullptr;
    }
    return std::make_unique<GfxContextSdl>(state->window, context, *this, state->refreshRate);
}

void WindowSdl::PumpEvents(WindowListener& listener, int timeoutMs) {
    SDL_Event event;
    if (timeoutMs > 0 && SDL_WaitEventTimeout(&event, timeoutMs) != 0) {
        state->Deliver(event, listener);
    }
    while (SDL_PollEvent(&event) != 0) {
        state->Deliver(event, listener);
    }
    if (!state->lossReported && state->DisplayLost()) {
        state->lossReported = true;
        listener.OnDisplayLost();
    }
}

// Requests

void WindowSdl::RequestFullDesktop() {
    state->PushRequest(FullDesktopRequest);
}

void WindowSdl::RequestWindowMode(int clientWidth, int clientHeight) {
    state->PushRequest(WindowModeRequest, clientWidth, clientHeight);
}

void WindowSdl::Wake() {
    state->PushRequest(WakeRequest);
}

void WindowSdl::State::CarryOut(const SDL_UserEvent& request) {
    switch (request.code) {
    case FullDesktopRequest:
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        fullDesktop.store(true);
        break;
    case WindowModeRequest: {
        const auto width = static_cast<int>(reinterpret_cast<intptr_t>(request.data1));
        const auto height = static_cast<int>(reinterpret_cast<intptr_t>(request.data2));
        SDL_SetWindowFullscreen(window, 0);
        if ((SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED) != 0) {
            SDL_RestoreWindow(window);
        }
        if (width > 0 && height > 0) {
            windowedWidth = ToUnits(width, pixelsPerUnit);
            windowedHeight = ToUnits(height, pixelsPerUnit);
            SDL_SetWindowSize(window, windowedWidth, windowedHeight);
        }
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        fullDesktop.store(false);
        break;
    }
    default:
        break;
    }
}

void WindowSdl::State::TakeClientSize(int width, int height) {
    int units = 0;
    int pixels = 0;
    int unused = 0;
    SDL_GetWindowSize(window, &units, &unused);
    SDL_GL_GetDrawableSize(window, &pixels, &unused);
    if (units > 0 && pixels > 0) {
        pixelsPerUnit = std::max(1, (pixels + units / 2) / units);
    }
    clientWidth.store(width * pixelsPerUnit);
    clientHeight.store(height * pixelsPerUnit);
}

// A window that offers maximise must be resizable for X11 window managers to offer it, so
// the user could drag it to another size: in window mode, a size the window was not asked
// for is given back, unless the window is maximised (the owner switches to the full desktop
// then). A manager that insists on its size (a tiling one) keeps it after one try; the
// picture is stretched over whatever client area the window has.
void WindowSdl::State::KeepWindowedSize(int width, int height) {
    const bool asked = width == windowedWidth && height == windowedHeight;
    const bool refusedBefore = width == refusedWidth && height == refusedHeight;
    if (asked || refusedBefore || fullDesktop.load() ||
        (SDL_GetWindowFlags(window) & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_FULLSCREEN)) != 0) {
        return;
    }
    refusedWidth = width;
    refusedHeight = height;
    SDL_SetWindowSize(window, windowedWidth, windowedHeight);
}

// Event delivery

void WindowSdl::State::Deliver(const SDL_Event& event, WindowListener& listener) {
    if (event.type == requestEvent) {
        CarryOut(event.user);
        return;
    }
    switch (event.type) {
    case SDL_QUIT:
        // SDL also says quit when the compositor's connection breaks: not the user's request.
        if (!DisplayLost()) {
            listener.OnCloseRequest();
        }
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            listener.OnCloseRequest();
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            listener.OnMaximizeRequest();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            TakeClientSize(event.window.data1, event.window.data2);
            listener.OnClientSizeChanged(clientWidth.load(), clientHeight.load());
            KeepWindowedSize(event.window.data1, event.window.data2);
            break;
        case SDL_WINDOWEVENT_SHOWN:
            visible.store(true);
            break;
        case SDL_WINDOWEVENT_HIDDEN:
            visible.store(false);
            break;
        default:
            break;
        }
        break;
    case SDL_MOUSEMOTION:
        listener.OnMouseMove(event.motion.x * pixelsPerUnit, event.motion.y * pixelsPerUnit);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT) {
            // The pointer is captured while the button is held, so that a release outside the
            // window still arrives and no button or slider stays pressed.
            SDL_CaptureMouse(event.type == SDL_MOUSEBUTTONDOWN ? SDL_TRUE : SDL_FALSE);
            listener.OnLeftButton(event.type == SDL_MOUSEBUTTONDOWN);
        }
        break;
    case SDL_KEYDOWN: {
        const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        switch (event.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            listener.OnKeyDown(WindowKey::Enter, alt);
            break;
        case SDLK_ESCAPE:
            listener.OnKeyDown(WindowKey::Escape, alt);
            break;
        case SDLK_F4:
            listener.OnKeyDown(WindowKey::F4, alt);
            break;
        case SDLK_F5:
            listener.OnKeyDown(WindowKey::F5, alt);
            break;
        case SDLK_LEFT:
        case SDLK_RIGHT:
            if ((event.key.keysym.mod & KMOD_CTRL) != 0) {
                listener.OnKeyDown(event.key.keysym.sym == SDLK_LEFT ? WindowKey::CtrlLeft
                                                                     : WindowKey::CtrlRight,
                                   alt);
            }
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
}

// Queries

void WindowSdl::ClientSize(int& width, int& height) const {
    width = state->clientWidth.load();
    height = state->clientHeight.load();
}

void WindowSdl::DesktopSize(int& width, int& height) const {
    width = state->desktopWidth;
    height = state->desktopHeight;
}

bool WindowSdl::IsVisible() const {
    return state->visible.load();
}

bool WindowSdl::IsFullDesktop() const {
    return state->fullDesktop.load();
}

} // namespace quib
