// Runs a disk headless to a point in time, with scripted input, and keeps the last frame.
#pragma once

#include "app/AppHostHeadless.h"
#include "host/window/WindowListener.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quib {

class GfxContextEgl;
class MusicDiskApp;

// One scripted input event, at a time in clock units (1/44100 s) from the start.
struct RenderEvent {
    enum class Kind { Move, Down, Up, Key };
    int64_t time = 0;
    Kind kind = Kind::Move;
    int x = 0; // client pixels of the rendered frame (Move)
    int y = 0;
    WindowKey key = WindowKey::Escape; // (Key)
    bool alt = false;
};

// Parses an events script: one event a line, "SECONDS move X Y", "SECONDS down",
// "SECONDS up" or "SECONDS key NAME" (NAME: enter, alt+enter, escape, f4, alt+f4); blank
// lines and lines starting with '#' are skipped. False with "line N: why" in `error`.
bool ParseRenderEvents(const std::string& text, std::vector<RenderEvent>& events,
                       std::string& error);

// What a headless run loads and how: the disk, the frame's size and desktop, scripted input
// and the song to start with.
struct HeadlessRunRequest {
    std::string archive;
    // Size of the rendered frame; 0 x 0: the disk's own window size.
    int width = 0;
    int height = 0;
    // The desktop the frame's window is on; 0 x 0: the frame fills the desktop.
    int desktopWidth = 0;
    int desktopHeight = 0;
    std::vector<RenderEvent> events; // in time order
    // The song playback starts with, as if selected before the first frame; the playlist
    // keeps its order. A number outside the playlist is ignored.
    int32_t firstSong = 0;
};

struct RenderRequest : HeadlessRunRequest {
    double seconds = 0.0;
    // Rasterise every frame as a window shows them, not only the one kept (the same pixels,
    // slower).
    bool drawEveryFrame = false;
    // Asked after each frame from `seconds` on: true draws one more, 1/60 s later (benchmarks
    // time frames so). Unset: the frame at `seconds` is the last.
    std::function<bool()> drawAnother;
};

// A song whose file the player did not find (it skips the song).
struct MissingSong {
    int32_t index = 0;
    std::string title;
    std::string path; // where the player looked
};

struct RenderedFrame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb; // top row first
    double seconds = 0.0;       // the time of the frame (earlier when Escape ended the run)
    std::vector<MissingSong> missingSongs;
};

// Host settings for a headless run at width x height; 0 x 0: the disk's own window size.
HeadlessSettings HeadlessRunSettings(int width, int height);
// Loads the disk from `archive` into `app` (its songs from music/ beside the archive) and plays
// song 0. False when the disk is refused (the user has been told why).
bool StartDisk(MusicDiskApp& app, const std::string& archive);

// The host and the application of one headless run as `request` asks; the request must
// outlive it.
class HeadlessRun {
public:
    explicit HeadlessRun(const HeadlessRunRequest& request);
    ~HeadlessRun();
    HeadlessRun(const HeadlessRun&) = delete;
    HeadlessRun& operator=(const HeadlessRun&) = delete;

    // Loads the disk and plays the first song asked for. False when the disk is refused (the
    // user has been told why).
    bool Start();
    // The songs whose files the player did not find (after Start).
    std::vector<MissingSong> MissingSongs() const;
    // The events due by `time` applied in order, then the frame at `time` (RenderFrameAt).
    void Frame(int64_t time);

    MusicDiskApp& App() { return *app; }
    // The context and the audio output (after Start).
    GfxContextEgl& Context() { return *host.Context(); }
    AudioOutputOffline& Audio() { return *host.Audio(); }

private:
    const HeadlessRunRequest& request;
    AppHostHeadless host;
    std::unique_ptr<MusicDiskApp> app;
    size_t nextEvent = 0;
};

// The real application on the headless host: the offline audio output and the overlay's
// clock advance 735 clock units (1/60 s) a frame from the start of playback; events apply
// before the first frame at or after their time. Every frame updates every effect, but only
// the frame kept is rasterised (unless drawEveryFrame); when the disk quits first, it runs
// again to the frame before the quit. False when the disk is refused or nothing could be
// drawn (the reason is on standard error).
bool RenderDisk(const RenderRequest& request, RenderedFrame& frame);

// The frame step in clock units, and clock units a second.
inline constexpr int64_t kRenderFrameUnits = 735;
inline constexpr double kRenderUnitsPerSecond = 44100.0;

// One frame of a headless run, `time` clock units after the disk started: the overlay's clock
// set to that time, then the frame drawn (the offline audio is advanced by the caller).
void RenderFrameAt(AppHostHeadless& host, MusicDiskApp& app, int64_t time);

} // namespace quib
