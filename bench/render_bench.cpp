// Wall time of running a disk headless to a point in time and keeping that frame (qdp render):
// rasterising the kept frame only, against rasterising every frame as a window shows them.
// Usage: render_bench [seconds, default 60] [disk, default this build's demo disk]
#include "app/DiskRenderer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace quib;

// Seconds of wall time for one render; negative when it fails.
double TimeRender(const RenderRequest& request, RenderedFrame& frame) {
    const auto start = std::chrono::steady_clock::now();
    if (!RenderDisk(request, frame)) {
        return -1.0;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    RenderRequest request;
    request.seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    request.archive = argc > 2 ? argv[2] : QUIB_BINARY_DIR "/demo/demo.qdp";
    RenderedFrame kept;
    const double fast = TimeRender(request, kept);
    request.drawEveryFrame = true;
    RenderedFrame full;
    const double slow = TimeRender(request, full);
    if (fast < 0.0 || slow < 0.0) {
        std::fprintf(stderr, "render_bench: %s: no frame rendered\n", request.archive.c_str());
        return 1;
    }
    std::printf("%s to %g s, %dx%d\n", request.archive.c_str(), kept.seconds, kept.width,
                kept.height);
    std::printf("%-28s %8.2f s\n", "kept frame rasterised only", fast);
    std::printf("%-28s %8.2f s\n", "every frame rasterised", slow);
    std::printf("%-28s %8.1f x, same pixels: %s\n", "speed-up", slow / fast,
                kept.argb == full.argb ? "yes" : "NO");
    return 0;
}
