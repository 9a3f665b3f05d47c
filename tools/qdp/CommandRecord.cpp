// qdp record: run a disk headless over a stretch of time and write it as a video file.
#include "Command.h"
#include "CommandLine.h"
#include "HeadlessOptions.h"
#include "ProgressBar.h"
#include "VideoFile.h"
#include "app/DiskRecorder.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace quib::qdp {

namespace {

constexpr uint64_t kMostFramesPerSecond = 240;

// Hands the frames and the sound on to the video file, with a progress bar.
class VideoSink final : public RecordSink {
public:
    VideoSink(VideoFile& file, int32_t framesPerSecond, int64_t from)
        : file(file), framesPerSecond(framesPerSecond), from(from) {}

    bool Begin(int64_t frames) override {
        bar.emplace("recording", static_cast<uint64_t>(frames), 0);
        return true;
    }
    bool Picture(const std::vector<uint32_t>& argb, int width, int height) override {
        if (!file.Picture(argb.data(), width, height, error)) {
            return false;
        }
        const double seconds = static_cast<double>(RecordFrameTime(from, framesPerSecond, done)) /
                               kRenderUnitsPerSecond;
        char item[32];
        std::snprintf(item, sizeof item, "%.1f s", seconds);
        bar->Advance(1, item);
        ++done;
        return true;
    }
    bool Sound(const float* stereo, size_t frames) override {
        return file.Sound(stereo, frames, error);
    }
    void Finish() {
        if (bar) {
            bar->Finish();
        }
    }

    std::string error; // why the file refused a frame, when it did

private:
    VideoFile& file;
    int32_t framesPerSecond;
    int64_t from;
    int64_t done = 0;
    std::optional<ProgressBar> bar;
};

struct RecordArguments {
    const char* disk = nullptr;
    const char* from = nullptr;
    const char* to = nullptr;
    const char* fps = nullptr;
    const char* out = nullptr;
    HeadlessOptions headless;
};

// Fills the request from the arguments; answers kExitOk or the exit status once told.
int ParseRecord(const Command& self, std::span<char* const> args, RecordArguments& parsed,
                RecordRequest& request) {
    const ValueOption options[] = {{"--out", &parsed.out},
                                   {"--from", &parsed.from},
                                   {"--to", &parsed.to},
                                   {"--fps", &parsed.fps},
                                   {"--size", &parsed.headless.size},
                                   {"--events", &parsed.headless.events},
                                   {"--song", &parsed.headless.song}};
    if (const char* error = ParseValueOptions(args, options, parsed.disk)) {
        return UsageError(self, "%s", error);
    }
    if (parsed.out == nullptr) {
        return UsageError(self, "a disk and --out are needed");
    }
    if (VideoFormatOf(parsed.out) == nullptr) {
        return UsageError(self, "%s: the video's name ends in .mp4, .mkv or .webm", parsed.out);
    }
    request.archive = parsed.disk;
    double seconds = 0.0;
    if (parsed.from != nullptr) {
        if (!ParseSeconds(parsed.from, seconds)) {
            return UsageError(self, "--from needs seconds from 0 to 86400, not \"%s\"",
                              parsed.from);
        }
        request.from = std::llround(seconds * kRenderUnitsPerSecond);
    }
    if (parsed.to != nullptr) {
        if (!ParseSeconds(parsed.to, seconds)) {
            return UsageError(self, "--to needs seconds from 0 to 86400, not \"%s\"", parsed.to);
        }
        request.to = std::llround(seconds * kRenderUnitsPerSecond);
        if (request.to <= request.from) {
            return UsageError(self, "--to must come after --from");
        }
    }
    if (parsed.fps != nullptr) {
        uint64_t fps = 0;
        if (!ParseUnsigned(parsed.fps, fps) || fps == 0 || fps > kMostFramesPerSecond) {
            return UsageError(self, "--fps needs frames a second from 1 to %llu, not \"%s\"",
                              static_cast<unsigned long long>(kMostFramesPerSecond), parsed.fps);
        }
        request.framesPerSecond = static_cast<int32_t>(fps);
    }
    if (const int status = ApplyHeadlessOptions(self, parsed.disk, parsed.headless, request)) {
        return status;
    }
    if (request.width % 2 != 0 || request.height % 2 != 0) {
        return UsageError(self, "--size needs an even width and height, not \"%s\"",
                          parsed.headless.size);
    }
    return kExitOk;
}

int RunRecord(const Command& self, std::span<char* const> args) {
    RecordArguments parsed;
    RecordRequest request;
    if (const int status = ParseRecord(self, args, parsed, request)) {
        return status;
    }
    const VideoFormat& format = *VideoFormatOf(parsed.out);
    std::string error;
    const std::unique_ptr<VideoFile> video = LoadVideoFile(VideoModuleOfProgram(), error);
    if (!video) {
        return Failure(self, "%s", error.c_str());
    }
    VideoFile& file = *video;
    if (!file.Open(parsed.out, format, request.framesPerSecond,
                   static_cast<int>(kRenderUnitsPerSecond), error)) {
        return Failure(self, "%s: %s", parsed.out, error.c_str());
    }
    const auto started = std::chrono::steady_clock::now();
    VideoSink sink(file, request.framesPerSecond, request.from);
    RecordReport report;
    const bool recorded = RecordDisk(request, sink, report) && file.Finish(sink.error);
    sink.Finish();
    WarnMissingSongs(self, parsed.disk, report.missingSongs);
    if (!recorded) {
        std::error_code ignored;
        std::filesystem::remove(parsed.out, ignored);
        if (!sink.error.empty()) {
            return Failure(self, "%s: %s", parsed.out, sink.error.c_str());
        }
        return Failure(self, "%s: nothing recorded", parsed.disk);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double length = static_cast<double>(report.frames) / request.framesPerSecond;
    std::fprintf(stderr,
                 "qdp record: %s: %lld frames at %d a second (%.3f s from %.3f s%s), %dx%d, "
                 "%s, written to %s in %.1f s (%.1f frames a second)\n",
                 parsed.disk, static_cast<long long>(report.frames), request.framesPerSecond,
                 length, static_cast<double>(request.from) / kRenderUnitsPerSecond,
                 report.quit ? ", until the disk quit" : "", file.Width(), file.Height(),
                 format.codecs, parsed.out, wall,
                 wall > 0.0 ? static_cast<double>(report.frames) / wall : 0.0);
    return kExitOk;
}

} // namespace

extern const Command commandRecord = {
    "record",
    "run a disk headless and write a stretch of it as a video with its sound",
    "qdp record DISK.qdp --out VIDEO [--from SECONDS] [--to SECONDS] [--fps N] [--size WxH]\n"
    "           [--song N] [--events FILE]\n"
    "Runs the disk as quib does, without a window, from the start of its first song (or of\n"
    "song N), and writes the frames from --from to --to with the songs mixed as quib mixes\n"
    "them. The frames before --from run every 1/60 s without their pixels, as qdp render\n"
    "runs them; from --from on, frame K is drawn at --from + K/N s, rounded down to a sample\n"
    "(1/44100 s), with the sound up to the next frame, so that picture and sound never\n"
    "drift apart. At 60 frames a second from a whole number of 1/60 s, each frame is the\n"
    "one qdp render draws at that time; at other rates the disk runs as on a display of\n"
    "that rate. Escape in the events or a quit button ends the video before that frame.\n"
    "The name's ending chooses the container and codecs: .mp4 holds H.264 and AAC at\n"
    "44100 Hz, .mkv H.264 and Opus, .webm VP9 and Opus (Opus at 48000 Hz). A progress bar\n"
    "shows on a terminal; standard error tells what was written and how fast.\n"
    "\n"
    "  --out FILE     the video to write (.mp4, .mkv or .webm)\n"
    "  --from S       where the video starts, in seconds from the start (default 0)\n"
    "  --to S         where it ends (default: the end of the first song played)\n"
    "  --fps N        frames a second, 1 to 240 (default 60)\n"
    "  --size WxH     size of the frames, even numbers (default: the disk's window size;\n"
    "                 an odd width or height loses its last column or row)\n"
    "  --song N       start with song N of the playlist, 0 for the first (the default)\n"
    "  --events FILE  scripted input, as qdp render takes it\n",
    RunRecord,
};

} // namespace quib::qdp
