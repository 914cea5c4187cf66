// STRING source against a generated full-size species on the local server:
// a two-level expansion of ten seeds at confidence 900, then names,
// annotations and properties of the network it gives.
// Needs scripts/services start and the species loaded with tools/gen_string:
//   build/<dir>/tools/gen_string | psql -X -q -h 127.0.0.1 -p $CORVIDANE_PG_PORT -U corvidane -d
//   string
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "QuietStdout.h"

#include "datasources/StringDataSource.h"
#include "model/PropertyGraph.h"

namespace {

const char* const kSpecies = "rat";

StringDataSource* source = nullptr;

Array<std::string> seeds() {
    Array<std::string> out;
    for (int i = 1; i <= 10; ++i) {
        char id[64];
        std::snprintf(id, sizeof id, "10116.GENP%011d", i * 1000);
        out.push_back(id);
    }
    return out;
}

Array<std::string> network() {
    static Array<std::string> nodes;
    if (nodes.empty()) {
        QuietStdout quiet;
        Array<std::string> from, to;
        Array<int> scores;
        source->expandNetwork(seeds(), from, to, scores, 900, 2, kSpecies);
        std::set<std::string> unique(from.begin(), from.end());
        unique.insert(to.begin(), to.end());
        nodes.assign(unique.begin(), unique.end());
    }
    return nodes;
}

void BM_Expand10Seeds2Levels(benchmark::State& state) {
    QuietStdout quiet;
    size_t pairs = 0;
    for (auto _ : state) {
        Array<std::string> from, to;
        Array<int> scores;
        source->expandNetwork(seeds(), from, to, scores, 900, 2, kSpecies);
        pairs = from.size();
        benchmark::DoNotOptimize(from.data());
    }
    state.counters["pairs"] = static_cast<double>(pairs);
}
BENCHMARK(BM_Expand10Seeds2Levels)->Unit(benchmark::kMillisecond);

void BM_NamesOfNetwork(benchmark::State& state) {
    Array<std::string> ids = network();
    QuietStdout quiet;
    for (auto _ : state) {
        Array<std::string> names;
        source->getNames(ids, names, {});
        benchmark::DoNotOptimize(names.data());
    }
    state.counters["proteins"] = static_cast<double>(ids.size());
}
BENCHMARK(BM_NamesOfNetwork)->Unit(benchmark::kMillisecond);

void BM_AnnotationsOfNetwork(benchmark::State& state) {
    Array<std::string> ids = network();
    QuietStdout quiet;
    for (auto _ : state) {
        Array<std::string> annotations;
        source->getAnnotations(ids, annotations);
        benchmark::DoNotOptimize(annotations.data());
    }
    state.counters["proteins"] = static_cast<double>(ids.size());
}
BENCHMARK(BM_AnnotationsOfNetwork)->Unit(benchmark::kMillisecond);

void BM_PropertiesOfNetwork(benchmark::State& state) {
    Array<std::string> ids = network();
    for (auto _ : state) {
        state.PauseTiming();
        auto graph = std::make_unique<PropertyGraph>();
        {
            QuietStdout quiet;
            for (const std::string& id : ids)
                graph->addNode(id);
        }
        state.ResumeTiming();
        QuietStdout quiet;
        source->addProperties(*graph);
        state.PauseTiming();
        graph.reset();
        state.ResumeTiming();
    }
    state.counters["proteins"] = static_cast<double>(ids.size());
}
BENCHMARK(BM_PropertiesOfNetwork)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::filesystem::path services =
        std::filesystem::path(CORVIDANE_SOURCE_DIR) / "build" / "services";
    if (std::filesystem::exists(services / "odbc.ini")) {
        setenv("ODBCINI", (services / "odbc.ini").c_str(), 0);
        setenv("ODBCSYSINI", services.c_str(), 0);
    }
    StringDataSource db("postgre");
    source = &db;
    Array<int> counts;
    {
        QuietStdout quiet;
        db.getInteractionCounts(seeds(), counts, kSpecies);
    }
    if (!db.isOpen() || db.failed() || counts.empty() || counts[0] == 0) {
        std::fprintf(stderr,
                     "string_bench: no generated species \"%s\" on DSN postgre (%s).\n"
                     "Start the server with scripts/services start, then load it with\n"
                     "  tools/gen_string | psql -X -q -h 127.0.0.1 -p $CORVIDANE_PG_PORT "
                     "-U corvidane -d string\n",
                     kSpecies, db.lastError().c_str());
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
