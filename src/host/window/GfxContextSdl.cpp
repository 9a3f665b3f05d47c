// SDL's GL context: make current, swap interval, swap.
#include "host/window/GfxContextSdl.h"

#include "host/window/Window.h"

#include <SDL.h>

namespace quib {

GfxContextSdl::GfxContextSdl(SDL_Window* sdlWindow, void* glContext, const Window& window,
                             int refreshRate)
    : sdlWindow(sdlWindow), glContext(glContext), window(window), refreshRate(refreshRate) {
    vsync.store(SDL_GL_SetSwapInterval(1) == 0, std::memory_order_relaxed);
}

GfxContextSdl::~GfxContextSdl() {
    if (SDL_GL_GetCurrentContext() == glContext) {
        SDL_GL_MakeCurrent(sdlWindow, nullptr);
    }
    SDL_GL_DeleteContext(glContext);
}

bool GfxContextSdl::MakeCurrent() {
    if (SDL_GL_MakeCurrent(sdlWindow, glContext) != 0) {
        return false;
    }
    vsync.store(SDL_GL_SetSwapInterval(1) == 0, std::memory_order_relaxed);
    return true;
}

void GfxContextSdl::ReleaseCurrent() {
    SDL_GL_MakeCurrent(sdlWindow, nullptr);
}

void GfxContextSdl::ClientSize(int& width, int& height) const {
    window.ClientSize(width, height);
}

void GfxContextSdl::SwapBuffers() {
    SDL_GL_SwapWindow(sdlWindow);
}

} // namespace quib
