// The batch job end to end on full-size synthetic HPRD files with two
// experiment files: ten seeds at two and three levels, a hundred seeds at two
// levels, and ten seeds at three levels with a connectivity filter; each phase
// timed on its own (seconds, as counters), the read-back of a pathway with a
// large picture with and without taking the picture over, then the whole job
// as the program runs it.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "QuietStdout.h"

#include "../tools/HprdGenerator.h"
#include "app/App.h"
#include "app/Batch.h"
#include "app/CommandLine.h"
#include "datasources/HPRDDataSource.h"
#include "engine/render/Image.h"
#include "model/Cache.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"

namespace {

struct Job {
    std::filesystem::path folder;
    std::string base;
    std::string base100;
    std::string config;
    Array<std::string> experiments;
};

// Seeds spread over the id range, placed in a column on a pathway of our own.
void writeBasePathway(const std::string& path, int seedCount) {
    PathwayLayoutEntity pathway(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f),
                                Color4(1, 1, 1, 1));
    pathway.setVisual(false);
    pathway.setBuildMode("Standard");
    pathway.setDataSourceName("HPRD");
    for (int k = 0; k < seedCount; ++k) {
        char id[16];
        std::snprintf(id, sizeof id, "%05d", 1 + k * (29170 / seedCount));
        const std::string label = "SEED" + std::to_string(k);
        pathway.createNode(CoordinateFrame(Vector3(0.5f, -0.05f - 0.9f / seedCount * k, 0.1f)),
                           label, true);
        pathway.nodeToIdLines().push_back(std::string(id) + "#" + label);
    }
    if (!pathway.savePathway(path)) {
        std::fprintf(stderr, "batch_bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Measurements of 3,000 proteins, three values each, at two time points.
std::string writeExperiment(const std::filesystem::path& folder, const std::string& name,
                            unsigned seed) {
    const std::string path = (folder / name).string();
    std::ofstream out(path, std::ios::binary);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(0.5, 800.0);
    for (int i = 0; i < 3000; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%05d\tP%d\tpY\t%.3f\t%.3f\t%.3f\n", 1 + i * 10, i,
                      value(rng), value(rng), value(rng));
        out << line;
    }
    return path;
}

const Job& job() {
    static const Job made =
        [] {
            Job j;
            j.folder = std::filesystem::temp_directory_path() /
                       ("corvidane_batch_bench_" + std::to_string(::getpid()));
            std::filesystem::create_directories(j.folder / "data");
            std::string error;
            if (!writeSyntheticHprd((j.folder / "data" / "PROTEIN_NOMENCLATURE.txt").string(),
                                    (j.folder / "data" / "PROTEIN_INTERACTIONS.txt").string(),
                                    HprdGeneratorOptions{}, &error)) {
                std::fprintf(stderr, "batch_bench: %s\n", error.c_str());
                std::exit(1);
            }
            j.base = (j.folder / "base.pth").string();
            writeBasePathway(j.base, 10);
            j.base100 = (j.folder / "base100.pth").string();
            writeBasePathway(j.base100, 100);
            j.experiments = {writeExperiment(j.folder, "early.txt", 1),
                             writeExperiment(j.folder, "late.txt", 2)};
            j.config = (j.folder / "batch.cfg").string();
            std::ofstream(j.config)
                << "datasource = hprd;\nlevels = 2;\nconf = 900;\nentire = false;\n";
            return j;
        }();
    return made;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the whole process: on a busy machine it tells the work a
// phase did where the wall clock also counts the waiting.
double processorSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The steps of the batch job one by one, as runBatch takes them. Arguments:
// seeds (10 or 100), levels, connectivity filter (-1 off).
void batchPhases(benchmark::State& state) {
    const Job& j = job();
    const std::string output = (j.folder / "phases.pth").string();
    const std::string& base = state.range(0) == 100 ? j.base100 : j.base;
    for (auto _ : state) {
        QuietStdout quiet;
        auto t = std::chrono::steady_clock::now();
        double cpu = processorSeconds();
        HeatmapSeries* experiments = ensureExperimentCache();
        for (const std::string& file : j.experiments) {
            if (!experiments->loadExperimentFile(file)) {
                state.SkipWithError("experiment file");
                return;
            }
        }
        state.counters["1_experiments_s"] = seconds(t);
        state.counters["1_experiments_cpu_s"] = processorSeconds() - cpu;

        t = std::chrono::steady_clock::now();
        cpu = processorSeconds();
        App app;
        if (!app.createPathwayFromExisting(output, base)) {
            state.SkipWithError("base pathway");
            return;
        }
        app.pathway()->graph().source = std::make_unique<HPRDDataSource>(
            (j.folder / "data" / "PROTEIN_NOMENCLATURE.txt").string(),
            (j.folder / "data" / "PROTEIN_INTERACTIONS.txt").string(), "", nullptr);
        app.pathway()->setDataSourceName("HPRD");
        state.counters["2_source_load_s"] = seconds(t);
        state.counters["2_source_load_cpu_s"] = processorSeconds() - cpu;

        t = std::chrono::steady_clock::now();
        cpu = processorSeconds();
        app.assignSelectionProteins();
        GraphBuilderParameters parameters;
        for (const std::string& entry : app.pathway()->nodeToIdLines()) {
            parameters.seeds[afterDelimiter(entry, "#")] = beforeDelimiter(entry, "#");
        }
        parameters.levels = std::to_string(state.range(1));
        parameters.filterConnectivity = static_cast<int>(state.range(2));
        parameters.conf = "900";
        parameters.path = output;
        parameters.experiments = experiments;
        if (!app.buildgraph(parameters)) {
            state.SkipWithError("build");
            return;
        }
        state.counters["3_build_s"] = seconds(t);
        state.counters["3_build_cpu_s"] = processorSeconds() - cpu;

        t = std::chrono::steady_clock::now();
        cpu = processorSeconds();
        if (!app.reloadPathway(output)) {
            state.SkipWithError("reload");
            return;
        }
        PathwayLayoutEntity& pathway = *app.pathway();
        state.counters["4_reload_s"] = seconds(t);
        state.counters["4_reload_cpu_s"] = processorSeconds() - cpu;
        state.counters["proteins"] = pathway.graph().nodeCount();

        t = std::chrono::steady_clock::now();
        cpu = processorSeconds();
        {
            PathwayLayouter layouter(&pathway);
            layouter.step = 1.0;
            LayoutForces forces = pathway.layoutForces();
            forces.springForce *= 0.25;
            forces.edgeLength *= 0.25;
            forces.repulsiveForce *= 0.25;
            pathway.setLayoutForces(forces);
            for (int i = 0; i < 100; ++i) {
                layouter.layoutPass();
            }
        }
        state.counters["5_layout_100_s"] = seconds(t);
        state.counters["5_layout_100_cpu_s"] = processorSeconds() - cpu;

        t = std::chrono::steady_clock::now();
        cpu = processorSeconds();
        pathway.storePositions();
        if (!pathway.savePathway(output)) {
            state.SkipWithError("save");
            return;
        }
        state.counters["6_save_s"] = seconds(t);
        state.counters["6_save_cpu_s"] = processorSeconds() - cpu;

        t = std::chrono::steady_clock::now();
        cpu = processorSeconds();
        std::filesystem::remove(output + ".cache");
        Cache cache(output + ".cache");
        pathway.cacheNeighbourhoodPositions(&cache);
        cache.markChanged();
        if (!cache.save()) {
            state.SkipWithError("cache");
            return;
        }
        state.counters["7_hub_positions_s"] = seconds(t);
        state.counters["7_hub_positions_cpu_s"] = processorSeconds() - cpu;

        Array<std::string> ids;
        pathway.graph().getNodes(ids);
        int hubs = 0;
        for (const std::string& id : ids) {
            hubs += pathway.graph().degree(id) > 50 ? 1 : 0;
        }
        state.counters["hubs"] = hubs;
        app.close();
        destroyExperimentCache();
    }
}
BENCHMARK(batchPhases)
    ->Args({10, 2, -1})
    ->Args({10, 3, -1})
    ->Args({100, 2, -1})
    ->Args({10, 3, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// The read-back of a just saved pathway with a 4,000 x 3,000 background
// picture: decoded again from its copy (argument 0, an ordinary load) or
// taken over from the closing document (1, the batch job's reload).
void batchReloadPicture(benchmark::State& state) {
    const Job& j = job();
    const std::string picture = (j.folder / "large.png").string();
    const std::string base = (j.folder / "pictured.pth").string();
    if (!std::filesystem::exists(base)) {
        QuietStdout quiet;
        Image noise(4000, 3000, 3);
        std::mt19937 rng(3);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x) {
                noise.setPixel(x, y,
                               Color4uint8{static_cast<std::uint8_t>(rng()),
                                           static_cast<std::uint8_t>(x + y), 128, 255});
            }
        }
        PathwayLayoutEntity pathway(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f),
                                    Color4(1, 1, 1, 1));
        pathway.setVisual(false);
        if (!noise.save(picture)) {
            state.SkipWithError("picture");
            return;
        }
        pathway.setBackground(picture);
        if (!pathway.savePathway(base)) {
            state.SkipWithError("base pathway");
            return;
        }
    }
    const std::string output = (j.folder / "pictured_out.pth").string();
    double wall = 0;
    double processor = 0;
    long long decodes = 0;
    for (auto _ : state) {
        QuietStdout quiet;
        App app;
        if (!app.createPathwayFromExisting(output, base) || !app.pathway()->savePathway(output)) {
            state.SkipWithError("build");
            return;
        }
        const long long decoded = Image::filesDecoded();
        const auto t = std::chrono::steady_clock::now();
        const double cpu = processorSeconds();
        const bool read = state.range(0) == 1 ? app.reloadPathway(output) : app.loadPathway(output);
        wall += seconds(t);
        processor += processorSeconds() - cpu;
        decodes += Image::filesDecoded() - decoded;
        if (!read) {
            state.SkipWithError("reload");
            return;
        }
    }
    using benchmark::Counter;
    state.counters["reload_s"] = Counter(wall, Counter::kAvgIterations);
    state.counters["reload_cpu_s"] = Counter(processor, Counter::kAvgIterations);
    state.counters["decodes"] = Counter(static_cast<double>(decodes), Counter::kAvgIterations);
}
BENCHMARK(batchReloadPicture)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole job through runBatch, in the folder that holds ./data.
void batchWhole(benchmark::State& state) {
    const Job& j = job();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(j.folder);
    for (auto _ : state) {
        BatchInputs inputs;
        inputs.pathwayPath = j.base;
        inputs.outputPath = (j.folder / "whole.pth").string();
        inputs.experimentFiles = j.experiments;
        if (!readConfigurationFile(j.config, inputs.configuration)) {
            state.SkipWithError("config");
            break;
        }
        std::filesystem::remove(inputs.outputPath + ".cache");
        int code = 0;
        {
            QuietStdout quiet;
            code = runBatch(inputs);
        }
        batchCleanup();
        if (code != 0) {
            state.SkipWithError("runBatch failed");
            break;
        }
    }
    std::filesystem::current_path(previous);
}
BENCHMARK(batchWhole)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(job().folder, ignored);
    return 0;
}
