// Selectors on full-size networks: the path selector with its automatic length on a
// network grown from synthetic full-size HPRD files, and the connectivity and
// annotation selectors on 20,000 proteins.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <benchmark/benchmark.h>

#include "QuietStdout.h"

#include "../tools/HprdGenerator.h"
#include "datasources/HPRDDataSource.h"
#include "model/Property.h"
#include "model/PropertyGraph.h"
#include "model/SelectorKinds.h"

namespace {

std::filesystem::path scratch() {
    static const auto folder = std::filesystem::temp_directory_path() /
                               ("corvidane_selector_bench_" + std::to_string(::getpid()));
    return folder;
}

struct Network {
    std::unique_ptr<PropertyGraph> graph;
    Array<std::string> seeds;
};

// Ten seeds expanded two levels through the HPRD source, as the network build does.
const Network& hprdNetwork() {
    static const Network network = [] {
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
        Network n;
        for (int k = 0; k < 10; ++k) {
            n.seeds.push_back(hprdgen::proteinId(k * 2999));
        }
        Array<std::string> from, to;
        Array<int> scores;
        source.expandNetwork(n.seeds, from, to, scores, 0, 2, "");
        n.graph = std::make_unique<PropertyGraph>();
        for (size_t i = 0; i < from.size(); ++i) {
            n.graph->addEdge(from[i], to[i]);
        }
        for (const std::string& s : n.seeds) {
            n.graph->addNode(s);
        }
        return n;
    }();
    return network;
}

void pathSelectorAutomaticLength(benchmark::State& state) {
    const Network& n = hprdNetwork();
    PathSelectorFactory factory;
    factory.setProteins(n.seeds);
    int onPaths = 0;
    for (auto _ : state) {
        std::unique_ptr<Selector> s = factory.create("p", n.graph.get(), false);
        Array<std::string> out;
        s->select(s->getMaxThreshold() - 1, out);
        onPaths = static_cast<int>(out.size());
        benchmark::DoNotOptimize(out.data());
    }
    Array<std::string> nodes;
    n.graph->getNodes(nodes);
    state.counters["proteins"] = static_cast<double>(nodes.size());
    state.counters["length"] = factory.pathLengthFor(n.graph.get());
    state.counters["selected"] = onPaths;
}
BENCHMARK(pathSelectorAutomaticLength)->Unit(benchmark::kMillisecond);

// The same network with a length chosen by hand (the network build uses 3).
void pathSelectorFixedLength(benchmark::State& state) {
    const Network& n = hprdNetwork();
    const int length = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PathSelector s("p", n.graph.get(), length, n.seeds, false);
        benchmark::DoNotOptimize(s.getMinThreshold());
    }
}
BENCHMARK(pathSelectorFixedLength)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

// 20,000 proteins, 60,000 interactions with a few hubs, a long name on each.
const PropertyGraph& largeGraph() {
    static const std::unique_ptr<PropertyGraph> graph = [] {
        QuietStdout quiet;
        auto g = std::make_unique<PropertyGraph>();
        std::mt19937 rng(7);
        const char* words[] = {"Protein kinase", "Receptor",         "Binding protein",
                               "Cyclin",         "Scaffold protein", "Tyrosine kinase"};
        const int proteins = 20000;
        for (int i = 0; i < proteins; ++i) {
            const std::string id = "P" + std::to_string(i);
            g->addNode(id);
            g->addNodeProperty(
                id, std::make_unique<Property>(
                        "longname", std::string(words[rng() % 6]) + " " + std::to_string(i)));
        }
        for (int e = 0; e < 60000; ++e) {
            const int a = rng() % 10 == 0 ? static_cast<int>(rng() % 40) : rng() % proteins;
            const int b = rng() % proteins;
            if (a != b) {
                g->addEdge("P" + std::to_string(a), "P" + std::to_string(b));
            }
        }
        return g;
    }();
    return *graph;
}

void connectivitySelector(benchmark::State& state) {
    PropertyGraph& g = const_cast<PropertyGraph&>(largeGraph());
    for (auto _ : state) {
        ProteinConnectivitySelector s("c", &g, false);
        Array<std::string> out;
        s.select(5, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(connectivitySelector)->Unit(benchmark::kMillisecond);

void annotationSelector(benchmark::State& state) {
    PropertyGraph& g = const_cast<PropertyGraph&>(largeGraph());
    for (auto _ : state) {
        AnnotationSelector s("a", &g, false);
        Array<std::string> out;
        s.select(1, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(annotationSelector)->Unit(benchmark::kMillisecond);

// Marking and unmarking the large graph, as a filter slider does.
void connectivityMarking(benchmark::State& state) {
    PropertyGraph& g = const_cast<PropertyGraph&>(largeGraph());
    for (auto _ : state) {
        auto s = std::make_unique<ProteinConnectivitySelector>("m", &g, true);
        s->markGraph(5);
        s.reset();
    }
}
BENCHMARK(connectivityMarking)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(scratch());
    return 0;
}
