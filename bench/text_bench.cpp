// Cost of measuring and drawing text as the title and scroller effects do.
#include "host/text/TextRenderer.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using namespace quib;

constexpr int kBoxWidth = 640;
constexpr int kParagraphLines = 40;

FontDescription Font(int pixelHeight) {
    FontDescription font;
    font.face = "Arial";
    font.pixelHeight = pixelHeight;
    return font;
}

// Forty lines of credits, each short enough not to wrap in the box.
std::string Paragraph() {
    std::string text;
    for (int line = 0; line < kParagraphLines; ++line) {
        text += "Line " + std::to_string(line + 1) + ": greetings to the crew, the coders";
        text += line + 1 < kParagraphLines ? "\r\n" : "";
    }
    return text;
}

const std::string kTitle = "Chapter 7 \xE2\x80\x93 Waves Over the Harbour (Extended Mix)";

void MeasureParagraph(benchmark::State& state) {
    TextRenderer renderer;
    const std::string text = Paragraph();
    TextRect rect;
    for (auto _ : state) {
        rect = {24, 0, kBoxWidth - 24, 1};
        renderer.MeasureText(Font(24), text, rect, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
        benchmark::DoNotOptimize(rect);
    }
    state.counters["lines"] = static_cast<double>(rect.Height() / 24);
}
BENCHMARK(MeasureParagraph)->Unit(benchmark::kMicrosecond);

void DrawParagraph(benchmark::State& state) {
    TextRenderer renderer;
    const std::string text = Paragraph();
    const int height = kParagraphLines * 24;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(kBoxWidth) * height);
    const TextSurface surface{pixels.data(), kBoxWidth, height, kBoxWidth * 4, RowOrder::BottomUp};
    for (auto _ : state) {
        std::fill(pixels.begin(), pixels.end(), 0u);
        renderer.DrawText(Font(24), text, {24, 0, kBoxWidth - 24, height},
                          DT_CENTER | DT_WORDBREAK | DT_NOPREFIX, surface, 0xFFFFFF);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kParagraphLines);
}
BENCHMARK(DrawParagraph)->Unit(benchmark::kMicrosecond);

void MeasureTitle(benchmark::State& state) {
    TextRenderer renderer;
    TextRect rect;
    for (auto _ : state) {
        rect = {0, 0, 1, 1};
        renderer.MeasureText(Font(32), kTitle, rect, DT_CALCRECT | DT_CENTER | DT_NOPREFIX);
        benchmark::DoNotOptimize(rect);
    }
    state.counters["width"] = rect.Width();
}
BENCHMARK(MeasureTitle)->Unit(benchmark::kMicrosecond);

void DrawTitle(benchmark::State& state) {
    TextRenderer renderer;
    TextRect rect{0, 0, 1, 1};
    renderer.MeasureText(Font(32), kTitle, rect, DT_CENTER | DT_NOPREFIX);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(rect.Width()) * rect.Height());
    const TextSurface surface{pixels.data(), rect.Width(), rect.Height(), rect.Width() * 4,
                              RowOrder::BottomUp};
    for (auto _ : state) {
        std::fill(pixels.begin(), pixels.end(), 0u);
        renderer.DrawText(Font(32), kTitle, rect, DT_CENTER | DT_NOPREFIX, surface);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(DrawTitle)->Unit(benchmark::kMicrosecond);

// A fresh renderer: font configuration start, face lookup, and every glyph rasterised anew,
// as the first title of a disk costs.
void FirstTitleWithNewRenderer(benchmark::State& state) {
    std::vector<std::uint32_t> pixels(1024 * 40);
    const TextSurface surface{pixels.data(), 1024, 40, 1024 * 4, RowOrder::BottomUp};
    for (auto _ : state) {
        TextRenderer renderer;
        renderer.DrawText(Font(32), kTitle, {0, 0, 1024, 40}, DT_CENTER | DT_NOPREFIX, surface);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(FirstTitleWithNewRenderer)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
