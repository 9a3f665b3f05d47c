// Runs a disk headless for a long simulated time under random input, watching its memory.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace quib {

struct SoakRequest {
    std::string archive;
    double seconds = 0.0; // simulated time
    uint64_t seed = 1;
    // Size of the client area; 0 x 0: the disk's own window size.
    int width = 0;
    int height = 0;
    // Simulated seconds between memory samples.
    double sampleSeconds = 10.0;
};

// What the process used at one moment of the run.
struct MemorySample {
    double seconds = 0.0; // simulated time of the sample
    uint64_t rss = 0;     // resident set size, bytes
    uint64_t heap = 0;    // bytes in use in the C library heap
    uint64_t blocks = 0;  // blocks of the system's allocator not given back
};

struct SoakReport {
    uint64_t frames = 0;
    uint64_t events = 0;
    uint64_t keys = 0;
    uint64_t restarts = 0; // the disk quit itself (a button's exit) and was loaded again
    // One sample once the disk loaded, then one every sampleSeconds and one at the end.
    std::vector<MemorySample> samples;
    // Allocator blocks not given back once the disk was torn down, against before it loaded.
    int64_t unbalancedBlocks = 0;
};

// The highest figures of the samples, each on its own (`seconds` is the time of the highest
// resident memory).
MemorySample PeakOf(std::span<const MemorySample> samples);

// What a disk in a steady state uses depends on what it shows and plays (textures made anew,
// decoders of songs of different kinds), so memory is flat when the peak of the second half
// of a run stays within these margins of the first half's peak (a fixed part plus a fraction):
// a leak of a frame's worth does not. False with the measure and figures in `why`.
bool WithinMargins(const MemorySample& reference, const MemorySample& later, std::string& why);

// The process's memory now (samples taken at simulated time `seconds`).
MemorySample SampleMemory(double seconds);

// Loads the disk with the real application on the headless host and runs it frame by frame
// (1/60 s, the offline audio advancing with it) with input drawn from a generator seeded by
// `seed`: pointer moves, clicks and drags of the left button, Enter, Alt+Enter (the display
// switch) and F4 (Escape and Alt+F4, which quit, are never sent). A disk that quits through
// a command is loaded again. `progress` is called about once a simulated second with the
// simulated seconds done. False when the disk cannot be loaded (the reason is on standard
// error).
bool SoakDisk(const SoakRequest& request, SoakReport& report,
              const std::function<void(double)>& progress);

} // namespace quib
