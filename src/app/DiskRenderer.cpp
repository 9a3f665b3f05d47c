// Runs a disk headless to a point in time, with scripted input, and keeps the last frame.
#include "app/DiskRenderer.h"

#include "app/AppHostHeadless.h"
#include "app/MusicDiskApp.h"
#include "app/StartupTimings.h"
#include "host/gfx/GfxContextEgl.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace quib {
namespace {

bool ParseKey(const std::string& name, RenderEvent& event) {
    static const struct {
        const char* name;
        WindowKey key;
        bool alt;
    } kKeys[] = {{"enter", WindowKey::Enter, false},
                 {"alt+enter", WindowKey::Enter, true},
                 {"escape", WindowKey::Escape, false},
                 {"f4", WindowKey::F4, false},
                 {"alt+f4", WindowKey::F4, true}};
    for (const auto& k : kKeys) {
        if (name == k.name) {
            event.key = k.key;
            event.alt = k.alt;
            return true;
        }
    }
    return false;
}

// Moves are in pixels of the rendered frame, the client area the pointer maps from.
void Apply(MusicDiskApp& app, const RenderEvent& event) {
    switch (event.kind) {
    case RenderEvent::Kind::Move:
        app.OnMouseMove(event.x, event.y);
        break;
    case RenderEvent::Kind::Down:
        app.OnLeftButton(true);
        break;
    case RenderEvent::Kind::Up:
        app.OnLeftButton(false);
        break;
    case RenderEvent::Kind::Key:
        app.OnKeyDown(event.key, event.alt);
        break;
    }
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

enum class RunEnd { Refused, Kept, Quit };

// Runs the disk from its start in frames of kRenderFrameUnits up to the first frame at or after
// `target`, which it keeps in `frame`, or until the disk quits; `frame.seconds` is then the
// time of the last frame run whole (-1 when none was), which may not have been rasterised.
RunEnd Run(const RenderRequest& request, int64_t target, RenderedFrame& frame) {
    HeadlessRun run(request);
    if (!run.Start()) {
        return RunEnd::Refused;
    }
    const StartupTimings::Step frames("later frames and mixing");
    frame.missingSongs = run.MissingSongs();
    GfxContextEgl& context = run.Context();
    int64_t time = 0;
    int64_t drawn = -1;
    while (true) {
        context.SetRasterising(request.drawEveryFrame || time >= target);
        {
            const StartupTimings::Step first(drawn < 0 ? "first frame" : nullptr);
            run.Frame(time);
        }
        if (run.App().Quitting()) {
            break;
        }
        drawn = time;
        if (time >= target && !(request.drawAnother && request.drawAnother())) {
            break;
        }
        run.Audio().Advance(kRenderFrameUnits);
        time += kRenderFrameUnits;
    }
    frame.seconds = static_cast<double>(drawn) / kRenderUnitsPerSecond;
    if (drawn != time) {
        return RunEnd::Quit;
    }
    context.ClientSize(frame.width, frame.height);
    const StartupTimings::Step readBack("frame read-back");
    return context.ReadClientArea(frame.argb) ? RunEnd::Kept : RunEnd::Refused;
}

} // namespace

bool ParseRenderEvents(const std::string& text, std::vector<RenderEvent>& events,
                       std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#') {
            continue;
        }
        const auto fail = [&](const std::string& why) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        RenderEvent event;
        char* end = nullptr;
        const double seconds = std::strtod(first.c_str(), &end);
        if (*end != '\0' || !std::isfinite(seconds) || seconds < 0.0) {
            return fail("\"" + first + "\" is not a time in seconds");
        }
        event.time = std::llround(seconds * kRenderUnitsPerSecond);
        std::string verb;
        words >> verb;
        if (verb == "move") {
            event.kind = RenderEvent::Kind::Move;
            if (!(words >> event.x >> event.y)) {
                return fail("move needs the client pixel X Y");
            }
        } else if (verb == "down") {
            event.kind = RenderEvent::Kind::Down;
        } else if (verb == "up") {
            event.kind = RenderEvent::Kind::Up;
        } else if (verb == "key") {
            event.kind = RenderEvent::Kind::Key;
            std::string name;
            if (!(words >> name) || !ParseKey(name, event)) {
                return fail("key needs one of enter, alt+enter, escape, f4, alt+f4");
            }
        } else {
            return fail("unknown event \"" + verb + "\" (move, down, up or key)");
        }
        std::string extra;
        if (words >> extra) {
            return fail("unexpected \"" + extra + "\"");
        }
        if (!events.empty() && event.time < events.back().time) {
            return fail("events must be in time order");
        }
        events.push_back(event);
    }
    return true;
}

HeadlessSettings HeadlessRunSettings(int width, int height) {
    if (width > 0 && height > 0) {
        return {width, height, width, height};
    }
    return {};
}

bool StartDisk(MusicDiskApp& app, const std::string& archive) {
    if (!app.Init(archive, FolderOf(archive))) {
        return false;
    }
    app.Start();
    return true;
}

HeadlessRun::HeadlessRun(const HeadlessRunRequest& request)
    : request(request), host([&] {
          HeadlessSettings settings = HeadlessRunSettings(request.width, request.height);
          if (request.desktopWidth > 0 && request.desktopHeight > 0) {
              settings.desktopWidth = request.desktopWidth;
              settings.desktopHeight = request.desktopHeight;
          }
          return settings;
      }()),
      app(std::make_unique<MusicDiskApp>(host)) {}

HeadlessRun::~HeadlessRun() = default;

bool HeadlessRun::Start() {
    if (!StartDisk(*app, request.archive)) {
        return false;
    }
    if (request.firstSong != 0) {
        app->Songs().SelectSong(request.firstSong);
    }
    return true;
}

std::vector<MissingSong> HeadlessRun::MissingSongs() const {
    std::vector<MissingSong> missing;
    for (int32_t n = 0; n < static_cast<int32_t>(app->Songs().SongCount()); ++n) {
        const Song* song = app->Songs().SongAt(n);
        std::error_code error;
        if (song != nullptr && song->handle == 0 && !std::filesystem::exists(song->path, error)) {
            missing.push_back({n, song->title, song->path});
        }
    }
    return missing;
}

void HeadlessRun::Frame(int64_t time) {
    for (; nextEvent < request.events.size() && request.events[nextEvent].time <= time;
         ++nextEvent) {
        Apply(*app, request.events[nextEvent]);
    }
    RenderFrameAt(host, *app, time);
}

void RenderFrameAt(AppHostHeadless& host, MusicDiskApp& app, int64_t time) {
    host.SetClockMs(static_cast<int32_t>(time * 1000 / kRenderUnitsPerSecond));
    app.RenderFrame();
}

bool RenderDisk(const RenderRequest& request, RenderedFrame& frame) {
    RunEnd end = Run(request, std::llround(request.seconds * kRenderUnitsPerSecond), frame);
    if (end == RunEnd::Quit && frame.seconds >= 0.0) {
        // The frame before the quit ran without its pixels: the same run again stops there.
        end = Run(request, std::llround(frame.seconds * kRenderUnitsPerSecond), frame);
    }
    if (end == RunEnd::Quit) {
        std::fprintf(stderr, "quib: no frame was drawn before the disk was quit\n");
    }
    return end == RunEnd::Kept;
}

} // namespace quib
