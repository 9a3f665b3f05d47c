// The running disk: display, playlist and player, pages of effects, input and the two threads.
#pragma once

#include "app/AppHost.h"
#include "app/Song.h"
#include "description/PlayerCommand.h"
#include "effects/EffectHost.h"
#include "host/gfx/GfxDevice.h"
#include "host/window/WindowListener.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace quib {

class Page;
class TextRenderer;
class TextureStore;

// Threads: the main thread constructs, runs Init, pumps window events (which only record
// input) and tears down; the render thread runs RenderFrame until `running` clears, and
// effects (drawn there) drive the player. Fields written by one thread and read by the other
// are atomics; the render thread is joined before anything it uses is destroyed.
class MusicDiskApp final : public WindowListener, public EffectHost {
public:
    enum class IntroState { Intro, Main };

    // Installs the buffered accessor for every stream and takes the desktop size.
    explicit MusicDiskApp(AppHost& host);
    ~MusicDiskApp() override;
    MusicDiskApp(const MusicDiskApp&) = delete;
    MusicDiskApp& operator=(const MusicDiskApp&) = delete;

    // Loads the disk from the archive: display, songs (from songDirectory/music/), textures,
    // pages (defined with the description's loader, DiskDescription.cpp). False when the disk
    // is refused or the display cannot be made; the user has then been told why.
    bool Init(const std::string& archivePath, const std::string& songDirectory);
    // Shows the window, runs the render thread and the event loop until a quit request, tears
    // down. The process exit status.
    int Run();
    // The render thread's procedure.
    static void RenderThread(MusicDiskApp* app);
    // One frame: display switch, song position, auto-advance, the scheduled pages, present.
    void RenderFrame();
    // Stops drawing and ends the event loop (Escape, Alt+F4, closing the window, command 8).
    void RequestQuit();

    // Run's steps for callers that drive frames themselves on the calling thread (headless):
    // Start plays song 0; TearDown destroys pages, songs, textures, device and audio output.
    void Start();
    void TearDown();

    // The page schedule and the aspect fan-out (render thread).
    void DrawScheduledPages();
    void NotifyAspectChange();

    // The display (main thread) and its mode switch (render thread).
    bool CreateDisplay();
    void ToggleDisplayMode();
    // Client size of window mode: windowHeight x aspect, truncated.
    int WindowedClientWidth() const;

    // The playlist and the player.
    void AddSong(const std::string& fileName, const std::string& title, uint32_t bassFlags,
                 bool isStream);
    void Play();
    void PauseResume();
    void Stop();
    void Previous();
    void Next();
    void SelectSong(int32_t index); // ignored outside the playlist
    void SetVolume(int32_t percent);
    void AutoAdvance();
    // The current song's position in clock units while it plays or is paused, else 0.
    int32_t GetPlaybackPosition() const override;

    // Commands and event flags (render thread).
    void ExecuteCommand(int32_t code, int32_t argument) override;
    void RaiseEventFlag(int32_t n); // ignored for negative numbers and from kMaxEventFlags on
    bool ConsumeEventFlag(int32_t n) override;

    // Input, recorded on the main thread.
    void OnMouseMove(int x, int y) override;
    void OnLeftButton(bool down) override;
    void OnKeyDown(WindowKey key, bool altHeld) override;
    void OnCloseRequest() override;
    void OnMaximizeRequest() override;

    // The effects' view of the disk (EffectHost).
    float MouseX() const override { return mouseX.load(); }
    float MouseY() const override { return mouseY.load(); }
    bool MouseDown() const override { return mouseDown.load(); }
    bool Windowed() const override { return windowed.load(); }
    int32_t WindowHeight() const override { return windowHeight; }
    float Aspect() const override { return aspect.load(); }
    int32_t DesktopWidth() const override { return desktopWidth; }
    int32_t DesktopHeight() const override { return desktopHeight; }
    int32_t CurrentSong() const override { return currentSong.load(); }
    std::string CurrentSongTitle() const override;
    bool UserStopped() const override { return userStopped.load(); }
    ChannelState CurrentChannelState() const override;
    float MasterVolume() const override;
    bool CurrentSpectrum(float* magnitudes) const override;
    TextRenderer& Text() override;
    TextureStore& Textures() override { return *textures; }

    AppHost& host;
    std::unique_ptr<AudioOutput> audio;
    std::unique_ptr<Window> window;
    std::unique_ptr<GfxContext> context;
    std::unique_ptr<GfxDevice> device;
    std::vector<std::unique_ptr<Page>> pages;
    std::atomic<IntroState> introState{IntroState::Intro};
    std::atomic<bool> playerBusy{false};
    std::atomic<int32_t> songPosition{0}; // low 32 bits of the song position in bytes
    std::atomic<float> previousAspect{1.778f};
    std::atomic<float> windowedAspect{1.778f};
    std::vector<bool> eventFlags;
    int32_t introEndClock = 0;
    std::atomic<int32_t> running{1};
    std::atomic<float> mouseX{-1.0f};
    std::atomic<float> mouseY{1.0f};
    std::atomic<bool> mouseDown{false};
    std::atomic<bool> quitting{false};
    std::vector<std::unique_ptr<Song>> songs;
    std::atomic<int32_t> currentSong{-1};
    std::atomic<bool> toggleRequest{false};
    int desktopWidth = 0;
    int desktopHeight = 0;
    std::atomic<bool> userStopped{true};
    std::string title{"quib"};
    std::atomic<bool> windowed{true};
    bool allowToggle = false;
    std::atomic<float> aspect{1.778f};
    int32_t windowHeight = 480;
    std::unique_ptr<TextureStore> textures;
    std::unique_ptr<TextRenderer> text; // made when an effect first asks for it
    std::string songDirectory;

private:
    // The current song's handle; 0 with no current song.
    AudioHandle CurrentHandle() const;
    // Sets playerBusy and makes a current song of song 0 when there is none; false (busy
    // cleared) when the playlist is empty.
    bool BeginCommand();
    // Stops the current song, makes `index` current and plays it from the start.
    void SwitchTo(int32_t index);

    std::thread renderThread;
};

} // namespace quib
