// The running disk: wires the player, the page schedule, the display mode and input and
// commands, and runs the two threads.
#pragma once

#include "app/AppHost.h"
#include "app/DiskDriver.h"
#include "app/DisplayMode.h"
#include "app/InputCommands.h"
#include "app/MediaControls.h"
#include "app/PageSchedule.h"
#include "app/Player.h"
#include "app/StartupAhead.h"
#include "effects/EffectHost.h"
#include "host/window/WindowListener.h"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace quib {

class TextRenderer;
class TextureStore;

// Threads: the main thread constructs, runs Init, pumps window events (which only record
// input) and tears down; the render thread runs RenderFrame until `running` clears, and
// effects (drawn there) drive the player. Fields written by one thread and read by the other
// are atomics; the render thread is joined before anything it uses is destroyed.
class MusicDiskApp final : public WindowListener, public EffectHost {
public:
    // Installs the buffered accessor for every stream and takes the desktop size.
    explicit MusicDiskApp(AppHost& host);
    ~MusicDiskApp() override;
    MusicDiskApp(const MusicDiskApp&) = delete;
    MusicDiskApp& operator=(const MusicDiskApp&) = delete;

    // Loads the disk from the archive with the DiskLoader: display, songs (from
    // songDirectory/music/), textures, pages. False when the disk is refused or the display
    // cannot be made; the user has then been told why.
    bool Init(const std::string& archivePath, const std::string& songDirectory);
    // Shows the window, runs the render thread and the event loop until a quit request, tears
    // down. The process exit status: 1 when the display connection was lost (the process may
    // then end inside Run, without a teardown).
    int Run();
    // One frame: display switch, song position, auto-advance, then (unless the window is
    // hidden) the scheduled pages and present.
    void RenderFrame();
    // Stops drawing and ends the event loop (Escape, Alt+F4, closing the window, command 8).
    void RequestQuit();
    bool Quitting() const { return quitting.load(); }
    // A remote control served once a frame on the render thread (none by default); it must
    // outlive Run.
    void SetMediaControls(MediaControls* controls) { mediaControls = controls; }
    // A program that drives the disk (none by default); it must outlive Run, or TearDown when
    // frames are driven without Run.
    void SetDriver(DiskDriver* diskDriver) { driver = diskDriver; }
    // Puts the disk of another archive in place of this one while the songs play on (see
    // DiskLoader::Reload), on the thread that draws. False, with the disk as it was and the
    // reason in `why`, when the archive is refused.
    bool Reload(const std::string& archivePath, bool reloadSongs, std::string& why);
    // Puts a store in place of the textures, which are destroyed (the pages that used them
    // must be gone).
    void ReplaceTextures(std::unique_ptr<TextureStore> store);

    // Run's steps for callers that drive frames themselves on the calling thread (headless):
    // Start plays song 0; TearDown lets the driver go (after it released its device objects)
    // and destroys pages, songs, textures, device and audio output.
    void Start();
    void TearDown();

    // The display with the texture store and the audio output that go with it (main thread).
    bool CreateDisplay();
    // The display switch and the aspect fan-out to every effect (render thread).
    void ToggleDisplayMode();
    void NotifyAspectChange();
    // The scheduled pages at the last frame's song position (render thread).
    void DrawScheduledPages();

    // The rooms.
    Player& Songs() { return player; }
    PageSchedule& Schedule() { return schedule; }
    DisplayMode& Display() { return display; }
    InputCommands& Input() { return input; }
    AppHost& Host() { return host; }

    // Input, recorded on the main thread.
    void OnMouseMove(int x, int y) override { input.MovePointer(x, y); }
    void OnLeftButton(bool down) override { input.SetButton(down); }
    void OnKeyDown(WindowKey key, bool altHeld) override;
    void OnCloseRequest() override { RequestQuit(); }
    void OnDisplayLost() override;
    void OnMaximizeRequest() override { display.RequestToggle(); }

    // The effects' view of the disk (EffectHost).
    float MouseX() const override { return input.MouseX(); }
    float MouseY() const override { return input.MouseY(); }
    bool MouseDown() const override { return input.MouseDown(); }
    bool Windowed() const override { return display.Windowed(); }
    int32_t WindowHeight() const override { return display.WindowHeight(); }
    float Aspect() const override { return display.Aspect(); }
    int32_t DesktopWidth() const override { return display.DesktopWidth(); }
    int32_t DesktopHeight() const override { return display.DesktopHeight(); }
    int32_t CurrentSong() const override { return player.CurrentSong(); }
    std::string CurrentSongTitle() const override { return player.CurrentSongTitle(); }
    bool UserStopped() const override { return player.UserStopped(); }
    int32_t GetPlaybackPosition() const override { return player.GetPlaybackPosition(); }
    int64_t CurrentSongLength() const override { return player.CurrentSongLength(); }
    ChannelState CurrentChannelState() const override { return player.CurrentChannelState(); }
    float MasterVolume() const override { return player.MasterVolume(); }
    bool CurrentSpectrum(float* magnitudes) const override {
        // What is heard at the position this frame's pages are drawn at, not what the output
        // has mixed since: the same spectrum in a window and headless.
        return player.CurrentSpectrum(static_cast<uint32_t>(songPosition.load()), magnitudes);
    }
    void ExecuteCommand(int32_t code, int32_t argument) override {
        input.ExecuteCommand(code, argument);
    }
    bool ConsumeEventFlag(int32_t n) override { return input.ConsumeEventFlag(n); }
    TextRenderer& Text() override;
    TextureStore& Textures() override { return *textures; }

private:
    // The render thread's procedure.
    static void RenderThread(MusicDiskApp* app);

    AppHost& host;
    StartupAhead ahead; // from the start, while the disk is read and the display made
    DisplayMode display;
    Player player;
    PageSchedule schedule;
    InputCommands input;
    std::unique_ptr<TextureStore> textures;
    std::unique_ptr<TextRenderer> text;   // taken or made when an effect first asks for it
    std::atomic<int32_t> songPosition{0}; // low 32 bits of the song position in bytes
    std::atomic<int32_t> running{1};
    std::atomic<bool> quitting{false};
    bool displayLost = false; // main thread only
    MediaControls* mediaControls = nullptr;
    DiskDriver* driver = nullptr;
    std::thread renderThread;
    std::promise<void> renderThreadEnd; // kept when the render thread has stopped
};

} // namespace quib
