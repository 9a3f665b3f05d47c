// qdp render: run a disk headless to a point in time and write that frame as a PNG.
#include "Command.h"
#include "CommandLine.h"
#include "DiskInput.h"
#include "app/DiskRenderer.h"
#include "app/StartupTimings.h"
#include "host/gfx/ImageCodec.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace quib::qdp {

namespace {

struct RenderArguments {
    const char* disk = nullptr;
    const char* time = nullptr;
    const char* size = nullptr;
    const char* events = nullptr;
    const char* song = nullptr;
    const char* out = nullptr;
    bool timings = false;
};

// Fills arguments; answers an error text for the usage message, or null.
const char* ParseRender(std::span<char* const> args, RenderArguments& parsed) {
    const ValueOption options[] = {{"--time", &parsed.time},
                                   {"--size", &parsed.size},
                                   {"--events", &parsed.events},
                                   {"--song", &parsed.song},
                                   {"--out", &parsed.out}};
    const FlagOption flags[] = {{"--timings", &parsed.timings}};
    if (const char* error = ParseValueOptions(args, options, parsed.disk, flags)) {
        return error;
    }
    if (parsed.time == nullptr || parsed.out == nullptr) {
        return "a disk, --time and --out are needed";
    }
    return nullptr;
}

// The song to start with: a number of the disk's playlist. An unreadable description is left
// for the render to refuse.
int ParseSong(const Command& self, const char* disk, const char* text, int32_t& song) {
    uint64_t number = 0;
    if (!ParseUnsigned(text, number) || number > INT32_MAX) {
        return UsageError(self, "--song needs a song number from 0, not \"%s\"", text);
    }
    song = static_cast<int32_t>(number);
    DiskInput input;
    if (!OpenDiskInput(self, disk, input)) {
        return kExitFailure;
    }
    const ParsedDescription parsed = ParseDescription(input.description);
    const size_t songs = parsed.model.songs.size();
    if (!parsed.error && static_cast<size_t>(song) >= songs) {
        return UsageError(self, "--song %d: %s has %zu song%s, numbered from 0", song, disk, songs,
                          songs == 1 ? "" : "s");
    }
    return kExitOk;
}

int RunRender(const Command& self, std::span<char* const> args) {
    RenderArguments parsed;
    if (const char* error = ParseRender(args, parsed)) {
        return UsageError(self, "%s", error);
    }
    std::optional<StartupTimings> timings;
    if (parsed.timings) {
        timings.emplace();
    }
    RenderRequest request;
    request.archive = parsed.disk;
    if (!ParseSeconds(parsed.time, request.seconds)) {
        return UsageError(self, "--time needs seconds from 0 to 86400, not \"%s\"", parsed.time);
    }
    if (parsed.size != nullptr && !ParseSize(parsed.size, request.width, request.height)) {
        return UsageError(self, "--size needs WIDTHxHEIGHT, not \"%s\"", parsed.size);
    }
    if (parsed.song != nullptr) {
        if (const int status = ParseSong(self, parsed.disk, parsed.song, request.firstSong)) {
            return status;
        }
    }
    if (parsed.events != nullptr) {
        std::ifstream in(parsed.events, std::ios::binary);
        if (!in) {
            return Failure(self, "%s: cannot open: %s", parsed.events, std::strerror(errno));
        }
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        if (!ParseRenderEvents(text.str(), request.events, error)) {
            return Failure(self, "%s: %s", parsed.events, error.c_str());
        }
    }
    RenderedFrame frame;
    bool rendered = false;
    {
        // What the run's own steps leave over is mostly the application's tear-down.
        const StartupTimings::Step step("tear-down");
        rendered = RenderDisk(request, frame);
    }
    for (const MissingSong& song : frame.missingSongs) {
        std::fprintf(stderr,
                     "qdp render: %s: warning: song %d \"%s\": %s is not found; the player "
                     "skips the song\n",
                     parsed.disk, song.index, song.title.c_str(), song.path.c_str());
    }
    if (!rendered) {
        return Failure(self, "%s: no frame rendered", parsed.disk);
    }
    std::fprintf(stderr, "qdp render: %s: drew the frame at %.3f s\n", parsed.disk, frame.seconds);
    bool written = false;
    {
        const StartupTimings::Step step("PNG write");
        written = WritePng(parsed.out, frame.width, frame.height, frame.argb.data());
    }
    if (!written) {
        return Failure(self, "%s: cannot write the PNG", parsed.out);
    }
    if (timings) {
        std::fprintf(stderr, "qdp render: where the time went (steady clock):\n");
        timings->Print();
    }
    return kExitOk;
}

} // namespace

extern const Command commandRender = {
    "render",
    "run a disk headless and write one frame as a PNG",
    "qdp render DISK.qdp --time SECONDS [--size WxH] [--song N] [--events FILE] [--timings]\n"
    "           --out FRAME.png\n"
    "Runs the disk as quib does, without a window and with silent audio, from the start of\n"
    "its first song (or of song N) to SECONDS in frames of 1/60 s, and writes the frame shown\n"
    "then: the first frame at or after SECONDS, whose time standard error tells. Only that\n"
    "frame is drawn; the frames before it update every effect without their pixels.\n"
    "The songs are read from music/ beside the disk; a warning names each song not found.\n"
    "\n"
    "  --size WxH     size of the frame (default: the disk's window size)\n"
    "  --song N       start with song N of the playlist, 0 for the first (the default); the\n"
    "                 songs after it follow in the playlist's order\n"
    "  --events FILE  scripted input, one event a line:\n"
    "                   SECONDS move X Y    (pixels of the frame)\n"
    "                   SECONDS down | SECONDS up   (left button)\n"
    "                   SECONDS key NAME    (enter, alt+enter, escape, f4, alt+f4)\n"
    "                 Escape ends the run; the frame before it is written.\n"
    "  --timings      print on standard error where the time went: archive, description,\n"
    "                 graphics context and device, images, songs, fonts, audio output,\n"
    "                 first frame, later frames, read-back, tear-down, PNG write\n"
    "  --out FILE     the PNG to write\n",
    RunRender,
};

} // namespace quib::qdp
