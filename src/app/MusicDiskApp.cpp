// The running disk: wires the player, the page schedule, the display mode and input and
// commands, and runs the two threads.
#include "app/MusicDiskApp.h"

#include "app/DiskLoader.h"
#include "app/StartupTimings.h"
#include "effects/TextureStore.h"
#include "host/text/TextRenderer.h"
#include "platform/ModuleRegistry.h"
#include "vfs/StreamSettings.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace quib {
namespace {

// Read and write buffers of every stream the disk opens.
constexpr uint32_t kStreamBufferSize = 32768;
// How long the render thread is given to stop after the display connection was lost: a swap
// that still ends waits at most about a second for the display.
constexpr std::chrono::seconds kLostDisplayStopTime{2};

// Starts the platform modules and installs the buffered accessor before any room exists.
AppHost& StartPlatform(AppHost& host) {
    const StartupTimings::Step step("platform modules");
    ModuleRegistry::Global().StartAll();
    InstallBufferedAccessorFactory(kStreamBufferSize, kStreamBufferSize);
    return host;
}

} // namespace

MusicDiskApp::MusicDiskApp(AppHost& appHost)
    : host(StartPlatform(appHost)), display(host), schedule(host, *this),
      input(player, display, [this] { RequestQuit(); }) {}

MusicDiskApp::~MusicDiskApp() {
    running = 0;
    if (renderThread.joinable()) {
        renderThread.join();
    }
    TearDown();
    ModuleRegistry::Global().StopAll();
}

bool MusicDiskApp::Init(const std::string& archivePath, const std::string& songDirectory) {
    player.SetSongDirectory(songDirectory);
    return DiskLoader(*this).Load(archivePath);
}

int MusicDiskApp::Run() {
    if (display.GetWindow() != nullptr) {
        display.GetWindow()->Show();
    }
    display.Context()->ReleaseCurrent();
    std::future<void> renderStopped = renderThreadEnd.get_future();
    renderThread = std::thread(RenderThread, this);
    Start();
    while (!quitting.load()) {
        if (display.GetWindow() != nullptr) {
            display.GetWindow()->PumpEvents(*this, 100);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (driver != nullptr && !quitting.load()) {
            driver->OnPump();
        }
    }
    running = 0;
    // Once the compositor's connection is broken, SDL's Wayland buffer swap may spin forever
    // waiting for a frame that never comes: a render thread that does not stop in time is
    // left there, and the process ends without a teardown that would need it.
    if (displayLost && renderStopped.wait_for(kLostDisplayStopTime) != std::future_status::ready) {
        std::_Exit(1);
    }
    renderThread.join();
    display.Context()->MakeCurrent();
    TearDown();
    return displayLost ? 1 : 0;
}

void MusicDiskApp::RenderThread(MusicDiskApp* app) {
    app->display.Context()->MakeCurrent();
    while (app->running.load() != 0) {
        app->RenderFrame();
        // A shown frame waits for the display in Present; a hidden window draws nothing, so
        // the thread waits about a frame itself.
        std::this_thread::sleep_for(
            std::chrono::milliseconds(app->display.WindowHidden() ? 16 : 1));
    }
    app->display.Context()->ReleaseCurrent();
    app->renderThreadEnd.set_value();
}

void MusicDiskApp::RenderFrame() {
    if (display.ToggleRequested()) {
        ToggleDisplayMode();
        display.ClearToggleRequest();
    }
    if (quitting.load()) {
        return;
    }
    if (driver != nullptr) {
        driver->OnFrame();
    }
    if (player.CurrentSong() != -1) {
        songPosition = player.BytePosition();
    }
    player.AutoAdvance();
    if (mediaControls != nullptr) {
        mediaControls->OnFrame(*this);
    }
    // A minimised or hidden window: the songs go on, nothing is drawn.
    if (display.WindowHidden()) {
        return;
    }
    GfxDevice& device = *display.Device();
    device.BeginFrame();
    device.Clear();
    DrawScheduledPages();
    if (driver != nullptr) {
        driver->DrawOverPages();
    }
    device.EndFrame();
    device.Present();
}

void MusicDiskApp::OnKeyDown(WindowKey key, bool altHeld) {
    input.KeyDown(key, altHeld);
    if (driver != nullptr) {
        driver->OnKey(key);
    }
}

bool MusicDiskApp::Reload(const std::string& archivePath, bool reloadSongs, std::string& why) {
    return DiskLoader(*this).Reload(archivePath, reloadSongs, why);
}

void MusicDiskApp::ReplaceTextures(std::unique_ptr<TextureStore> store) {
    textures = std::move(store);
}

void MusicDiskApp::OnDisplayLost() {
    std::fprintf(stderr, "quib: the display connection was lost\n");
    displayLost = true;
    RequestQuit();
}

void MusicDiskApp::RequestQuit() {
    quitting = true;
    if (display.GetWindow() != nullptr) {
        display.GetWindow()->Wake();
    }
}

void MusicDiskApp::Start() {
    const StartupTimings::Step step("first song start");
    player.Start();
}

void MusicDiskApp::TearDown() {
    if (driver != nullptr) {
        driver->ReleaseResources();
        driver = nullptr;
    }
    schedule.Clear();
    player.FreeSongs();
    textures.reset();
    text.reset();
    display.Destroy();
    player.CloseOutput();
}

bool MusicDiskApp::CreateDisplay() {
    if (!display.Create()) {
        return false;
    }
    textures.reset(new TextureStore(display.Device()));
    if (!textures) {
        host.ShowMessage("Fatal Error", "Out of memory");
        return false;
    }
    const StartupTimings::Step step("audio output open");
    player.OpenOutput(host.OpenAudio());
    return true;
}

void MusicDiskApp::ToggleDisplayMode() {
    display.Toggle();
    NotifyAspectChange();
}

void MusicDiskApp::NotifyAspectChange() {
    float previous = 0.0f;
    float now = 0.0f;
    if (display.TakeAspectChange(previous, now)) {
        schedule.NotifyAspectChange(previous, now);
    }
}

void MusicDiskApp::DrawScheduledPages() {
    schedule.Draw(songPosition.load());
}

TextRenderer& MusicDiskApp::Text() {
    if (!text) {
        const StartupTimings::Step step("fonts");
        text = ahead.TakeText();
        if (!text) {
            text = std::make_unique<TextRenderer>();
        }
    }
    return *text;
}

} // namespace quib
