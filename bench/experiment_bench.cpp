// Loading and colouring large experiment files, and deriving ratio experiments.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "model/HeatmapSeries.h"

namespace {

// A tab-separated experiment file: `entries` lines of 6 values, a few of them missing.
std::string makeExperimentFile(const QTemporaryDir& dir, const std::string& name, int entries,
                               unsigned seed) {
    const std::string path = dir.path().toStdString() + "/" + name;
    std::ofstream out(path, std::ios::binary);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(0.0, 5000.0);
    for (int i = 0; i < entries; ++i) {
        out << "P" << (i % 20000) << "\tS" << i << "\tpY";
        for (int j = 0; j < 6; ++j) {
            out << '\t';
            if (rng() % 50 == 0) {
                out << "ND";
            } else {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%.3f", value(rng));
                out << buf;
            }
        }
        out << "\r\n";
    }
    return path;
}

void BM_LoadAndColourTextExperiment(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = makeExperimentFile(dir, "exp.txt", 100000, 1);
    for (auto _ : state) {
        HeatmapSeries store;
        if (!store.loadExperimentFile(path, 0)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(store.coloursAt(store.entryCount() - 1).data());
    }
}
BENCHMARK(BM_LoadAndColourTextExperiment)->Unit(benchmark::kMillisecond);

// Two files of the same proteins give two ratio experiments of 100,000 rows each.
void BM_RatioExperimentsOfTwoFiles(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string a = makeExperimentFile(dir, "a.txt", 100000, 2);
    const std::string b = makeExperimentFile(dir, "b.txt", 100000, 3);
    for (auto _ : state) {
        state.PauseTiming();
        auto store = std::make_unique<HeatmapSeries>();
        const bool ok = store->loadExperimentFile(a, 0) && store->loadExperimentFile(b, 0);
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("load failed");
            break;
        }
        store->addRatioExperiments();
        benchmark::DoNotOptimize(store->entryCount());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RatioExperimentsOfTwoFiles)->MinTime(3.0)->Unit(benchmark::kMillisecond);

// What the network build does with a loaded store: every protein's entries per experiment.
void BM_ValuesOfEveryProtein(benchmark::State& state) {
    QTemporaryDir dir;
    HeatmapSeries store;
    if (!store.loadExperimentFile(makeExperimentFile(dir, "exp.txt", 100000, 4), 0)) {
        state.SkipWithError("load failed");
        return;
    }
    for (auto _ : state) {
        Array<std::string> names;
        store.experimentNames(names);
        size_t found = 0;
        for (const std::string& e : names) {
            Array<std::string> proteins;
            store.proteinsOfExperiment(proteins, e);
            for (const std::string& p : proteins) {
                Array<HeatmapColours> lists;
                Array<std::string> details, notes;
                store.experimentValues(p, lists, details, e, notes);
                found += lists.size();
            }
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_ValuesOfEveryProtein)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
