// Runs a disk headless over a stretch of time and hands on every frame and its sound.
#include "app/DiskRecorder.h"

#include "app/MusicDiskApp.h"
#include "host/gfx/GfxContextEgl.h"

#include <algorithm>
#include <cstdio>

namespace quib {

int64_t RecordFrameTime(int64_t from, int32_t framesPerSecond, int64_t index) {
    return from + index * static_cast<int64_t>(kRenderUnitsPerSecond) / framesPerSecond;
}

bool RecordDisk(const RecordRequest& request, RecordSink& sink, RecordReport& report) {
    HeadlessRun run(request);
    if (!run.Start()) {
        return false;
    }
    report.missingSongs = run.MissingSongs();
    report.to = request.to;
    if (report.to < 0) {
        report.to = run.App().Songs().CurrentSongLength();
        if (report.to <= 0) {
            std::fprintf(stderr,
                         "quib: the first song's length is not known: the end must be given\n");
            return false;
        }
    }
    if (report.to <= request.from) {
        std::fprintf(stderr, "quib: the stretch from %.3f s to %.3f s is empty\n",
                     static_cast<double>(request.from) / kRenderUnitsPerSecond,
                     static_cast<double>(report.to) / kRenderUnitsPerSecond);
        return false;
    }
    GfxContextEgl& context = run.Context();
    AudioOutputOffline& audio = run.Audio();
    context.SetRasterising(false);
    for (int64_t time = 0; time < request.from;) {
        run.Frame(time);
        if (run.App().Quitting()) {
            std::fprintf(stderr, "quib: the disk quit before the recording began\n");
            return false;
        }
        const int64_t next = std::min(time + kRenderFrameUnits, request.from);
        audio.Advance(static_cast<uint64_t>(next - time));
        time = next;
    }

    // Frames start before `to`: frame k starts before it while k < (to - from) x rate.
    const int64_t frames = ((report.to - request.from) * request.framesPerSecond +
                            static_cast<int64_t>(kRenderUnitsPerSecond) - 1) /
                           static_cast<int64_t>(kRenderUnitsPerSecond);
    if (!sink.Begin(frames)) {
        return false;
    }
    context.SetRasterising(true);
    std::vector<uint32_t> argb;
    std::vector<float> sound;
    for (int64_t k = 0; k < frames; ++k) {
        const int64_t time = RecordFrameTime(request.from, request.framesPerSecond, k);
        run.Frame(time);
        if (run.App().Quitting()) {
            report.quit = true;
            break;
        }
        int width = 0;
        int height = 0;
        context.ClientSize(width, height);
        if (!context.ReadClientArea(argb)) {
            std::fprintf(stderr, "quib: the frame at %.3f s could not be read back\n",
                         static_cast<double>(time) / kRenderUnitsPerSecond);
            return false;
        }
        if (!sink.Picture(argb, width, height)) {
            return false;
        }
        const auto length = static_cast<size_t>(
            RecordFrameTime(request.from, request.framesPerSecond, k + 1) - time);
        sound.resize(2 * length);
        audio.Advance(length, sound.data());
        if (!sink.Sound(sound.data(), length)) {
            return false;
        }
        ++report.frames;
    }
    return true;
}

} // namespace quib
