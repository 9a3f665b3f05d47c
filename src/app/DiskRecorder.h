// Runs a disk headless over a stretch of time and hands on every frame and its sound, for a
// video of the disk.
#pragma once

#include "app/DiskRenderer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quib {

struct RecordRequest : HeadlessRunRequest {
    // The stretch recorded, in clock units from the start of playback. A negative `to`: the
    // end of the first song's first pass.
    int64_t from = 0;
    int64_t to = -1;
    int32_t framesPerSecond = 60;
};

// Where a recording goes, in order: Begin once, then each frame's picture and the sound up to
// the next frame. An answer of false ends the recording (the sink keeps why).
class RecordSink {
public:
    virtual ~RecordSink() = default;
    // The number of frames to come (fewer when the disk quits on the way).
    virtual bool Begin(int64_t frames) = 0;
    // A frame, top row first.
    virtual bool Picture(const std::vector<uint32_t>& argb, int width, int height) = 0;
    // `frames` stereo frames at 44100 Hz, interleaved, as the player mixes them.
    virtual bool Sound(const float* stereo, size_t frames) = 0;
};

struct RecordReport {
    int64_t frames = 0; // frames handed on
    int64_t to = 0;     // the end of the stretch in clock units
    bool quit = false;  // the disk quit before the end
    std::vector<MissingSong> missingSongs;
};

// The clock time of frame `index` of a recording from `from`: the sample at which it starts,
// rounded down, so that frames and sound never drift apart at any frame rate.
int64_t RecordFrameTime(int64_t from, int32_t framesPerSecond, int64_t index);

// The real application on the headless host from the start of playback: in frames of
// kRenderFrameUnits up to `from`, not rasterised (as qdp render runs them), then from `from`
// on at the frames' times, each frame rasterised and handed on with the sound mixed up to the
// next one, until `to` or until the disk quits. False when the disk is refused, when the
// stretch is empty or unknown, when nothing could be read back or when the sink refused
// (the reason is on standard error, or with the sink).
bool RecordDisk(const RecordRequest& request, RecordSink& sink, RecordReport& report);

} // namespace quib
