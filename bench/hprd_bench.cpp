// HPRD source on full-size synthetic files: loading, the name search and a
// three-level expansion of ten seeds.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <benchmark/benchmark.h>

#include "QuietStdout.h"

#include "../tools/HprdGenerator.h"
#include "datasources/HPRDDataSource.h"

namespace {

struct Files {
    std::string nomenclature;
    std::string interactions;
};

const Files& files() {
    static const Files generated = [] {
        const auto folder = std::filesystem::temp_directory_path() /
                            ("corvidane_hprd_bench_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        Files f{(folder / "PROTEIN_NOMENCLATURE.txt").string(),
                (folder / "PROTEIN_INTERACTIONS.txt").string()};
        std::string error;
        if (!writeSyntheticHprd(f.nomenclature, f.interactions, HprdGeneratorOptions{}, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(1);
        }
        return f;
    }();
    return generated;
}

HPRDDataSource& loadedSource() {
    static const std::unique_ptr<HPRDDataSource> source = [] {
        QuietStdout quiet;
        return std::make_unique<HPRDDataSource>(files().nomenclature, files().interactions, "",
                                                nullptr);
    }();
    return *source;
}

void construct(benchmark::State& state) {
    const Files& f = files();
    QuietStdout quiet;
    for (auto _ : state) {
        HPRDDataSource source(f.nomenclature, f.interactions, "", nullptr);
        benchmark::DoNotOptimize(&source);
    }
}
BENCHMARK(construct)->Unit(benchmark::kMillisecond);

void searchKinase2(benchmark::State& state) {
    HPRDDataSource& source = loadedSource();
    size_t hits = 0;
    for (auto _ : state) {
        hits = source.searchProteins("kinase 2", "", nullptr).size();
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(searchKinase2)->Unit(benchmark::kMillisecond);

void expandTenSeedsThreeLevels(benchmark::State& state) {
    HPRDDataSource& source = loadedSource();
    Array<std::string> seeds;
    for (int k = 0; k < 10; ++k) {
        seeds.push_back(hprdgen::proteinId(k * 2999));
    }
    Array<std::string> from, to;
    Array<int> scores;
    QuietStdout quiet;
    for (auto _ : state) {
        source.expandNetwork(seeds, from, to, scores, 0, 3, "");
        benchmark::DoNotOptimize(from.data());
    }
    state.counters["pairs"] = static_cast<double>(from.size());
}
BENCHMARK(expandTenSeedsThreeLevels)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(std::filesystem::path(files().nomenclature).parent_path());
    return 0;
}
