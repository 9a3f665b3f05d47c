// EGL surfaceless context (Mesa) with a framebuffer object standing in for a window.
#include "host/gfx/GfxContextEgl.h"

#include "host/gfx/GlApi.h"
#include "host/gfx/GlReadback.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstdio>
#include <cstring>
#include <string>

namespace quib {

namespace {

bool HasToken(const char* list, const char* token) {
    if (list == nullptr) {
        return false;
    }
    const size_t length = std::strlen(token);
    for (const char* p = list; (p = std::strstr(p, token)) != nullptr; p += length) {
        const bool starts = p == list || p[-1] == ' ';
        const bool ends = p[length] == '\0' || p[length] == ' ';
        if (starts && ends) {
            return true;
        }
    }
    return false;
}

std::string EglErrorText(const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    return std::string("headless OpenGL: ") + what + " failed (EGL error " + code + ")";
}

} // namespace

struct GfxContextEgl::State {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;
    int width = 0;
    int height = 0;
};

namespace {

// The surfaceless display, initialised; EGL_NO_DISPLAY with why in `error`. It is one per
// process and stays initialised: eglTerminate would end the other contexts on it, and Mesa
// leaks a little each time it unloads its driver.
EGLDisplay OpenSurfacelessDisplay(std::string& error) {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!HasToken(clientExtensions, "EGL_MESA_platform_surfaceless") ||
        getPlatformDisplay == nullptr) {
        error = "headless OpenGL: EGL offers no surfaceless platform (Mesa's EGL, package "
                "libegl-mesa0, provides it)";
        return EGL_NO_DISPLAY;
    }
    const EGLDisplay display =
        getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || eglInitialize(display, nullptr, nullptr) != EGL_TRUE) {
        error = EglErrorText("opening the surfaceless display");
        return EGL_NO_DISPLAY;
    }
    return display;
}

} // namespace

void GfxContextEgl::PrepareDisplay() {
    std::string ignored;
    OpenSurfacelessDisplay(ignored);
}

std::unique_ptr<GfxContextEgl> GfxContextEgl::Create(int clientWidth, int clientHeight,
                                                     std::string& error) {
    auto state = std::make_unique<State>();
    state->display = OpenSurfacelessDisplay(error);
    if (state->display == EGL_NO_DISPLAY) {
        return nullptr;
    }
    std::unique_ptr<GfxContextEgl> result(new GfxContextEgl(std::move(state)));
    State& s = *result->state;

    if (!HasToken(eglQueryString(s.display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context") ||
        eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
        error = "headless OpenGL: the surfaceless display cannot run desktop OpenGL without a "
                "surface";
        return nullptr;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (eglChooseConfig(s.display, configAttributes, &config, 1, &configCount) != EGL_TRUE ||
        configCount < 1) {
        error = EglErrorText("choosing a desktop OpenGL configuration");
        return nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                        3,
                                        EGL_CONTEXT_MINOR_VERSION,
                                        3,
                                        EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                        EGL_NONE};
    s.context = eglCreateContext(s.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (s.context == EGL_NO_CONTEXT) {
        error = EglErrorText("creating an OpenGL 3.3 core context");
        return nullptr;
    }
    if (!result->MakeCurrent()) {
        error = EglErrorText("making the context current");
        return nullptr;
    }
    glGenFramebuffers(1, &s.framebuffer);
    glGenRenderbuffers(1, &s.colourBuffer);
    if (!result->SetClientSize(clientWidth, clientHeight)) {
        error = "headless OpenGL: a client area of " + std::to_string(clientWidth) + "x" +
                std::to_string(clientHeight) + " pixels is not possible";
        return nullptr;
    }
    return result;
}

GfxContextEgl::GfxContextEgl(std::unique_ptr<State> state) : state(std::move(state)) {}

GfxContextEgl::~GfxContextEgl() {
    if (state->context != EGL_NO_CONTEXT) {
        if (MakeCurrent()) {
            glDeleteRenderbuffers(1, &state->colourBuffer);
            glDeleteFramebuffers(1, &state->framebuffer);
        }
        ReleaseCurrent();
        eglDestroyContext(state->display, state->context);
    }
}

bool GfxContextEgl::MakeCurrent() {
    return eglMakeCurrent(state->display, EGL_NO_SURFACE, EGL_NO_SURFACE, state->context) ==
           EGL_TRUE;
}

void GfxContextEgl::ReleaseCurrent() {
    eglMakeCurrent(state->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

uint32_t GfxContextEgl::PresentFramebuffer() const {
    return state->framebuffer;
}

void GfxContextEgl::ClientSize(int& width, int& height) const {
    width = state->width;
    height = state->height;
}

void GfxContextEgl::SwapBuffers() {
    glFlush();
}

bool GfxContextEgl::SetClientSize(int width, int height) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSize);
    if (width <= 0 || height <= 0 || width > maxSize || height > maxSize) {
        return false;
    }
    glBindRenderbuffer(GL_RENDERBUFFER, state->colourBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    GLint previous = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previous);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, state->framebuffer);
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              state->colourBuffer);
    const bool complete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(previous));
    if (!complete) {
        return false;
    }
    state->width = width;
    state->height = height;
    return true;
}

void GfxContextEgl::SetRasterising(bool on) {
    if (on) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glScissor(0, 0, 0, 0);
        glEnable(GL_SCISSOR_TEST);
    }
}

bool GfxContextEgl::ReadClientArea(std::vector<uint32_t>& argb) const {
    return ReadFramebufferArgb(state->framebuffer, state->width, state->height, argb);
}

} // namespace quib
