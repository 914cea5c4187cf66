// Fitting a label to its protein's width, for names of 1,000 to 1,000,000
// characters. The font's prefix scan, told to take as much of the name as
// fits (and everything fits), reads the whole name once: Google Benchmark's
// fitted complexity should come out O(N). The node's own fit lays out at most
// LONGEST_LABEL bytes, so it stays flat whatever the name's length.
//   build/dev/bench/bench_label_fit_bench
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "engine/render/Font.h"
#include "scene/NodeEntity.h"

namespace {

std::shared_ptr<Font>& font() {
    static std::shared_ptr<Font> f = Font::fromFile(Font::DEFAULT_FONT_FILE);
    return f;
}

// Mixed ASCII and two-byte characters, so the scan decodes UTF-8 as it goes.
std::string name(std::size_t characters) {
    std::string s;
    for (std::size_t i = 0; i < characters; ++i)
        s += i % 7 == 6 ? "\xC3\xA9" : std::string(1, char('A' + i % 26));
    return s;
}

void BM_FittingPrefixWholeName(benchmark::State& state) {
    const std::string text = name(std::size_t(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(font()->fittingPrefix(text, 0.05, 1e30));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_FittingPrefixWholeName)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

void BM_NodeFitLabel(benchmark::State& state) {
    const std::string text = name(std::size_t(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(NodeEntity::fitLabel(text, 0.05, 1e30, font().get()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_NodeFitLabel)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

}  // namespace

int main(int argc, char** argv) {
    // Rasterising the font's atlas needs a GUI application, not a screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    if (!font())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
