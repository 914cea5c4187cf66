// The filters of the Analyze tab on a 5,000-protein pathway grown from synthetic
// full-size HPRD files: a "Path" filter (the search with the automatic length,
// marking the graph, the pathway's visibility update, and taking it off again),
// which runs on the GUI thread while the window waits, and a connectivity filter
// beside it for scale.
#include <unistd.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>

#include <benchmark/benchmark.h>

#include "QuietStdout.h"

#include "../tools/HprdGenerator.h"
#include "datasources/HPRDDataSource.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

constexpr int kProteins = 5000;

std::filesystem::path scratch() {
    static const auto folder = std::filesystem::temp_directory_path() /
                               ("corvidane_filters_bench_" + std::to_string(::getpid()));
    return folder;
}

struct Network {
    std::unique_ptr<PathwayLayoutEntity> pathway;
    // Seeds first, then the rest in breadth-first order from them.
    Array<std::string> order;
};

// The first kProteins proteins reached from ten seeds over the synthetic
// interactions, with every interaction among them, as entities of a pathway.
Network& network() {
    static Network n = [] {
        std::filesystem::create_directories(scratch());
        const std::string nomenclature = (scratch() / "PROTEIN_NOMENCLATURE.txt").string();
        const std::string interactions = (scratch() / "PROTEIN_INTERACTIONS.txt").string();
        std::string error;
        if (!writeSyntheticHprd(nomenclature, interactions, HprdGeneratorOptions{}, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(1);
        }
        QuietStdout quiet;
        HPRDDataSource source(nomenclature, interactions, "", nullptr);
        Array<std::string> seeds;
        for (int k = 0; k < 10; ++k) {
            seeds.push_back(hprdgen::proteinId(k * 2999));
        }
        Array<std::string> from, to;
        Array<int> scores;
        source.expandNetwork(seeds, from, to, scores, 0, 4, "");
        ProteinGraph all;
        for (size_t i = 0; i < from.size(); ++i) {
            all.addEdge(from[i], to[i]);
        }

        Network made;
        std::unordered_set<std::string> taken(seeds.begin(), seeds.end());
        std::deque<std::string> queue(seeds.begin(), seeds.end());
        made.order = seeds;
        Array<std::string> neighbours;
        while (!queue.empty() && static_cast<int>(made.order.size()) < kProteins) {
            const std::string id = queue.front();
            queue.pop_front();
            all.getNeighbours(id, neighbours);
            for (const std::string& b : neighbours) {
                if (static_cast<int>(made.order.size()) < kProteins && taken.insert(b).second) {
                    made.order.push_back(b);
                    queue.push_back(b);
                }
            }
        }

        made.pathway = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway",
                                                             Vector3(2, 1, 1), Color4(1, 1, 1, 1));
        PathwayLayoutEntity& p = *made.pathway;
        p.setVisual(false);
        ProteinGraph& g = p.graph();
        for (size_t i = 0; i < made.order.size(); ++i) {
            const std::string& id = made.order[i];
            g.addNode(id);
            const bool seed = i < seeds.size();
            if (seed) {
                g.setImportant(id);
            }
            const float x = static_cast<float>(i % 70) / 35.0f;
            const float y = -static_cast<float>(i / 70) / 75.0f;
            p.registerNode(id, p.createNode(CoordinateFrame(Vector3(x, y, 0)), id, seed));
        }
        for (const std::string& a : made.order) {
            all.getNeighbours(a, neighbours);
            for (const std::string& b : neighbours) {
                if (taken.contains(b) && a < b) {
                    g.addEdge(a, b);
                    EdgeEntity* edge = p.createEdge(p.getNode(a), p.getNode(b), false);
                    p.registerEdge(a, b, edge);
                }
            }
        }
        return made;
    }();
    return n;
}

// One filter from its creation to its removal, as the page runs it.
void applyAndRemove(PathwayLayoutEntity& p, SelectorFactory& factory, int& kept) {
    std::unique_ptr<Selector> filter = factory.create("Filter1", &p.graph(), true);
    filter->markGraph(filter->getMinThreshold());
    p.updateVisibility(false, false);
    Array<std::string> visible;
    p.graph().getNodes(visible);
    kept = static_cast<int>(visible.size());
    filter.reset();
    p.updateVisibility(false, false);
}

// The path set is the first `range(0)` proteins: the ten seeds, then their
// nearest neighbours (a "Current Selection" after an expand).
void pathFilter(benchmark::State& state) {
    Network& n = network();
    PathSelectorFactory factory;
    Array<std::string> set(n.order.begin(), n.order.begin() + state.range(0));
    factory.setProteins(set);
    int kept = 0;
    QuietStdout quiet;
    for (auto _ : state) {
        applyAndRemove(*n.pathway, factory, kept);
    }
    Array<std::string> edgesFrom, edgesTo;
    n.pathway->graph().getEdges(edgesFrom, edgesTo, false);
    state.counters["proteins"] = static_cast<double>(n.order.size());
    state.counters["interactions"] = static_cast<double>(edgesFrom.size());
    state.counters["length"] = factory.pathLengthFor(&n.pathway->graph());
    state.counters["kept"] = kept;
}
BENCHMARK(pathFilter)->Arg(2)->Arg(10)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

// The search alone, without marking or the visibility update.
void pathSearch(benchmark::State& state) {
    Network& n = network();
    PathSelectorFactory factory;
    factory.setProteins(Array<std::string>(n.order.begin(), n.order.begin() + state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<Selector> s = factory.create("p", &n.pathway->graph(), false);
        benchmark::DoNotOptimize(s->getMinThreshold());
    }
}
BENCHMARK(pathSearch)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);

void connectivityFilter(benchmark::State& state) {
    Network& n = network();
    ProteinConnectivitySelectorFactory factory;
    int kept = 0;
    QuietStdout quiet;
    for (auto _ : state) {
        applyAndRemove(*n.pathway, factory, kept);
    }
    state.counters["kept"] = kept;
}
BENCHMARK(connectivityFilter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch());
    return 0;
}
