// qdp soak: run a disk headless for a long simulated time under random input, and check that
// it neither crashes nor leaks.
#include "Command.h"
#include "CommandLine.h"
#include "ProgressBar.h"
#include "app/DiskSoak.h"

#include <chrono>
#include <cstdio>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace quib::qdp {

namespace {

void PrintRow(const char* name, const std::vector<double>& values, const char* format) {
    std::printf("%-18s", name);
    for (const double v : values) {
        std::printf(format, v);
    }
    std::printf("\n");
}

// The memory figures: once loaded, the peaks of both halves, at the end. Answers the peaks.
std::pair<MemorySample, MemorySample> PrintFigures(const SoakReport& report) {
    const std::span<const MemorySample> samples = report.samples;
    const size_t half = samples.size() / 2;
    const MemorySample first = PeakOf(samples.first(half));
    const MemorySample second = PeakOf(samples.subspan(half));
    const MemorySample& loaded = samples.front();
    const MemorySample& end = samples.back();
    std::printf("%-18s %12s %12s %12s %12s\n", "", "loaded", "1st half max", "2nd half max", "end");
    const auto row = [&](const char* name, auto field, double scale, const char* format) {
        PrintRow(
            name,
            {static_cast<double>(loaded.*field) / scale, static_cast<double>(first.*field) / scale,
             static_cast<double>(second.*field) / scale, static_cast<double>(end.*field) / scale},
            format);
    };
    row("resident (MiB)", &MemorySample::rss, 1 << 20, " %12.2f");
    row("heap in use (MiB)", &MemorySample::heap, 1 << 20, " %12.2f");
    row("allocator blocks", &MemorySample::blocks, 1, " %12.0f");
    return {first, second};
}

int RunSoak(const Command& self, std::span<char* const> args) {
    const char* disk = nullptr;
    const char* time = nullptr;
    const char* seed = nullptr;
    const char* size = nullptr;
    const ValueOption options[] = {{"--time", &time}, {"--seed", &seed}, {"--size", &size}};
    if (const char* error = ParseValueOptions(args, options, disk)) {
        return UsageError(self, "%s", error);
    }
    SoakRequest request;
    request.archive = disk;
    if (time == nullptr || !ParseSeconds(time, request.seconds) || request.seconds <= 0.0) {
        return UsageError(self, "--time needs seconds above 0, up to 86400");
    }
    if (seed != nullptr && !ParseUnsigned(seed, request.seed)) {
        return UsageError(self, "--seed needs a whole number, not \"%s\"", seed);
    }
    if (size != nullptr && !ParseSize(size, request.width, request.height)) {
        return UsageError(self, "--size needs WIDTHxHEIGHT, not \"%s\"", size);
    }

    const auto started = std::chrono::steady_clock::now();
    SoakReport report;
    bool loaded = false;
    {
        ProgressBar bar("soaking", static_cast<uint64_t>(request.seconds), 0);
        uint64_t shown = 0;
        loaded = SoakDisk(request, report, [&](double seconds) {
            const auto whole = static_cast<uint64_t>(seconds);
            bar.Advance(whole - shown, std::to_string(whole) + " s");
            shown = whole;
        });
    }
    if (!loaded) {
        return Failure(self, "%s: the disk could not be loaded", disk);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %.1f s simulated in %.1f s, seed %llu: %llu frames, %llu input events "
                "(%llu keys), %llu reloads after the disk quit itself\n",
                disk, request.seconds, wall, static_cast<unsigned long long>(request.seed),
                static_cast<unsigned long long>(report.frames),
                static_cast<unsigned long long>(report.events),
                static_cast<unsigned long long>(report.keys),
                static_cast<unsigned long long>(report.restarts));
    const auto [first, second] = PrintFigures(report);

    int status = kExitOk;
    std::string why;
    if (!WithinMargins(first, second, why)) {
        status = Failure(self, "%s: memory did not stay flat: %s", disk, why.c_str());
    } else {
        std::printf("memory stayed flat: the second half's peaks are within the margins\n");
    }
    if (report.unbalancedBlocks != 0) {
        status =
            Failure(self, "%s: %lld allocator blocks were not given back after the disk closed",
                    disk, static_cast<long long>(report.unbalancedBlocks));
    } else {
        std::printf("allocations balance: every block was given back after the disk closed\n");
    }
    return status;
}

} // namespace

extern const Command commandSoak = {
    "soak",
    "run a disk headless for a long time under random input, checking memory",
    "qdp soak DISK.qdp --time SECONDS [--seed N] [--size WxH]\n"
    "Runs the disk as quib does, without a window and with silent audio, for SECONDS of\n"
    "simulated time in frames of 1/60 s (far faster than real time), while a random user\n"
    "moves the pointer, clicks, drags and presses Enter, Alt+Enter and F4 (never Escape or\n"
    "Alt+F4; a disk that quits through a button is loaded again). Memory is sampled every\n"
    "10 simulated seconds and must stay flat: the peaks of the second half of the run within\n"
    "the first half's peaks plus 4 MiB + 1/16 (resident memory), 1 MiB + 1/32 (heap in use)\n"
    "and 64 + 1/64 (allocator blocks); every allocator block must be given back when the disk\n"
    "closes. A run of a few simulated minutes or more gives both halves the same states.\n"
    "Prints the figures; exits 1 when memory grew or blocks were left, 0 otherwise.\n"
    "\n"
    "  --time SECONDS  simulated time to run\n"
    "  --seed N        seed of the random input (default 1); the same seed replays the run\n"
    "  --size WxH      size of the client area (default: the disk's window size)\n",
    RunSoak,
};

} // namespace quib::qdp
