// Layout passes per second on random and scale-free networks of 1,000 to
// 100,000 proteins with three interactions per protein, beside one iteration
// of igraph's grid Fruchterman-Reingold layout on the same graphs; and the
// first pass from a stacked start (as the network build places proteins:
// every protein with the same distances to the seeds on one point, in stacks
// of up to 1,800) against the first pass from the same proteins spread out.
// The stacked/spread ratio is taken from interleaved repetitions (the
// default here: --benchmark_repetitions=5
// --benchmark_enable_random_interleaving=true), so that drift of a shared
// machine stays out of it.
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

// Stacks of 1,800, 900, 600, ... proteins (1,800 / k), a place each, until
// every protein has one: about 14,600 proteins in stacks of two or more,
// which is the start the build gives a network of three levels; the rest
// are alone. Proteins join the stacks in shuffled order, as their indices
// are spread over the stacks there.
Array<std::pair<float, float>> stackedStart(int n) {
    std::mt19937 random(4321u + static_cast<unsigned>(n));
    Array<int> order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        order[static_cast<std::size_t>(i)] = i;
    }
    std::shuffle(order.begin(), order.end(), random);
    std::uniform_real_distribution<float> unit(0.02f, 0.98f);
    Array<std::pair<float, float>> at(static_cast<std::size_t>(n));
    std::size_t next = 0;
    for (int k = 1; next < order.size(); ++k) {
        const std::pair<float, float> place{unit(random), unit(random)};
        const std::size_t size = static_cast<std::size_t>(std::max(1, (1800 + k - 1) / k));
        for (std::size_t m = 0; m < size && next < order.size(); ++m) {
            at[static_cast<std::size_t>(order[next++])] = place;
        }
    }
    return at;
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
    Array<Vector3> anchors;
    for (int i = 0; i < net.n; ++i) {
        const std::string id = "P" + std::to_string(i);
        const Vector3 at(net.at[i].first * side, -net.at[i].second * side, 0);
        NodeEntity* node = p->createNode(CoordinateFrame(at), id, false);
        p->graph->addNode(id);
        p->registerNode(id, node);
        anchors.push_back(Vector3(net.at[i].first, -net.at[i].second, 0));
        nodes.push_back(node);
    }
    p->setInitialPositions(std::move(anchors));
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

// The first pass from a start: positions are set back before every pass
// (untimed), the node list stays, so only the pass itself is measured.
void BM_FirstPass(benchmark::State& state) {
    const Network& net =
        network(static_cast<Kind>(state.range(1)), static_cast<int>(state.range(0)));
    const bool stacked = state.range(2) != 0;
    // Built once per network: the interleaved repetitions come back to it, and
    // building 100,000 proteins takes longer than all their passes.
    static std::map<const Network*, std::unique_ptr<PathwayLayoutEntity>> built;
    auto& pathway = built[&net];
    if (pathway == nullptr) {
        pathway = makePathway(net);
    }
    const float side = areaSide(net.n);
    const Array<std::pair<float, float>> start = stacked ? stackedStart(net.n) : net.at;
    PathwayLayouter layouter(pathway.get());
    QuietStdout quiet;
    layouter.layoutPass();  // gathers the degrees once
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < pathway->nodes().size(); ++i) {
            pathway->nodes()[i]->moveInParent(
                Vector3(start[i].first * side, -start[i].second * side, 0));
        }
        state.ResumeTiming();
        layouter.layoutPass();
    }
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

constexpr int SIZES[] = {1000, 5000, 20000, 50000, 100000};

void sizes(benchmark::internal::Benchmark* b) {
    for (int kind : {RANDOM, SCALE_FREE}) {
        for (int n : SIZES) {
            b->Args({n, kind});
        }
    }
    b->ArgNames({"N", "scalefree"})->Unit(benchmark::kMillisecond);
}

// From 20,000 proteins on: below that the build's stacks would hold most of
// the network.
void starts(benchmark::internal::Benchmark* b) {
    for (int kind : {RANDOM, SCALE_FREE}) {
        for (int n : SIZES) {
            if (n >= 20000) {
                b->Args({n, kind, 0});
                b->Args({n, kind, 1});
            }
        }
    }
    b->ArgNames({"N", "scalefree", "stacked"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LayoutPass)->Apply(sizes);
BENCHMARK(BM_FirstPass)->Apply(starts);
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
            int n = 0, scaleFree = 0, stacked = 0;
            std::sscanf(args.c_str(), "/N:%d/scalefree:%d/stacked:%d", &n, &scaleFree, &stacked);
            const std::string key = family + (family == "BM_FirstPass" && stacked ? "/stacked" : "");
            seconds[{scaleFree, n}][key].push_back(run.real_accumulated_time /
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

        out << "\nsize                       first pass spread   first pass stacked   ratio\n";
        for (const auto& [key, by] : seconds) {
            auto spread = by.find("BM_FirstPass");
            auto stacked = by.find("BM_FirstPass/stacked");
            if (spread == by.end() || stacked == by.end()) {
                continue;
            }
            const std::string args = std::string(key.first ? "scale-free" : "random") +
                                     " N=" + std::to_string(key.second);
            const double a = median(spread->second), b = median(stacked->second);
            char line[256];
            std::snprintf(line, sizeof line, "%-26s %10.3f ms       %10.3f ms        %6.2f\n",
                          args.c_str(), a * 1e3, b * 1e3, b / a);
            out << line;
        }
        out << "(medians over the repetitions; ratio = stacked / spread, the goal is at most 3)\n";
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
    // Interleaved repetitions unless the caller says otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    bool given = false;
    for (int i = 1; i < argc; ++i) {
        given = given || std::string(argv[i]).rfind("--benchmark_repetitions", 0) == 0 ||
                std::string(argv[i]).rfind("--benchmark_enable_random_interleaving", 0) == 0;
    }
    if (!given) {
        args.push_back(repetitions.data());
        args.push_back(interleaving.data());
    }
    argc = static_cast<int>(args.size());
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ComparingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
