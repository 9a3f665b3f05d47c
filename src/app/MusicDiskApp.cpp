// The running disk: display, playlist and player, pages of effects, input and the two threads.
//
// Sections: lifecycle (construction, Init, Run, threads, frame, quit, tear-down); the page
// schedule; the display; the player; input, commands and event flags.
#include "app/MusicDiskApp.h"

#include "app/EffectGroup.h"
#include "app/Page.h"
#include "effects/Effect.h"
#include "effects/TextureStore.h"
#include "host/gfx/GfxDeviceGl.h"
#include "host/text/TextDecoding.h"
#include "host/text/TextRenderer.h"
#include "platform/ModuleRegistry.h"
#include "vfs/StreamSettings.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace quib {
namespace {

// Read and write buffers of every stream the disk opens.
constexpr uint32_t kStreamBufferSize = 32768;

// The window wants UTF-8; description strings are UTF-8 or Windows-1252.
std::string TitleText(const std::string& bytes) {
    std::string utf8;
    for (const char32_t c : DecodeText(bytes)) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | c >> 18);
            utf8 += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

// Page times wrap on the page's duration; a time below zero shows the page's start.
int32_t PageTime(int64_t raw, int32_t duration) {
    const int64_t t = duration > 0 ? raw % duration : raw;
    return static_cast<int32_t>(std::clamp<int64_t>(t, 0, INT32_MAX));
}

} // namespace

// ---- Lifecycle -----------------------------------------------------------------------------

MusicDiskApp::MusicDiskApp(AppHost& host) : host(host) {
    ModuleRegistry::Global().StartAll();
    InstallBufferedAccessorFactory(kStreamBufferSize, kStreamBufferSize);
    host.DesktopSize(desktopWidth, desktopHeight);
}

MusicDiskApp::~MusicDiskApp() {
    running = 0;
    if (renderThread.joinable()) {
        renderThread.join();
    }
    TearDown();
    ModuleRegistry::Global().StopAll();
}

int MusicDiskApp::Run() {
    if (window) {
        window->Show();
    }
    context->ReleaseCurrent();
    renderThread = std::thread(RenderThread, this);
    Start();
    while (!quitting.load()) {
        if (window) {
            window->PumpEvents(*this, 100);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    running = 0;
    renderThread.join();
    context->MakeCurrent();
    TearDown();
    return 0;
}

void MusicDiskApp::RenderThread(MusicDiskApp* app) {
    app->context->MakeCurrent();
    while (app->running.load() != 0) {
        app->RenderFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    app->context->ReleaseCurrent();
}

void MusicDiskApp::RenderFrame() {
    if (toggleRequest.load()) {
        ToggleDisplayMode();
        toggleRequest = false;
    }
    if (quitting.load() || (window && !window->IsVisible())) {
        return;
    }
    const int32_t current = currentSong.load();
    if (current != -1) {
        songPosition =
            static_cast<int32_t>(static_cast<uint32_t>(audio->GetPosition(songs[current]->handle)));
    }
    AutoAdvance();
    device->BeginFrame();
    device->Clear();
    DrawScheduledPages();
    device->EndFrame();
    device->Present();
}

void MusicDiskApp::RequestQuit() {
    quitting = true;
    if (window) {
        window->Wake();
    }
}

void MusicDiskApp::Start() {
    if (!songs.empty()) {
        currentSong = 0;
        audio->Play(songs[0]->handle, true);
        userStopped = false;
    }
}

void MusicDiskApp::TearDown() {
    pages.clear();
    for (auto& song : songs) {
        if (!song) {
            continue;
        }
        if (audio->GetState(song->handle) != ChannelState::Stopped) {
            audio->Stop(song->handle);
            userStopped = true;
        }
        if ((audio->GetChannelType(song->handle) & kChannelTypeStream) != 0) {
            audio->FreeStream(song->handle);
        } else {
            audio->FreeModule(song->handle);
        }
        song.reset();
    }
    textures.reset();
    text.reset();
    device.reset();
    context.reset();
    audio.reset();
}

// ---- The page schedule ---------------------------------------------------------------------

void MusicDiskApp::DrawScheduledPages() {
    const int32_t p = songPosition.load() / 4;
    int32_t introDuration = 0;
    for (size_t k = 0; k < pages.size(); ++k) {
        Page& page = *pages[k];
        if (k == 0) {
            introDuration = page.Duration();
            if (introState.load() == IntroState::Intro) {
                if (introDuration < p) {
                    introState = IntroState::Main;
                    introEndClock = host.ClockMs();
                } else {
                    page.Draw(std::max(p, 0), p);
                    return;
                }
            }
            continue;
        }
        if (k == 1) {
            // Milliseconds to clock units in 64 bits, so the overlay keeps looping however
            // long the disk runs.
            const int64_t ms = static_cast<int64_t>(host.ClockMs()) - introEndClock;
            const auto c = static_cast<int64_t>(ms / 1000.0 * 44100.0);
            page.Draw(PageTime(c, page.Duration()), static_cast<int32_t>(c));
            continue;
        }
        const auto n = static_cast<int32_t>(k - 2);
        const int32_t current = currentSong.load();
        if (current != -1 && current != n) {
            continue;
        }
        const int64_t raw = n == 0 ? int64_t{p} - introDuration : p;
        page.Draw(PageTime(raw, page.Duration()), p);
    }
}

void MusicDiskApp::NotifyAspectChange() {
    const float previous = previousAspect.load();
    const float now = aspect.load();
    if (previous == 0.0f || previous == now) {
        return;
    }
    for (const auto& page : pages) {
        page->AspectChanged(previous, now);
    }
    previousAspect = now;
}

// ---- The display ---------------------------------------------------------------------------

int MusicDiskApp::WindowedClientWidth() const {
    return static_cast<int>(static_cast<float>(windowHeight) * aspect.load());
}

bool MusicDiskApp::CreateDisplay() {
    windowedAspect = aspect.load();
    const std::string text = TitleText(title);
    const std::string windowTitle =
        allowToggle ? text + " (press alt+enter to toggle fullscreen)" : text;
    const int w = WindowedClientWidth();
    const int h = windowHeight;
    std::string error;
    window = host.CreateWindow(windowTitle, w, h, allowToggle, error);
    if (!error.empty()) {
        std::fprintf(stderr, "quib: no window: %s\n", error.c_str());
    }
    if (!windowed.load()) {
        // The device is made for window mode; the first frame switches to the full desktop.
        windowed = true;
        toggleRequest = true;
    }
    context = host.CreateContext(window.get(), w, h, error);
    if (!context) {
        std::fprintf(stderr, "quib: %s\n", error.c_str());
        host.ShowMessage("Fatal Error", "Failed to create Direct3D Object");
        return false;
    }
    device = GfxDeviceGl::Create(*context, desktopWidth, desktopHeight, error);
    if (!device) {
        std::fprintf(stderr, "quib: %s\n", error.c_str());
        host.ShowMessage("Fatal Error", "Failed to create Direct3D Device");
        return false;
    }
    textures.reset(new TextureStore(device.get()));
    if (!textures) {
        host.ShowMessage("Fatal Error", "Out of memory");
        return false;
    }
    audio = host.OpenAudio();
    return true;
}

void MusicDiskApp::ToggleDisplayMode() {
    windowed = !windowed.load();
    previousAspect = aspect.load();
    if (!windowed.load()) {
        if (window) {
            window->RequestFullDesktop();
        }
        aspect = static_cast<float>(desktopWidth) / static_cast<float>(desktopHeight);
    } else {
        aspect = windowedAspect.load();
        if (window) {
            window->RequestWindowMode(WindowedClientWidth(), windowHeight);
        }
    }
    NotifyAspectChange();
}

// ---- The player ----------------------------------------------------------------------------

void MusicDiskApp::AddSong(const std::string& fileName, const std::string& songTitle,
                           uint32_t bassFlags, bool isStream) {
    auto song = std::unique_ptr<Song>(new Song);
    if (!song) {
        return; // out of memory: the song is left out
    }
    // Names in descriptions use backslashes as separators.
    song->path = songDirectory + "music\\" + fileName;
    std::replace(song->path.begin(), song->path.end(), '\\', '/');
    song->title = songTitle;
    song->bassFlags = bassFlags;
    song->isStream = isStream;
    song->handle = isStream ? audio->CreateStream(song->path.c_str(), bassFlags | kAudioPrescan)
                            : audio->LoadModule(song->path.c_str(), bassFlags | kAudioPrescan);
    songs.push_back(std::move(song));
    if (currentSong.load() == -1) {
        currentSong = 0;
    }
}

AudioHandle MusicDiskApp::CurrentHandle() const {
    const int32_t current = currentSong.load();
    return current < 0 || current >= static_cast<int32_t>(songs.size()) ? 0
                                                                        : songs[current]->handle;
}

bool MusicDiskApp::BeginCommand() {
    playerBusy = true;
    if (currentSong.load() == -1) {
        if (songs.empty()) {
            playerBusy = false;
            return false;
        }
        currentSong = 0;
    }
    return true;
}

void MusicDiskApp::Play() {
    if (!BeginCommand()) {
        return;
    }
    if (audio->GetState(CurrentHandle()) != ChannelState::Playing) {
        audio->Play(CurrentHandle(), userStopped.load());
        userStopped = false;
    }
    playerBusy = false;
}

void MusicDiskApp::PauseResume() {
    if (!BeginCommand()) {
        return;
    }
    switch (audio->GetState(CurrentHandle())) {
    case ChannelState::Playing:
        audio->Pause(CurrentHandle());
        break;
    case ChannelState::Paused:
        audio->Play(CurrentHandle(), false);
        userStopped = false;
        break;
    default:
        break;
    }
    playerBusy = false;
}

void MusicDiskApp::Stop() {
    if (!BeginCommand()) {
        return;
    }
    const ChannelState state = audio->GetState(CurrentHandle());
    if (state == ChannelState::Playing || state == ChannelState::Paused) {
        audio->Stop(CurrentHandle());
        userStopped = true;
    }
    playerBusy = false;
}

void MusicDiskApp::SwitchTo(int32_t index) {
    audio->Stop(CurrentHandle());
    userStopped = true;
    currentSong = index;
    audio->Play(CurrentHandle(), true);
    userStopped = false;
}

void MusicDiskApp::Previous() {
    if (!BeginCommand()) {
        return;
    }
    const int32_t current = currentSong.load();
    SwitchTo(current == 0 ? static_cast<int32_t>(songs.size()) - 1 : current - 1);
    playerBusy = false;
}

void MusicDiskApp::Next() {
    if (!BeginCommand()) {
        return;
    }
    const int32_t next = currentSong.load() + 1;
    SwitchTo(next == static_cast<int32_t>(songs.size()) ? 0 : next);
    playerBusy = false;
}

void MusicDiskApp::SelectSong(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(songs.size()) || !BeginCommand()) {
        return;
    }
    SwitchTo(index);
    playerBusy = false;
}

void MusicDiskApp::SetVolume(int32_t percent) {
    audio->SetVolume(static_cast<float>(percent / 100.0));
}

void MusicDiskApp::AutoAdvance() {
    const int32_t current = currentSong.load();
    if (playerBusy.load() || userStopped.load() || current == -1 ||
        audio->GetState(CurrentHandle()) != ChannelState::Stopped) {
        return;
    }
    const int32_t next = current + 1 == static_cast<int32_t>(songs.size()) ? 0 : current + 1;
    currentSong = next;
    audio->Play(CurrentHandle(), true);
    userStopped = false;
}

int32_t MusicDiskApp::GetPlaybackPosition() const {
    const AudioHandle handle = CurrentHandle();
    if (handle == 0) {
        return 0;
    }
    const ChannelState state = audio->GetState(handle);
    if (state != ChannelState::Playing && state != ChannelState::Paused) {
        return 0;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(audio->GetPosition(handle) >> 2));
}

std::string MusicDiskApp::CurrentSongTitle() const {
    const int32_t current = currentSong.load();
    return current < 0 || current >= static_cast<int32_t>(songs.size()) ? std::string()
                                                                        : songs[current]->title;
}

ChannelState MusicDiskApp::CurrentChannelState() const {
    return audio->GetState(CurrentHandle());
}

float MusicDiskApp::MasterVolume() const {
    return audio->GetVolume();
}

bool MusicDiskApp::CurrentSpectrum(float* magnitudes) const {
    // What is heard at the position this frame's pages are drawn at, not what the output has
    // mixed since: the same spectrum in a window and headless.
    return audio->GetSpectrumAt(CurrentHandle(), static_cast<uint32_t>(songPosition.load()),
                                magnitudes);
}

TextRenderer& MusicDiskApp::Text() {
    if (!text) {
        text = std::make_unique<TextRenderer>();
    }
    return *text;
}

// ---- Input, commands and event flags -------------------------------------------------------

void MusicDiskApp::OnMouseMove(int x, int y) {
    float w = static_cast<float>(desktopWidth);
    float h = static_cast<float>(desktopHeight);
    if (windowed.load()) {
        // The reference width rounds half up where the client width truncates.
        const float exact = static_cast<float>(windowHeight) * aspect.load();
        w = std::floor(exact);
        if (exact - w >= 0.5f) {
            w = std::ceil(exact);
        }
        h = static_cast<float>(windowHeight);
    }
    mouseX = static_cast<float>(x) / w * 2.0f - 1.0f;
    mouseY = 1.0f - 2.0f * (static_cast<float>(y) / h);
}

void MusicDiskApp::OnLeftButton(bool down) {
    mouseDown = down;
}

void MusicDiskApp::OnKeyDown(WindowKey key, bool altHeld) {
    switch (key) {
    case WindowKey::Enter:
        if (allowToggle && altHeld) {
            toggleRequest = true;
        }
        break;
    case WindowKey::Escape:
        RequestQuit();
        break;
    case WindowKey::F4:
        if (altHeld) {
            RequestQuit();
        }
        break;
    }
}

void MusicDiskApp::OnCloseRequest() {
    RequestQuit();
}

void MusicDiskApp::OnMaximizeRequest() {
    toggleRequest = true;
}

void MusicDiskApp::ExecuteCommand(int32_t code, int32_t argument) {
    switch (static_cast<PlayerCommand>(static_cast<uint32_t>(code))) {
    case PlayerCommand::Play:
        Play();
        break;
    case PlayerCommand::PauseResume:
        PauseResume();
        break;
    case PlayerCommand::Stop:
        Stop();
        break;
    case PlayerCommand::Previous:
        Previous();
        break;
    case PlayerCommand::Next:
        Next();
        break;
    case PlayerCommand::SelectSong:
        SelectSong(argument);
        break;
    case PlayerCommand::SetVolume:
        SetVolume(argument);
        break;
    case PlayerCommand::RaiseEventFlag:
        RaiseEventFlag(argument);
        break;
    case PlayerCommand::Exit:
        RequestQuit();
        break;
    }
}

void MusicDiskApp::RaiseEventFlag(int32_t n) {
    if (n < 0 || n >= kMaxEventFlags) {
        return;
    }
    if (static_cast<size_t>(n) >= eventFlags.size()) {
        eventFlags.resize(static_cast<size_t>(n) + 1, false);
    }
    eventFlags[n] = true;
}

bool MusicDiskApp::ConsumeEventFlag(int32_t n) {
    if (static_cast<uint32_t>(n) >= eventFlags.size() || !eventFlags[n]) {
        return false;
    }
    eventFlags[n] = false;
    return true;
}

} // namespace quib
