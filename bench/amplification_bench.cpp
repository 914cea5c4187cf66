// Small inputs that once cost far more than their size: long blank runs in
// vector texts, repeated protein lines in a pathway file, and the ratio
// experiments of many experiment files. Each should grow with its input.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <fstream>
#include <memory>
#include <string>

#include "QuietStdout.h"
#include "model/HeatmapSeries.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

void BM_VectorTextWithBlankRun(benchmark::State& state) {
    const std::string text =
        "(1," + std::string(static_cast<std::size_t>(state.range(0)), ' ') + "2, 3)";
    for (auto _ : state) {
        benchmark::DoNotOptimize(stringToVector3(text));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_VectorTextWithBlankRun)
    ->Arg(100000)
    ->Arg(800000)
    ->Arg(1600000)
    ->Unit(benchmark::kMillisecond);

// A hand-placed pathway whose first protein line is repeated `copies` times.
std::string pathwayWithRepeatedLines(const QTemporaryDir& dir, int copies) {
    const std::string sample = std::string(CORVIDANE_SOURCE_DIR) + "/samples/egfr.pth";
    std::ifstream in(sample, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t nodes = text.find("NODES\n") + 6;
    const std::string line = text.substr(nodes, text.find('\n', nodes) + 1 - nodes);
    std::string repeats;
    for (int i = 0; i < copies; ++i) {
        repeats += line;
    }
    text.insert(nodes, repeats);
    const std::string path = dir.path().toStdString() + "/repeated.pth";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

void BM_LoadPathwayWithRepeatedProteinLines(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = pathwayWithRepeatedLines(dir, static_cast<int>(state.range(0)));
    QuietStdout quiet;
    for (auto _ : state) {
        PathwayLayoutEntity pathway(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f),
                                    Color4(1, 1, 1, 1));
        pathway.setVisual(false);
        if (!pathway.loadPathway(path, nullptr)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(pathway.nodes().size());
    }
}
BENCHMARK(BM_LoadPathwayWithRepeatedProteinLines)
    ->Arg(20)
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

// n experiment files of 50 proteins each give n(n-1) ratio experiments of 50 rows; the
// rate is per ratio row and should not fall as n grows.
void BM_RatioExperimentsOfManyFiles(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    int64_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<HeatmapSeries>();
        for (int f = 0; f < files; ++f) {
            for (int p = 0; p < 50; ++p) {
                store->addEntry("S" + std::to_string(p), "P" + std::to_string(p), "pY",
                                std::to_string(1 + (p * 7 + f) % 13) + "\t2\t",
                                "e" + std::to_string(f) + ".txt", "");
            }
        }
        const int loaded = store->entryCount();
        state.ResumeTiming();
        store->addRatioExperiments();
        state.PauseTiming();
        rows += store->entryCount() - loaded;
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(rows);
}
BENCHMARK(BM_RatioExperimentsOfManyFiles)
    ->Arg(10)
    ->Arg(20)
    ->Arg(40)
    ->Arg(80)
    ->MinTime(2.0)  // several runs: the first pays for fresh memory alone
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
