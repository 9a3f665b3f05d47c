// qdp render: run a disk headless to a point in time and write that frame as a PNG.
#include "Command.h"
#include "CommandLine.h"
#include "HeadlessOptions.h"
#include "app/DiskRenderer.h"
#include "app/StartupTimings.h"
#include "host/gfx/ImageCodec.h"

#include <cstdio>
#include <optional>
#include <string>

namespace quib::qdp {

namespace {

struct RenderArguments {
    const char* disk = nullptr;
    const char* time = nullptr;
    HeadlessOptions headless;
    const char* out = nullptr;
    bool timings = false;
};

// Fills arguments; answers an error text for the usage message, or null.
const char* ParseRender(std::span<char* const> args, RenderArguments& parsed) {
    const ValueOption options[] = {{"--time", &parsed.time},
                                   {"--size", &parsed.headless.size},
                                   {"--events", &parsed.headless.events},
                                   {"--song", &parsed.headless.song},
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
    if (const int status = ApplyHeadlessOptions(self, parsed.disk, parsed.headless, request)) {
        return status;
    }
    RenderedFrame frame;
    bool rendered = false;
    {
        // What the run's own steps leave over is mostly the application's tear-down.
        const StartupTimings::Step step("tear-down");
        rendered = RenderDisk(request, frame);
    }
    WarnMissingSongs(self, parsed.disk, frame.missingSongs);
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
