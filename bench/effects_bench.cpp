// Cost of the text effects on the headless device: one title render during a fade (measure,
// draw, colour, upload) and one scroller frame (window copy and upload, then the draw), each
// with the demo disk's rectangles at window heights of 480 and 1080 pixels.
#include "description/MemoryDescriptionReader.h"
#include "effects/EffectFactory.h"
#include "effects/EffectHost.h"
#include "effects/SongNameEffect.h"
#include "effects/TextureStore.h"
#include "effects/VerticalScrollerEffect.h"
#include "host/gfx/GfxContextEgl.h"
#include "host/gfx/GfxDeviceGl.h"
#include "host/text/TextRenderer.h"
#include "vfs/ZipArchive.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <string>

namespace {

using namespace quib;

// The player as the effects see it: a window of the given height at 16:9 playing song 0.
class BenchHost final : public EffectHost {
public:
    BenchHost(GfxDevice* device, int32_t windowHeight)
        : windowHeight(windowHeight), textures(device) {}
    float MouseX() const override { return -1.0f; }
    float MouseY() const override { return 1.0f; }
    bool MouseDown() const override { return false; }
    bool Windowed() const override { return true; }
    int32_t WindowHeight() const override { return windowHeight; }
    float Aspect() const override { return 1.778f; }
    int32_t DesktopWidth() const override { return 1920; }
    int32_t DesktopHeight() const override { return 1080; }
    int32_t CurrentSong() const override { return 0; }
    std::string CurrentSongTitle() const override { return "Lantern Lights"; }
    bool UserStopped() const override { return false; }
    int32_t GetPlaybackPosition() const override { return 0; }
    int64_t CurrentSongLength() const override { return 0; }
    ChannelState CurrentChannelState() const override { return ChannelState::Playing; }
    float MasterVolume() const override { return 1.0f; }
    bool CurrentSpectrum(float*) const override { return false; }
    void ExecuteCommand(int32_t, int32_t) override {}
    bool ConsumeEventFlag(int32_t) override { return true; }
    TextRenderer& Text() override { return text; }
    TextureStore& Textures() override { return textures; }

private:
    int32_t windowHeight;
    TextRenderer text;
    TextureStore textures;
};

// A headless device with a back buffer of the window's size, and one effect loaded on it.
struct Bench {
    std::unique_ptr<GfxContextEgl> context;
    std::unique_ptr<GfxDeviceGl> device;
    std::unique_ptr<BenchHost> host;
    std::unique_ptr<Effect> effect;

    Bench(int32_t windowHeight, const EffectBlock& block) {
        const int width = static_cast<int>(static_cast<float>(windowHeight) * 1.778f);
        std::string error;
        context = GfxContextEgl::Create(width, windowHeight, error);
        if (context) {
            device = GfxDeviceGl::Create(*context, width, windowHeight, error);
        }
        if (!device) {
            std::fprintf(stderr, "effects_bench: %s\n", error.c_str());
            return;
        }
        host = std::make_unique<BenchHost>(device.get(), windowHeight);
        effect.reset(
            ConstructEffect(static_cast<EffectType>(block.index()), device.get(), host.get()));
        effect->RebuildMarked();
        const std::vector<uint8_t> bytes = WriteEffectBlock(block);
        MemoryDescriptionReader reader(bytes);
        ZipArchive archive;
        effect->Load(host->Textures(), reader, archive);
    }
    ~Bench() {
        if (effect) {
            effect->ReleaseResources();
        }
    }
    void Frame(int32_t elapsed, int32_t remaining, int32_t position) {
        device->BeginFrame();
        device->Clear();
        effect->Draw(elapsed, remaining, position);
        device->EndFrame();
    }
};

void TitleDuringFade(benchmark::State& state) {
    SongNameEffectBlock block;
    block.x = -0.15f;
    block.y = 0.45f;
    block.width = 1.0f;
    block.height = 0.2f;
    block.fadeIn = 66150;
    block.bold = 1;
    block.bottomColour = 0xFF3FE0FFu;
    Bench bench(static_cast<int32_t>(state.range(0)), block);
    if (!bench.effect) {
        state.SkipWithError("no device");
        return;
    }
    int32_t elapsed = 0;
    for (auto _ : state) {
        bench.Frame(elapsed, 1000000, elapsed);
        elapsed = (elapsed + 735) % 66150; // always inside the fade-in: rendered every frame
    }
    state.counters["texture width"] = static_cast<SongNameEffect&>(*bench.effect).textWidth;
}
BENCHMARK(TitleDuringFade)->Arg(480)->Arg(1080)->Unit(benchmark::kMicrosecond);

void ScrollerFrame(benchmark::State& state) {
    VerticalScrollerEffectBlock block;
    block.x = 0.0f;
    block.y = 0.2f;
    block.width = 0.85f;
    block.height = 0.75f;
    for (int line = 0; line < 40; ++line) {
        block.text += "Line " + std::to_string(line + 1) + ": greetings to the crew\n";
    }
    block.fontHeight = 18;
    block.textFormat = DT_CENTER | DT_WORDBREAK;
    block.eventFlag = 0;
    Bench bench(static_cast<int32_t>(state.range(0)), block);
    if (!bench.effect) {
        state.SkipWithError("no device");
        return;
    }
    auto& scroller = static_cast<VerticalScrollerEffect&>(*bench.effect);
    bench.Frame(0, 0, 0); // takes the flag
    int32_t position = 0;
    for (auto _ : state) {
        position += 735;
        if (!scroller.scrollActive || scroller.endTime != -1) {
            // Keep scrolling: start again from the bottom without drawing the waiting frame.
            scroller.scrollActive = true;
            scroller.startTime = position;
            scroller.endTime = -1;
        }
        bench.Frame(0, 0, position);
    }
    state.counters["box pixels"] = static_cast<double>(scroller.boxWidth) * scroller.boxHeight;
}
BENCHMARK(ScrollerFrame)->Arg(480)->Arg(1080)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
