// qdp preview's turn-around on the demo disk, headless at 1280x720: a time in a copy of the
// demo's source is changed, the preview sees the change and builds the disk again (compile,
// find, check, pack into memory), and the next frame swaps the new pages and textures in. The
// figures are medians of wall time; the goal is the whole well under a second.
// Usage: preview_bench [rounds, default 11]
#include "Command.h"
#include "DiskPreview.h"
#include "GoalComparison.h"
#include "app/DiskRenderer.h"
#include "app/MusicDiskApp.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = quib::bench::RoundsFromArguments(argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("preview_bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path source = folder / "demo.toml";
    std::ifstream demo(QUIB_SOURCE_DIR "/examples/demo/demo.toml");
    const std::string text(std::istreambuf_iterator<char>(demo), {});
    const std::string interval = "intervals = [[0, 61.44]]";
    const size_t at = text.find(interval);
    if (at == std::string::npos) {
        std::fprintf(stderr, "preview_bench: the demo's source has no \"%s\"\n", interval.c_str());
        return 1;
    }
    std::ofstream(source) << text;

    quib::qdp::DiskPreview preview(*quib::qdp::FindCommand("preview"), source.string(),
                                   {fs::path(QUIB_BINARY_DIR "/demo/assets")});
    quib::AppHostHeadless host(quib::HeadlessRunSettings(1280, 720));
    quib::MusicDiskApp app(host);
    if (!preview.Start(app)) {
        return 1;
    }
    app.Start();
    int64_t time = 0;
    const auto frame = [&] {
        host.Audio()->Advance(quib::kRenderFrameUnits);
        time += quib::kRenderFrameUnits;
        quib::RenderFrameAt(host, app, time);
    };
    std::vector<double> builds;
    std::vector<double> swaps;
    std::vector<double> totals;
    for (int round = 0; round < rounds; ++round) {
        for (int i = 0; i < 30; ++i) {
            frame();
        }
        std::string edited = text;
        edited.replace(at, interval.size(),
                       "intervals = [[0, " + std::to_string(50 + round % 2) + "]]");
        std::ofstream(source) << edited;
        const Clock::time_point start = Clock::now();
        if (!preview.CheckFiles()) {
            std::fprintf(stderr, "preview_bench: the change was not seen\n");
            return 1;
        }
        const Clock::time_point built = Clock::now();
        frame();
        const Clock::time_point swapped = Clock::now();
        builds.push_back(Ms(built - start));
        swaps.push_back(Ms(swapped - built));
        totals.push_back(Ms(swapped - start));
    }
    fs::remove_all(folder);
    std::printf("qdp preview of the demo disk at 1280x720, %d rounds (median ms)\n", rounds);
    std::printf("  build (compile, check, pack)   %8.1f\n", quib::bench::Median(builds));
    std::printf("  swap (the frame that loads it) %8.1f\n", quib::bench::Median(swaps));
    std::printf("  change to new frame            %8.1f   goal: well under 1000, plus up to "
                "200 between looks\n",
                quib::bench::Median(totals));
    return 0;
}
