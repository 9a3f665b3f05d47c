// Error reports on standard error and, with a display, in an SDL message box.
#include "host/window/MessageBox.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>

namespace quib {

namespace {

bool DisplayReachable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') {
            return true;
        }
    }
    return false;
}

} // namespace

void ShowMessageBox(const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (DisplayReachable()) {
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
    }
}

} // namespace quib
