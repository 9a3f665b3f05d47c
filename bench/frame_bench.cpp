// CPU time per frame of the whole application on the headless host, on the demo disk's heaviest
// moment: the second song's page over the overlay (the streamed song decoding, its title, the
// flower and the bars), with the about panel open and the credits rolling. Sizes: 854x480, 1280x800
// and 1920x1080 filling the desktop, and an 854x480 window on a 1920x1080 desktop, which should
// cost what the plain 854x480 does.
//
// CPU time is the whole process's (the software rasteriser's threads included), from the frame
// at the chosen moment to the last of the timed frames after it; the run up to that moment is
// not counted. Rounds take the cases turn about; the figures are medians.
// Usage: frame_bench [frames per run, default 120 [rounds, default 3 [DISK]]]
#include "GoalComparison.h"
#include "app/DiskRenderer.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

using namespace quib;

// Where the timed frames start, in seconds from the start of the first song.
constexpr double kMoment = 12.0;

struct Case {
    const char* name;
    int width;
    int height;
    int desktopWidth;
    int desktopHeight;
};

struct Cost {
    double cpuMs = 0.0;  // per frame
    double wallMs = 0.0; // per frame
};

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A click at a point given in screen units (-1..1, y up), in pixels of a width x height frame.
void Click(double seconds, float x, float y, int width, int height,
           std::vector<RenderEvent>& events) {
    const auto at = std::llround(seconds * 44100.0);
    const int px = static_cast<int>((x + 1.0f) * 0.5f * static_cast<float>(width));
    const int py = static_cast<int>((1.0f - y) * 0.5f * static_cast<float>(height));
    events.push_back({at, RenderEvent::Kind::Move, px, py});
    events.push_back({at, RenderEvent::Kind::Down});
    events.push_back({at + kRenderFrameUnits * 2, RenderEvent::Kind::Up});
}

// Runs the disk to kMoment, then times `frames` frames more. False when nothing was rendered.
bool Measure(const std::string& disk, const Case& c, int frames, Cost& cost) {
    RenderRequest request;
    request.archive = disk;
    request.seconds = kMoment;
    request.width = c.width;
    request.height = c.height;
    request.desktopWidth = c.desktopWidth;
    request.desktopHeight = c.desktopHeight;
    // The second song's button, the about button, then the credits button (the centres of
    // their rectangles in demo.toml).
    Click(kMoment - 3.5, -0.29f, 0.8566f, c.width, c.height, request.events);
    Click(kMoment - 3.0, 0.87f, -0.8044f, c.width, c.height, request.events);
    Click(kMoment - 2.0, 0.89f, 0.8356f, c.width, c.height, request.events);
    int drawn = 0;
    double cpuStart = 0.0;
    double cpuEnd = 0.0;
    std::chrono::steady_clock::time_point wallStart;
    std::chrono::steady_clock::time_point wallEnd;
    request.drawAnother = [&] {
        if (drawn == 0) {
            cpuStart = ProcessCpuSeconds();
            wallStart = std::chrono::steady_clock::now();
        }
        cpuEnd = ProcessCpuSeconds();
        wallEnd = std::chrono::steady_clock::now();
        return drawn++ < frames;
    };
    RenderedFrame frame;
    if (!RenderDisk(request, frame) || drawn <= frames) {
        std::fprintf(stderr, "frame_bench: %s: the run stopped before its timed frames\n",
                     disk.c_str());
        return false;
    }
    cost.cpuMs = 1000.0 * (cpuEnd - cpuStart) / frames;
    cost.wallMs = 1000.0 * std::chrono::duration<double>(wallEnd - wallStart).count() / frames;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 120;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::string disk = argc > 3 ? argv[3] : QUIB_DEMO_DISK;
    if (argc > 4 || frames <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: frame_bench [frames per run [rounds [DISK]]]\n");
        return 2;
    }
    const Case cases[] = {{"854x480", 854, 480, 0, 0},
                          {"1280x800", 1280, 800, 0, 0},
                          {"1920x1080", 1920, 1080, 0, 0},
                          {"854x480 window on 1920x1080", 854, 480, 1920, 1080}};
    constexpr size_t kCases = sizeof cases / sizeof cases[0];
    std::vector<double> cpu[kCases];
    std::vector<double> wall[kCases];
    std::vector<double> windowRatios;
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < kCases; ++i) {
            Cost cost;
            if (!Measure(disk, cases[i], frames, cost)) {
                return 1;
            }
            cpu[i].push_back(cost.cpuMs);
            wall[i].push_back(cost.wallMs);
        }
        windowRatios.push_back(cpu[kCases - 1].back() / cpu[0].back());
    }
    std::printf(
        "the demo disk at %.0f s (second song's page, about panel open, credits rolling), %d "
        "frames a run, %d rounds; CPU time of the whole process\n\n",
        kMoment, frames, rounds);
    std::printf("%-36s %14s %14s\n", "client area", "cpu ms/frame", "wall ms/frame");
    for (size_t i = 0; i < kCases; ++i) {
        std::printf("%-36s %14.2f %14.2f\n", cases[i].name, bench::Median(cpu[i]),
                    bench::Median(wall[i]));
    }
    std::printf("\n");
    bench::PrintGoalHeader("cpu ms/frame");
    bench::PrintGoalRow("854x480 window on 1920x1080 desktop", bench::Median(cpu[kCases - 1]),
                        bench::Median(cpu[0]), bench::Median(windowRatios), 1.1);
    return 0;
}
