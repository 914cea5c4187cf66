// Text form of a large property graph, and building, searching and placing a
// network from a scripted source. The graph traces every node it adds to
// stdout, so run with the figures sent elsewhere:
//   bench_graph_bench --benchmark_out=figures.txt --benchmark_out_format=console >/dev/null
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "model/FakeDataSource.h"
#include "model/PropertyGraph.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"

namespace {

constexpr int kNodes = 20000;
constexpr int kEdges = 60000;

std::string nodeName(int i) {
    return "P" + std::to_string(i);
}

// kEdges distinct random pairs over kNodes proteins, the same on every run.
Array<std::pair<int, int>> randomPairs() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, kNodes - 1);
    std::set<std::pair<int, int>> seen;
    Array<std::pair<int, int>> pairs;
    while (static_cast<int>(pairs.size()) < kEdges) {
        int a = pick(rng), b = pick(rng);
        if (a == b) {
            continue;
        }
        if (seen.insert({std::min(a, b), std::max(a, b)}).second) {
            pairs.push_back({a, b});
        }
    }
    return pairs;
}

void fillGraph(PropertyGraph& g) {
    for (int i = 0; i < kNodes; ++i) {
        g.addNode(nodeName(i));
    }
    for (const auto& [a, b] : randomPairs()) {
        g.addEdge(nodeName(a), nodeName(b));
    }
    for (int i = 0; i < kNodes; ++i) {
        const std::string id = nodeName(i);
        g.addNodeProperty(id, std::make_unique<Property>("name", "Protein " + id));
        g.addNodeProperty(id, std::make_unique<Property>("longname", "kinase binding " + id));
        g.addNodeProperty(id, std::make_unique<Property>(
                                  "position", vector3ToString(Vector3(i * 1e-4f, -0.5f, 0))));
        g.addNodeProperty(
            id, std::make_unique<Property>("exploration score", doubleToString(i * 0.25)));
        g.addNodeProperty(id, std::make_unique<Property>(
                                  "heatmap", Array<std::string>{"exp\tpY\t\t(1, 0, 0, 1)", ""}));
    }
}

void writeLines(const std::string& path, const Array<std::string>& lines) {
    TextFileWriter out;
    if (!out.open(path) || !out.writeLines(lines) || !out.close()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
}

void BM_WriteGraphLines(benchmark::State& state) {
    PropertyGraph g;
    fillGraph(g);
    for (auto _ : state) {
        Array<std::string> lines;
        g.writeGraph(lines);
        benchmark::DoNotOptimize(lines.size());
    }
}
BENCHMARK(BM_WriteGraphLines)->Unit(benchmark::kMillisecond);

// The text form written to a file through the line writer, as a pathway save does.
void BM_WriteGraphText(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/graph.txt";
    PropertyGraph g;
    fillGraph(g);
    for (auto _ : state) {
        Array<std::string> lines;
        g.writeGraph(lines);
        writeLines(path, lines);
        benchmark::DoNotOptimize(lines.size());
    }
}
BENCHMARK(BM_WriteGraphText)->Unit(benchmark::kMillisecond);

void BM_ReadGraphText(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/graph.txt";
    {
        PropertyGraph g;
        fillGraph(g);
        Array<std::string> lines;
        g.writeGraph(lines);
        writeLines(path, lines);
    }
    for (auto _ : state) {
        PropertyGraph g;
        TextFileReader in;
        in.open(path);
        if (!g.readGraph(in)) {
            state.SkipWithError("graph did not read back");
        }
        in.close();
        benchmark::DoNotOptimize(g.nodeCount());
    }
}
BENCHMARK(BM_ReadGraphText)->Unit(benchmark::kMillisecond);

// The network build's model steps: expansion, distances, importance, placement.
void buildSearchPlace(benchmark::State& state, bool wholeNetwork) {
    const Array<std::pair<int, int>> pairs = randomPairs();
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ProteinGraph g;
        auto fake = std::make_unique<FakeDataSource>();
        fake->returnEverything = wholeNetwork;
        for (const auto& [a, b] : pairs) {
            fake->addInteraction(nodeName(a), nodeName(b), 900);
        }
        g.source = std::move(fake);
        PropertyGraph seeds;
        for (int s = 0; s < 10; ++s) {
            seeds.addNode(nodeName(s * 1999));
        }
        state.ResumeTiming();

        g.buildFromSource(seeds, 3, 500, "human");
        for (int s = 0; s < 10; ++s) {
            g.setPosition(nodeName(s * 1999), Vector3(0.1f * s, -0.05f * s, 0));
        }
        g.breadthFirstSearch(3);
        g.buildImportantCache();
        g.computePositions(true);
        nodes = g.nodeCount();
    }
    state.counters["proteins"] = nodes;
}

void BM_BuildSearchPlace3Levels(benchmark::State& state) {
    buildSearchPlace(state, false);
}
BENCHMARK(BM_BuildSearchPlace3Levels)->Unit(benchmark::kMillisecond);

void BM_BuildSearchPlaceWholeNetwork(benchmark::State& state) {
    buildSearchPlace(state, true);
}
BENCHMARK(BM_BuildSearchPlaceWholeNetwork)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
