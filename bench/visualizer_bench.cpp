// CPU time of the visualizers' work at their default sizes: one spectrum sample, one update of
// each visualizer, and one frame's upload and draw of its vertices on the headless device.
#include "effects/FakeEffectHost.h"
#include "host/gfx/GfxContextEgl.h"
#include "host/gfx/GfxDeviceGl.h"
#include "visualizers/BeatFlowerVisualizer.h"
#include "visualizers/BouncingEQVisualizer.h"
#include "visualizers/PlasmaVisualizer.h"
#include "visualizers/VerticalEQBarsVisualizer.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

using namespace quib;

// One headless device for every case, and a host whose song plays a busy spectrum.
struct Stage {
    Stage() {
        std::string error;
        context = GfxContextEgl::Create(1280, 720, error);
        if (context) {
            device = GfxDeviceGl::Create(*context, 1280, 720, error);
        }
        if (!device) {
            std::fprintf(stderr, "visualizer_bench: %s\n", error.c_str());
            std::exit(1);
        }
        host = std::make_unique<test::FakeEffectHost>(device.get());
        for (int k = 0; k < kSpectrumBins; ++k) {
            host->spectrum[k] = 0.5f + 0.5f * static_cast<float>(std::sin(k * 0.37));
        }
        device->BeginFrame();
    }
    std::unique_ptr<GfxContextEgl> context;
    std::unique_ptr<GfxDeviceGl> device;
    std::unique_ptr<test::FakeEffectHost> host;
};

Stage& TheStage() {
    static Stage stage;
    return stage;
}

// A visualizer of the class with its constructor defaults, built as the factory builds it.
template <class V>
std::unique_ptr<V> Make() {
    Stage& stage = TheStage();
    std::unique_ptr<V> v(new V(stage.device.get(), stage.host.get()));
    v->RebuildMarked();
    return v;
}

// Every sample is due: the position moves a whole interval each time.
void SampleOnce(Visualizer& v) {
    TheStage().host->position += Visualizer::kSampleInterval;
    v.SampleSpectrum();
}

template <class V>
void SampleSpectrum(benchmark::State& state) {
    auto v = Make<V>();
    for (auto _ : state) {
        SampleOnce(*v);
    }
}
BENCHMARK(SampleSpectrum<VerticalEQBarsVisualizer>)->Name("SampleSpectrum/64 bands");
BENCHMARK(SampleSpectrum<BeatFlowerVisualizer>)
    ->Name("SampleSpectrum/18 bands, 6 beat bands, normalised");

void UpdateVerticalEQBars(benchmark::State& state) {
    auto v = Make<VerticalEQBarsVisualizer>();
    SampleOnce(*v);
    int32_t elapsed = 0;
    for (auto _ : state) {
        v->UpdateBars(elapsed += Visualizer::kSampleInterval, 1000000, Visualizer::kSampleInterval);
    }
}
BENCHMARK(UpdateVerticalEQBars)->Name("Update/VerticalEQBars 64 bars");

void UpdateBouncingEQ(benchmark::State& state) {
    auto v = Make<BouncingEQVisualizer>();
    SampleOnce(*v);
    for (auto _ : state) {
        v->UpdateBars(100000, 1000000, Visualizer::kSampleInterval);
    }
}
BENCHMARK(UpdateBouncingEQ)->Name("Update/BouncingEQ 6 bars");

void UpdatePlasma(benchmark::State& state) {
    auto v = Make<PlasmaVisualizer>();
    for (auto _ : state) {
        v->beatLatches[0] = 1;
        v->UpdateCells(100000, 1000000, Visualizer::kSampleInterval);
    }
}
BENCHMARK(UpdatePlasma)->Name("Update/Plasma 32x32 cells");

void UpdateBeatFlower(benchmark::State& state) {
    auto v = Make<BeatFlowerVisualizer>();
    SampleOnce(*v);
    for (auto _ : state) {
        v->UpdateFlowers();
    }
}
BENCHMARK(UpdateBeatFlower)->Name("Update/BeatFlower 3 flowers");

// One frame's upload and draw; the frame is ended now and then so the queue stays short.
template <class V, void (V::*DrawFrame)()>
void Upload(benchmark::State& state) {
    auto v = Make<V>();
    Stage& stage = TheStage();
    int64_t drawn = 0;
    for (auto _ : state) {
        (v.get()->*DrawFrame)();
        if (++drawn % 256 == 0) {
            state.PauseTiming();
            stage.device->EndFrame();
            stage.device->BeginFrame();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(Upload<VerticalEQBarsVisualizer, &VerticalEQBarsVisualizer::DrawBars>)
    ->Name("Upload/VerticalEQBars 12288 bytes");
BENCHMARK(Upload<BouncingEQVisualizer, &BouncingEQVisualizer::DrawBars>)
    ->Name("Upload/BouncingEQ 576 bytes");
BENCHMARK(Upload<PlasmaVisualizer, &PlasmaVisualizer::DrawCells>)
    ->Name("Upload/Plasma 98304 bytes");
BENCHMARK(Upload<BeatFlowerVisualizer, &BeatFlowerVisualizer::DrawFlowers>)
    ->Name("Upload/BeatFlower 3 x 3264 bytes");

} // namespace

BENCHMARK_MAIN();
