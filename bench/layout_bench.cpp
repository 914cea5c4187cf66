// Layout passes per second on random and scale-free networks of 1,000 to
// 20,000 proteins with three interactions per protein, beside one iteration
// of igraph's grid Fruchterman-Reingold layout on the same graphs.
//
// The pathway is sized so that a cell of the layout grid holds on average as
// many proteins as a cell of igraph's grid (igraph spreads n vertices over a
// square of side sqrt(n) with cells of side 2, i.e. four per cell); proteins
// keep the box size they have on a unit pathway. No font is loaded.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "QuietStdout.h"

#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"

#ifdef CORVIDANE_HAVE_IGRAPH
#include <igraph.h>
#endif

namespace {

enum Kind { RANDOM = 0, SCALE_FREE = 1 };

struct Network {
    int n = 0;
    Array<std::pair<int, int>> edges;
    // Start positions as fractions of the layout area (x right, y down).
    Array<std::pair<float, float>> at;
};

// E = 3n distinct edges between distinct proteins.
Network randomNetwork(int n, std::mt19937& random) {
    Network net;
    net.n = n;
    std::uniform_int_distribution<int> pick(0, n - 1);
    std::set<std::pair<int, int>> seen;
    while (static_cast<int>(net.edges.size()) < 3 * n) {
        int a = pick(random), b = pick(random);
        if (a == b) {
            continue;
        }
        if (a > b) {
            std::swap(a, b);
        }
        if (seen.insert({a, b}).second) {
            net.edges.push_back({a, b});
        }
    }
    return net;
}

// Preferential attachment, three links per new protein, from a small clique.
Network scaleFreeNetwork(int n, std::mt19937& random) {
    Network net;
    net.n = n;
    Array<int> ends;
    for (int a = 0; a < 4; ++a) {
        for (int b = a + 1; b < 4; ++b) {
            net.edges.push_back({a, b});
            ends.push_back(a);
            ends.push_back(b);
        }
    }
    for (int v = 4; v < n; ++v) {
        std::set<int> targets;
        while (targets.size() < 3) {
            targets.insert(
                ends[std::uniform_int_distribution<std::size_t>(0, ends.size() - 1)(random)]);
        }
        for (int t : targets) {
            net.edges.push_back({t, v});
            ends.push_back(t);
            ends.push_back(v);
        }
    }
    return net;
}

const Network& network(Kind kind, int n) {
    static std::map<std::pair<int, int>, Network> made;
    auto found = made.find({kind, n});
    if (found != made.end()) {
        return found->second;
    }
    std::mt19937 random(1234u + static_cast<unsigned>(n) * 2u + static_cast<unsigned>(kind));
    Network net = kind == RANDOM ? randomNetwork(n, random) : scaleFreeNetwork(n, random);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int i = 0; i < n; ++i) {
        net.at.push_back({unit(random), unit(random)});
    }
    return made.emplace(std::make_pair(kind, n), std::move(net)).first->second;
}

float areaSide(int n) {
    return 0.05f * std::sqrt(static_cast<float>(n));
}

std::unique_ptr<PathwayLayoutEntity> makePathway(const Network& net) {
    QuietStdout quiet;
    const float side = areaSide(net.n);
    auto p = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway",
                                                   Vector3(side, side, 0.01f), Color4(1, 1, 1, 1));
    p->visual = false;
    p->smallProteinSize = Vector3(0.02f / side, 0.0104f / side, 0.0001f);
    Array<NodeEntity*> nodes;
    for (int i = 0; i < net.n; ++i) {
        const std::string id = "P" + std::to_string(i);
        const Vector3 at(net.at[i].first * side, -net.at[i].second * side, 0);
        NodeEntity* node = p->createNode(CoordinateFrame(at), id, false);
        p->graph->addNode(id);
        p->nodeTable[id] = node;
        p->initialPositions.push_back(Vector3(net.at[i].first, -net.at[i].second, 0));
        nodes.push_back(node);
    }
    for (const auto& [a, b] : net.edges) {
        p->createEdge(nodes[a], nodes[b], false);
        p->graph->addEdge("P" + std::to_string(a), "P" + std::to_string(b));
    }
    return p;
}

void BM_LayoutPass(benchmark::State& state) {
    const Network& net =
        network(static_cast<Kind>(state.range(1)), static_cast<int>(state.range(0)));
    auto pathway = makePathway(net);
    PathwayLayouter layouter(pathway.get());
    {
        QuietStdout quiet;
        layouter.layoutPass();  // the first pass also gathers the degrees
        for (auto _ : state) {
            layouter.layoutPass();
        }
    }
    state.counters["passes/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

#ifdef CORVIDANE_HAVE_IGRAPH
void BM_IgraphGridFR(benchmark::State& state) {
    const Network& net =
        network(static_cast<Kind>(state.range(1)), static_cast<int>(state.range(0)));
    igraph_vector_int_t ends;
    igraph_vector_int_init(&ends, static_cast<igraph_integer_t>(2 * net.edges.size()));
    for (std::size_t j = 0; j < net.edges.size(); ++j) {
        VECTOR(ends)[2 * j] = net.edges[j].first;
        VECTOR(ends)[2 * j + 1] = net.edges[j].second;
    }
    igraph_t graph;
    igraph_create(&graph, &ends, net.n, IGRAPH_UNDIRECTED);
    igraph_vector_int_destroy(&ends);

    // The same start, in igraph's own square of side sqrt(n) around the origin.
    const double side = std::sqrt(static_cast<double>(net.n));
    igraph_matrix_t start, layout;
    igraph_matrix_init(&start, net.n, 2);
    igraph_matrix_init(&layout, net.n, 2);
    for (int i = 0; i < net.n; ++i) {
        MATRIX(start, i, 0) = (net.at[i].first - 0.5) * side;
        MATRIX(start, i, 1) = (net.at[i].second - 0.5) * side;
    }
    for (auto _ : state) {
        state.PauseTiming();
        igraph_matrix_update(&layout, &start);
        state.ResumeTiming();
        igraph_layout_fruchterman_reingold(&graph, &layout, true, 1, side / 10, IGRAPH_LAYOUT_GRID,
                                           nullptr, nullptr, nullptr, nullptr, nullptr);
    }
    state.counters["iterations/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    igraph_matrix_destroy(&layout);
    igraph_matrix_destroy(&start);
    igraph_destroy(&graph);
}
#endif

void sizes(benchmark::internal::Benchmark* b) {
    for (int kind : {RANDOM, SCALE_FREE}) {
        for (int n : {1000, 5000, 20000}) {
            b->Args({n, kind});
        }
    }
    b->ArgNames({"N", "scalefree"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LayoutPass)->Apply(sizes);
#ifdef CORVIDANE_HAVE_IGRAPH
BENCHMARK(BM_IgraphGridFR)->Apply(sizes);
#endif

// Keeps the per-run times, then prints both side by side with their ratio.
class ComparingReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so a saved run reads cleanly.
    ComparingReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) {
                continue;
            }
            const std::string name = run.benchmark_name();
            const std::string family = name.substr(0, name.find('/'));
            const std::string args = name.substr(name.find('/'));
            int n = 0, scaleFree = 0;
            std::sscanf(args.c_str(), "/N:%d/scalefree:%d", &n, &scaleFree);
            seconds[{scaleFree, n}][family].push_back(run.real_accumulated_time /
                                                      static_cast<double>(run.iterations));
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        auto& out = GetOutputStream();
        out << "\nsize                       our pass      igraph grid FR iteration   ratio\n";
        for (const auto& [key, by] : seconds) {
            const std::string args = std::string(key.first ? "scale-free" : "random") +
                                     " N=" + std::to_string(key.second);
            auto ours = by.find("BM_LayoutPass");
            auto theirs = by.find("BM_IgraphGridFR");
            if (ours == by.end()) {
                continue;
            }
            const double our = median(ours->second);
            char line[256];
            if (theirs == by.end()) {
                std::snprintf(line, sizeof line, "%-26s %8.3f ms  (igraph not built in)\n",
                              args.c_str(), our * 1e3);
            } else {
                const double their = median(theirs->second);
                std::snprintf(line, sizeof line, "%-26s %8.3f ms  %8.3f ms                %6.2f\n",
                              args.c_str(), our * 1e3, their * 1e3, our / their);
            }
            out << line;
        }
        out << "(medians over the repetitions; ratio = our pass time / igraph iteration time, "
               "below 1 means our pass is cheaper)\n";
    }

private:
    static double median(std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const std::size_t half = values.size() / 2;
        return values.size() % 2 != 0 ? values[half] : 0.5 * (values[half - 1] + values[half]);
    }

    // (scale-free, N) -> family -> seconds per iteration, one per repetition.
    std::map<std::pair<int, int>, std::map<std::string, std::vector<double>>> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
