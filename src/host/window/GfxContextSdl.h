// The OpenGL context of an SDL window, presenting to the window's own surface.
#pragma once

#include "host/gfx/GfxContext.h"

#include <atomic>

struct SDL_Window;

namespace quib {

class Window;

class GfxContextSdl final : public GfxContext {
public:
    // Takes ownership of `glContext` (an SDL_GLContext, current on the calling thread). The
    // window outlives the context; its client size is what Present stretches to.
    GfxContextSdl(SDL_Window* sdlWindow, void* glContext, const Window& window, int refreshRate);
    ~GfxContextSdl() override;
    GfxContextSdl(const GfxContextSdl&) = delete;
    GfxContextSdl& operator=(const GfxContextSdl&) = delete;

    // Also asks for vertical sync, which only holds for the thread the context is current on.
    bool MakeCurrent() override;
    void ReleaseCurrent() override;
    uint32_t PresentFramebuffer() const override { return 0; }
    void ClientSize(int& width, int& height) const override;
    void SwapBuffers() override;
    bool HasVsync() const override { return vsync.load(std::memory_order_relaxed); }
    int RefreshRate() const override { return refreshRate; }

private:
    SDL_Window* sdlWindow;
    void* glContext;
    const Window& window;
    int refreshRate;
    std::atomic<bool> vsync{false};
};

} // namespace quib
