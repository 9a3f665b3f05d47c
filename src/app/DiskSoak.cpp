// A long headless run under random input: the disk, the input generator and the memory samples.
#include "app/DiskSoak.h"

#include "app/AppHostHeadless.h"
#include "app/DiskRenderer.h"
#include "app/MusicDiskApp.h"
#include "host/gfx/GfxContextEgl.h"
#include "platform/MemAllocator.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <malloc.h>
#include <memory>
#include <random>
#include <span>
#include <unistd.h>

namespace quib {

namespace {

constexpr uint64_t kMiB = 1u << 20;

int64_t LiveBlocks() {
    const MemCounters counters = MemGetCounters();
    return static_cast<int64_t>(counters.allocations) - static_cast<int64_t>(counters.frees);
}

// One load of the disk: the host it runs on and the application.
struct Session {
    explicit Session(const HeadlessSettings& settings) : host(settings), app(host) {}
    AppHostHeadless host;
    MusicDiskApp app;
};

std::unique_ptr<Session> Load(const SoakRequest& request) {
    auto session = std::make_unique<Session>(HeadlessRunSettings(request.width, request.height));
    return StartDisk(session->app, request.archive) ? std::move(session) : nullptr;
}

// The random user. Each frame it may move the pointer (anywhere, or a few pixels while the
// button is held: a drag), press or release the button, or rarely press a key.
class RandomInput {
public:
    explicit RandomInput(uint64_t seed) : random(seed) {}

    void Frame(MusicDiskApp& app, int width, int height, SoakReport& report) {
        const uint64_t roll = random() % 1000;
        if (roll < 300) {
            if (down) {
                x = Clamp(x + Between(-8, 8), width);
                y = Clamp(y + Between(-8, 8), height);
            } else {
                x = Between(0, width - 1);
                y = Between(0, height - 1);
            }
            app.OnMouseMove(x, y);
        } else if (roll < 320 && !down) {
            down = true;
            app.OnLeftButton(true);
        } else if (roll < 360 && down) {
            down = false;
            app.OnLeftButton(false);
        } else if (roll == 999) {
            const struct {
                WindowKey key;
                bool alt;
            } keys[] = {
                {WindowKey::Enter, false}, {WindowKey::Enter, true}, {WindowKey::F4, false}};
            const auto& k = keys[random() % std::size(keys)];
            app.OnKeyDown(k.key, k.alt);
            ++report.keys;
        } else {
            return;
        }
        ++report.events;
    }

    // A new load starts with the button up.
    void Reset() { down = false; }

private:
    int Between(int low, int high) {
        return low + static_cast<int>(random() % static_cast<uint64_t>(high - low + 1));
    }
    static int Clamp(int value, int size) {
        return value < 0 ? 0 : value >= size ? size - 1 : value;
    }

    std::mt19937_64 random;
    int x = 0;
    int y = 0;
    bool down = false;
};

} // namespace

MemorySample SampleMemory(double seconds) {
    MemorySample sample;
    sample.seconds = seconds;
    unsigned long pages = 0;
    unsigned long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu %lu", &pages, &resident) == 2) {
            sample.rss =
                static_cast<uint64_t>(resident) * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
        }
        std::fclose(statm);
    }
    const struct mallinfo2 info = mallinfo2();
    sample.heap = info.uordblks + info.hblkhd;
    sample.blocks = static_cast<uint64_t>(std::max<int64_t>(LiveBlocks(), 0));
    return sample;
}

MemorySample PeakOf(std::span<const MemorySample> samples) {
    MemorySample peak;
    for (const MemorySample& s : samples) {
        if (s.rss > peak.rss) {
            peak.rss = s.rss;
            peak.seconds = s.seconds;
        }
        peak.heap = std::max(peak.heap, s.heap);
        peak.blocks = std::max(peak.blocks, s.blocks);
    }
    return peak;
}

bool WithinMargins(const MemorySample& reference, const MemorySample& later, std::string& why) {
    const struct {
        const char* name;
        uint64_t reference;
        uint64_t later;
        uint64_t allowed;
    } measures[] = {
        {"resident memory", reference.rss, later.rss,
         reference.rss + 4 * kMiB + reference.rss / 16},
        {"heap in use", reference.heap, later.heap, reference.heap + kMiB + reference.heap / 32},
        {"allocator blocks", reference.blocks, later.blocks,
         reference.blocks + 64 + reference.blocks / 64},
    };
    for (const auto& m : measures) {
        if (m.later > m.allowed) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "%s peaked at %llu bytes or blocks, against %llu "
                          "before (allowed: %llu)",
                          m.name, static_cast<unsigned long long>(m.later),
                          static_cast<unsigned long long>(m.reference),
                          static_cast<unsigned long long>(m.allowed));
            why = text;
            return false;
        }
    }
    return true;
}

bool SoakDisk(const SoakRequest& request, SoakReport& report,
              const std::function<void(double)>& progress) {
    const int64_t blocksBefore = LiveBlocks();
    {
        std::unique_ptr<Session> session = Load(request);
        if (!session) {
            return false;
        }
        report.samples.push_back(SampleMemory(0.0));
        const auto total = static_cast<uint64_t>(request.seconds * kRenderUnitsPerSecond);
        const auto sampleUnits =
            static_cast<uint64_t>(request.sampleSeconds * kRenderUnitsPerSecond);
        RandomInput input(request.seed);
        uint64_t done = 0;      // simulated time of the whole run
        uint64_t sinceLoad = 0; // the clock of the current load
        uint64_t nextSample = sampleUnits;
        uint64_t nextProgress = 0;
        while (done < total) {
            GfxContextEgl& context = *session->host.Context();
            int width = 0;
            int height = 0;
            context.ClientSize(width, height);
            input.Frame(session->app, width, height, report);
            RenderFrameAt(session->host, session->app, static_cast<int64_t>(sinceLoad));
            ++report.frames;
            session->host.Audio()->Advance(kRenderFrameUnits);
            done += kRenderFrameUnits;
            sinceLoad += kRenderFrameUnits;
            if (session->app.Quitting()) {
                session.reset();
                session = Load(request);
                if (!session) {
                    return false;
                }
                input.Reset();
                sinceLoad = 0;
                ++report.restarts;
            }
            if (done >= nextSample || done >= total) {
                report.samples.push_back(
                    SampleMemory(static_cast<double>(done) / kRenderUnitsPerSecond));
                nextSample += sampleUnits;
            }
            if (done >= nextProgress) {
                progress(static_cast<double>(done) / kRenderUnitsPerSecond);
                nextProgress += static_cast<uint64_t>(kRenderUnitsPerSecond);
            }
        }
    }
    report.unbalancedBlocks = LiveBlocks() - blocksBefore;
    return true;
}

} // namespace quib
