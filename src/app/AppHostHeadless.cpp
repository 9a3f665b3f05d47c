// The services of headless runs: no window, an offscreen context, the offline audio output
// and a clock that the caller sets.
#include "app/AppHostHeadless.h"

#include "host/gfx/GfxContextEgl.h"

#include <cstdio>
#include <system_error>

namespace quib {

AppHostHeadless::AppHostHeadless(const HeadlessSettings& settings) : settings(settings) {
    try {
        displayAhead = std::jthread(GfxContextEgl::PrepareDisplay);
    } catch (const std::system_error&) {
        // No thread: CreateContext opens the display itself.
    }
}

void AppHostHeadless::DesktopSize(int& width, int& height) {
    width = settings.desktopWidth;
    height = settings.desktopHeight;
}

std::unique_ptr<Window> AppHostHeadless::CreateWindow(const std::string& title, int, int, bool,
                                                      std::string&) {
    windowTitle = title;
    return nullptr;
}

std::unique_ptr<GfxContext> AppHostHeadless::CreateContext(Window*, int clientWidth,
                                                           int clientHeight, std::string& error) {
    if (settings.clientWidth > 0 && settings.clientHeight > 0) {
        clientWidth = settings.clientWidth;
        clientHeight = settings.clientHeight;
    }
    if (displayAhead.joinable()) {
        displayAhead.join();
    }
    std::unique_ptr<GfxContextEgl> made = GfxContextEgl::Create(clientWidth, clientHeight, error);
    context = made.get();
    return made;
}

std::unique_ptr<AudioOutput> AppHostHeadless::OpenAudio() {
    auto made = std::make_unique<AudioOutputOffline>();
    audio = made.get();
    return made;
}

void AppHostHeadless::ShowMessage(const std::string& caption, const std::string& text) {
    messages.push_back(caption + ": " + text);
    std::fprintf(stderr, "%s\n", messages.back().c_str());
}

} // namespace quib
