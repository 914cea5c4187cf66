// Reading and writing a built pathway of 20,000 proteins and 60,000
// interactions (and of 100,000 and 300,000, to show that the cost grows
// with the size alone), making such a scene one protein and interaction at a
// time, and storing the neighbourhood positions of 20 hub proteins.
// Also a read of 20,000/60,000 in a fresh process, as the window's Open meets
// it: the bench starts itself again to read the file once.
// Loading traces every protein and interaction to stdout, so run with the
// figures sent elsewhere:
//   bench_pathway_file_bench --benchmark_out=figures.txt --benchmark_out_format=console >/dev/null
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "model/Cache.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

constexpr int kNodes = 20000;

std::unique_ptr<PathwayLayoutEntity> freshPathway() {
    auto p = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway",
                                                   Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    // As in batch mode: no textures, no cacher.
    p->setVisual(false);
    return p;
}

// A network as the build leaves it: names, positions, every 100th protein
// important, interactions between important proteins important too.
void fillNetwork(PathwayLayoutEntity& p, int nodes) {
    const int edges = 3 * nodes;
    ProteinGraph& g = p.graph();
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < nodes; ++i) {
        const std::string id = "P" + std::to_string(i);
        g.addNode(id);
        g.setProteinName(id, "Protein " + std::to_string(i));
        g.setPosition(id, Vector3(unit(rng), -unit(rng), 0));
        if (i % 100 == 0) {
            g.setImportant(id);
        }
    }
    std::uniform_int_distribution<int> pick(0, nodes - 1);
    std::set<std::pair<int, int>> seen;
    while (static_cast<int>(seen.size()) < edges) {
        const int a = pick(rng), b = pick(rng);
        if (a == b || !seen.insert({std::min(a, b), std::max(a, b)}).second) {
            continue;
        }
        const std::string ia = "P" + std::to_string(a), ib = "P" + std::to_string(b);
        g.addEdge(ia, ib);
        g.setConfidence(ia, ib, 900);
        if (a % 100 == 0 && b % 100 == 0) {
            g.setInteractionImportant(ia, ib);
        }
    }
    p.setHasNetwork(true);
}

// The file written once, and a pathway read from it.
struct BuiltFile {
    QTemporaryDir dir;
    std::string path;
    std::unique_ptr<PathwayLayoutEntity> loaded;

    explicit BuiltFile(int nodes) : path(dir.path().toStdString() + "/big.pth") {
        auto p = freshPathway();
        fillNetwork(*p, nodes);
        if (!p->savePathway(path)) {
            std::abort();
        }
        loaded = freshPathway();
        if (!loaded->loadPathway(path, nullptr)) {
            std::abort();
        }
    }
};

BuiltFile& builtFile(int nodes = kNodes) {
    static std::map<int, std::unique_ptr<BuiltFile>> files;
    std::unique_ptr<BuiltFile>& file = files[nodes];
    if (!file) {
        file = std::make_unique<BuiltFile>(nodes);
    }
    return *file;
}

void BM_ReadBuiltPathway(benchmark::State& state) {
    BuiltFile& file = builtFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto p = freshPathway();
        if (!p->loadPathway(file.path, nullptr)) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(p->nodes().size());
    }
}
BENCHMARK(BM_ReadBuiltPathway)
    ->Arg(kNodes)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The child's own timing of loadPathway, and the whole child (start, Qt, read,
// teardown) from the parent's side.
void BM_ReadInFreshProcess(benchmark::State& state) {
    BuiltFile& file = builtFile(static_cast<int>(state.range(0)));
    double readSeconds = 0, readCpuSeconds = 0;
    for (auto _ : state) {
        QProcess child;
        child.setStandardOutputFile(QProcess::nullDevice());
        child.start(QCoreApplication::applicationFilePath(),
                    {"--read-once", QString::fromStdString(file.path)});
        if (!child.waitForFinished(120000) || child.exitCode() != 0) {
            state.SkipWithError("the reading process failed");
            break;
        }
        const QStringList times = QString::fromUtf8(child.readAllStandardError()).split(' ');
        readSeconds += times.value(0).toDouble();
        readCpuSeconds += times.value(1).toDouble();
    }
    state.counters["read_s"] = benchmark::Counter(readSeconds, benchmark::Counter::kAvgIterations);
    state.counters["read_cpu_s"] =
        benchmark::Counter(readCpuSeconds, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ReadInFreshProcess)
    ->Arg(kNodes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The child's side: seconds of one read to stderr, on the clock and of CPU
// (which a busy machine does not stretch).
int readOnce(const char* path) {
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = processCpuSeconds();
    auto p = freshPathway();
    if (!p->loadPathway(path, nullptr)) {
        return 1;
    }
    std::fprintf(stderr, "%.6f %.6f", clock.nsecsElapsed() * 1e-9, processCpuSeconds() - cpuStart);
    return 0;
}

int writeOnce(const char* path) {
    auto p = freshPathway();
    fillNetwork(*p, kNodes);
    return p->savePathway(path) ? 0 : 1;
}

void BM_WriteBuiltPathway(benchmark::State& state) {
    BuiltFile& file = builtFile(static_cast<int>(state.range(0)));
    const std::string out = file.dir.path().toStdString() + "/written.pth";
    for (auto _ : state) {
        if (!file.loaded->savePathway(out)) {
            state.SkipWithError("save failed");
            break;
        }
    }
}
BENCHMARK(BM_WriteBuiltPathway)
    ->Arg(kNodes)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The scene of a network made through createNode/createEdge one at a time,
// as an editor or a script would, in the file's proportions: every 100th
// protein large, three interactions per protein. Reading the child lists at
// the end counts: that is where the insertions are put in place.
void BM_BuildOneAtATime(benchmark::State& state) {
    const int nodes = static_cast<int>(state.range(0));
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_int_distribution<int> pick(0, nodes - 1);
    for (auto _ : state) {
        auto p = freshPathway();
        Array<NodeEntity*> made;
        made.reserve(static_cast<std::size_t>(nodes));
        for (int i = 0; i < nodes; ++i) {
            const bool large = i % 100 == 0;
            const Vector3 at(unit(rng), -unit(rng), large ? 0.001f : 0.0f);
            made.push_back(p->createNode(CoordinateFrame(at), "P" + std::to_string(i), large));
        }
        for (int i = 0; i < 3 * nodes; ++i) {
            const int a = pick(rng), b = pick(rng);
            const bool large = a % 100 == 0 && b % 100 == 0;
            p->createEdge(made[static_cast<std::size_t>(a)], made[static_cast<std::size_t>(b)],
                          large);
        }
        benchmark::DoNotOptimize(p->getChildren().size() +
                                 p->edgeContainer()->getChildren().size());
    }
}
BENCHMARK(BM_BuildOneAtATime)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_CacheHubNeighbourhoods(benchmark::State& state) {
    auto p = freshPathway();
    ProteinGraph& g = p->graph();
    g.scaleX = 1;
    g.scaleY = 1;
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int partners = static_cast<int>(state.range(0));
    for (int h = 0; h < 20; ++h) {
        const std::string hub = "H" + std::to_string(h);
        g.addNode(hub);
        g.setPosition(hub, Vector3(unit(rng), -unit(rng), 0));
        for (int k = 0; k < partners; ++k) {
            const std::string id = hub + "_" + std::to_string(k);
            g.addEdge(hub, id);
            g.setPosition(id, Vector3(unit(rng), -unit(rng), 0));
        }
    }
    QTemporaryDir dir;
    for (auto _ : state) {
        // Empty every time, so that both sets of every hub are computed.
        Cache cache(dir.path().toStdString() + "/hubs.cache");
        p->cacheNeighbourhoodPositions(&cache);
        benchmark::DoNotOptimize(cache.isChanged());
    }
}
BENCHMARK(BM_CacheHubNeighbourhoods)->Arg(60)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--read-once") == 0) {
        return readOnce(argv[2]);
    }
    // The 20,000/60,000 file kept, for a profiler run over --read-once.
    if (argc == 3 && std::strcmp(argv[1], "--write-once") == 0) {
        return writeOnce(argv[2]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
