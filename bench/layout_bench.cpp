// The layout pass as the program runs it: pathways of the program's own size
// (1 x 1, proteins of the size it gives them) with random and scale-free
// networks of three interactions per protein, from 1,000 to 50,000 proteins.
// Printed at the end:
//   - a pass on one core and on all cores, and the speed-up;
//   - our pass beside one iteration of igraph's grid Fruchterman-Reingold
//     layout on the same graphs, igraph run for many iterations per call so
//     that its set-up per call is not counted;
//   - the first pass from the network build's own start (proteins placed by
//     their distances to 20 seeds, so stacked on few points) against the
//     first pass from the same proteins spread out.
// Ratios are taken from interleaved repetitions (the default here:
// --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true),
// so that drift of a shared machine stays out of them. No font is loaded.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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

// The start the network build gives: 20 seeds placed at random are the
// important proteins, every other protein goes where the build's own
// position code puts it, by its distances to the seeds (up to nine levels,
// so that every protein is reached). Proteins with the same distances share
// a place.
const Array<std::pair<float, float>>& builtStart(const Network& net) {
    static std::map<const Network*, Array<std::pair<float, float>>> made;
    auto found = made.find(&net);
    if (found != made.end()) {
        return found->second;
    }
    QuietStdout quiet;
    ProteinGraph graph;
    auto id = [](int i) { return "P" + std::to_string(i); };
    for (int i = 0; i < net.n; ++i) {
        graph.addNode(id(i));
    }
    for (const auto& [a, b] : net.edges) {
        graph.addEdge(id(a), id(b));
    }
    std::mt19937 random(99u + static_cast<unsigned>(net.n));
    std::uniform_real_distribution<float> unit(0.05f, 0.95f);
    for (int s = 0; s < 20 && s < net.n; ++s) {
        const int seed = s * (net.n / 20);
        graph.setImportant(id(seed));
        graph.setPosition(id(seed), Vector3(unit(random), -unit(random), 0));
    }
    graph.buildImportantCache();
    graph.breadthFirstSearch(9);
    graph.computePositions(true);
    Array<std::pair<float, float>> at(static_cast<std::size_t>(net.n));
    for (int i = 0; i < net.n; ++i) {
        Vector3 p(0.5f, -0.5f, 0);
        graph.getProteinPosition(id(i), p);
        at[static_cast<std::size_t>(i)] = {p.x, -p.y};
    }
    return made.emplace(&net, std::move(at)).first->second;
}

std::unique_ptr<PathwayLayoutEntity> makePathway(const Network& net) {
    QuietStdout quiet;
    auto p = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway",
                                                   Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    p->setVisual(false);
    Array<NodeEntity*> nodes;
    Array<Vector3> anchors;
    for (int i = 0; i < net.n; ++i) {
        const std::string id = "P" + std::to_string(i);
        const Vector3 at(net.at[i].first, -net.at[i].second, 0);
        NodeEntity* node = p->createNode(CoordinateFrame(at), id, false);
        p->graph().addNode(id);
        p->registerNode(id, node);
        anchors.push_back(at);
        nodes.push_back(node);
    }
    p->setInitialPositions(std::move(anchors));
    for (const auto& [a, b] : net.edges) {
        p->createEdge(nodes[a], nodes[b], false);
        p->graph().addEdge("P" + std::to_string(a), "P" + std::to_string(b));
    }
    return p;
}

// Passes back to back, as the layout thread runs them, on one core
// (threads 1) or on all (threads 0).
void BM_LayoutPass(benchmark::State& state) {
    const Network& net =
        network(static_cast<Kind>(state.range(1)), static_cast<int>(state.range(0)));
    auto pathway = makePathway(net);
    PathwayLayouter layouter(pathway.get());
    layouter.threads = static_cast<int>(state.range(2));
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
    const Array<std::pair<float, float>>& start = stacked ? builtStart(net) : net.at;
    PathwayLayouter layouter(pathway.get());
    QuietStdout quiet;
    layouter.layoutPass();  // gathers the degrees once
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < pathway->nodes().size(); ++i) {
            pathway->nodes()[i]->moveInParent(Vector3(start[i].first, -start[i].second, 0));
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
    // Many iterations a call, so that what a call sets up is shared out;
    // the time reported is that of one iteration.
    constexpr int ITERATIONS = 50;
    for (auto _ : state) {
        state.PauseTiming();
        igraph_matrix_update(&layout, &start);
        state.ResumeTiming();
        const auto began = std::chrono::steady_clock::now();
        igraph_layout_fruchterman_reingold(&graph, &layout, true, ITERATIONS, side / 10,
                                           IGRAPH_LAYOUT_GRID, nullptr, nullptr, nullptr, nullptr,
                                           nullptr);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count() /
            ITERATIONS);
    }
    state.counters["iterations/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * ITERATIONS, benchmark::Counter::kIsRate);
    igraph_matrix_destroy(&layout);
    igraph_matrix_destroy(&start);
    igraph_destroy(&graph);
}
#endif

constexpr int SIZES[] = {1000, 5000, 15000, 20000, 50000};

bool inCoresTable(int n) {
    return n == 5000 || n == 15000 || n == 50000;
}

void passes(benchmark::internal::Benchmark* b) {
    for (int kind : {RANDOM, SCALE_FREE}) {
        for (int n : SIZES) {
            b->Args({n, kind, 0});
            if (inCoresTable(n)) {
                b->Args({n, kind, 1});
            }
        }
    }
    b->ArgNames({"N", "scalefree", "threads"})->Unit(benchmark::kMillisecond);
}

void igraphSizes(benchmark::internal::Benchmark* b) {
    for (int kind : {RANDOM, SCALE_FREE}) {
        for (int n : SIZES) {
            if (n != 15000) {
                b->Args({n, kind});
            }
        }
    }
    b->ArgNames({"N", "scalefree"})->UseManualTime()->Unit(benchmark::kMillisecond);
}

void starts(benchmark::internal::Benchmark* b) {
    for (int kind : {RANDOM, SCALE_FREE}) {
        for (int n : {5000, 20000, 50000}) {
            b->Args({n, kind, 0});
            b->Args({n, kind, 1});
        }
    }
    b->ArgNames({"N", "scalefree", "stacked"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_LayoutPass)->Apply(passes);
BENCHMARK(BM_FirstPass)->Apply(starts);
#ifdef CORVIDANE_HAVE_IGRAPH
BENCHMARK(BM_IgraphGridFR)->Apply(igraphSizes);
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
            int n = 0, scaleFree = 0, third = 0;
            char what[32] = "";
            std::sscanf(args.c_str(), "/N:%d/scalefree:%d/%31[a-z]:%d", &n, &scaleFree, what,
                        &third);
            // One core (threads 1) and the stacked start are kept apart.
            const std::string key = family + (third == 1 ? "/" + std::string(what) : "");
            seconds[{scaleFree, n}][key].push_back(run.real_accumulated_time /
                                                   static_cast<double>(run.iterations));
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        auto& out = GetOutputStream();
        auto label = [](const std::pair<int, int>& key) {
            return std::string(key.first ? "scale-free" : "random") +
                   " N=" + std::to_string(key.second);
        };
        out << "\nsize                       one core      all cores     speed-up\n";
        for (const auto& [key, by] : seconds) {
            auto one = by.find("BM_LayoutPass/threads");
            auto all = by.find("BM_LayoutPass");
            if (one == by.end() || all == by.end()) {
                continue;
            }
            const double a = median(one->second), b = median(all->second);
            char line[256];
            std::snprintf(line, sizeof line, "%-26s %8.3f ms   %8.3f ms   %6.2f\n",
                          label(key).c_str(), a * 1e3, b * 1e3, a / b);
            out << line;
        }
        out << "(medians over the repetitions of a pass on the layout's own thread alone and "
               "shared with the pool)\n";

        out << "\nsize                       our pass      igraph grid FR iteration   ratio\n";
        for (const auto& [key, by] : seconds) {
            auto ours = by.find("BM_LayoutPass");
            auto theirs = by.find("BM_IgraphGridFR");
            if (ours == by.end() || (key.second == 15000)) {
                continue;
            }
            const double our = median(ours->second);
            char line[256];
            if (theirs == by.end()) {
                std::snprintf(line, sizeof line, "%-26s %8.3f ms  (igraph not built in)\n",
                              label(key).c_str(), our * 1e3);
            } else {
                const double their = median(theirs->second);
                std::snprintf(line, sizeof line, "%-26s %8.3f ms  %8.3f ms                %6.2f\n",
                              label(key).c_str(), our * 1e3, their * 1e3, our / their);
            }
            out << line;
        }
        out << "(medians over the repetitions; our pass on all cores; igraph's time is one "
               "iteration of a call of 50; ratio = ours / igraph's, below 1 means our pass is "
               "cheaper)\n";

        out << "\nsize                       first pass spread   first pass stacked   ratio\n";
        for (const auto& [key, by] : seconds) {
            auto spread = by.find("BM_FirstPass");
            auto stacked = by.find("BM_FirstPass/stacked");
            if (spread == by.end() || stacked == by.end()) {
                continue;
            }
            const double a = median(spread->second), b = median(stacked->second);
            char line[256];
            std::snprintf(line, sizeof line, "%-26s %10.3f ms       %10.3f ms        %6.2f\n",
                          label(key).c_str(), a * 1e3, b * 1e3, b / a);
            out << line;
        }
        out << "(medians over the repetitions; stacked: the network build's own start; ratio = "
               "stacked / spread, the goal is at most 3)\n";
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
