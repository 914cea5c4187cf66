// The network build: expansion, filters, names, experiment colours, positions
// and the saved pathway.
#include "app/NetworkBuild.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unordered_set>

#include <unistd.h>

#include "model/DataSource.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "model/TextConversions.h"
#include "model/Trace.h"
#include "model/WindowServices.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

namespace {

std::string lookup(const Table<std::string, std::string>& table, const std::string& key) {
    auto it = table.find(key);
    return it == table.end() ? std::string() : it->second;
}

// "" when the source works; otherwise why it cannot give a network.
std::string dataSourceFault(const DataSource* source) {
    if (source == nullptr) {
        return "the pathway has no data source";
    }
    return source->failure();
}

// A number text truncated to a whole number, clamped to int.
int truncatedInt(const std::string& text) {
    const double value = std::trunc(stringToDouble(text));
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

void removeTaggedUnimportant(ProteinGraph& graph, const Array<std::string>& ids) {
    Array<std::string> doomed;
    for (const std::string& id : ids) {
        if (graph.hasNode(id) && graph.hasNodeTags(id) && !graph.isImportant(id)) {
            doomed.push_back(id);
        }
    }
    graph.removeNodes(doomed);
}

// Why a file cannot be written, as far as its folder and the file itself
// tell: ": " and the system's reason, or "" when they tell nothing.
std::string unwritableReason(const std::string& path) {
    const std::filesystem::path file(path);
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    const bool exists = ::access(path.c_str(), F_OK) == 0;
    if ((exists && ::access(path.c_str(), W_OK) != 0) ||
        (!exists && ::access(folder.c_str(), W_OK | X_OK) != 0)) {
        return std::string(": ") + std::strerror(errno);
    }
    return "";
}

template <class Kind>
Array<Kind*> childrenOfType(const PathwayLayoutEntity& pathway, const char* type) {
    Array<Kind*> out;
    for (Entity* child : pathway.getChildren()) {
        if (child->getType() == type) {
            out.push_back(static_cast<Kind*>(child));
        }
    }
    return out;
}

}  // namespace

Array<NodeEntity*> pathwayNodes(const PathwayLayoutEntity& pathway) {
    return childrenOfType<NodeEntity>(pathway, "NodeEntity");
}

Array<EdgeEntity*> pathwayEdges(const PathwayLayoutEntity& pathway) {
    return childrenOfType<EdgeEntity>(pathway, "EdgeEntity");
}

std::string uniqueProteinId(const std::string& id, std::unordered_set<std::string>& taken) {
    if (taken.insert(id).second) {
        return id;
    }
    for (int n = 0;; ++n) {
        std::string candidate = id + "_" + std::to_string(n);
        if (taken.insert(candidate).second) {
            return candidate;
        }
    }
}

bool buildNetwork(PathwayLayoutEntity* pathway, const GraphBuilderParameters& parameters,
                  const std::string& savePath, WindowServices* window, std::string* why) {
    auto progress = [window](int value) {
        if (window) {
            window->stepProgress(value);
        }
    };
    // The network grows in a graph of its own; the pathway's graph, with the
    // marks of its painted seeds, comes back if the build fails.
    std::unique_ptr<ProteinGraph> before;
    bool hadNetwork = false;
    // The proteins drawn; the build adds the stimulus node to them.
    Array<NodeEntity*> drawn;
    auto fail = [&](const std::string& reason) {
        std::fprintf(stderr, "corvidane: the network build failed: %s\n", reason.c_str());
        if (why) {
            *why = reason;
        }
        if (before) {
            before->source = std::move(pathway->graph().source);
            pathway->withLayoutLocked([&] { pathway->replaceGraph(std::move(before)); });
            pathway->setHasNetwork(hadNetwork);
            for (NodeEntity* node : pathwayNodes(*pathway)) {
                if (std::find(drawn.begin(), drawn.end(), node) == drawn.end()) {
                    pathway->removeNode(node);
                }
            }
        }
        // The dialog must not stay open after a build that returns.
        progress(16);
        return false;
    };
    if (window) {
        window->createProgressDialog(0, 16, "Building network...");
    }
    trace("buildgraph\n");
    if (!pathway) {
        return fail("no pathway is open");
    }
    pathway->dropLayouter();
    hadNetwork = pathway->hasNetwork();
    drawn = pathwayNodes(*pathway);
    pathway->withLayoutLocked([&] {
        before = pathway->replaceGraph(std::make_unique<ProteinGraph>());
        pathway->graph().source = std::move(before->source);
    });
    ProteinGraph& graph = pathway->graph();
    std::string fault = dataSourceFault(graph.source.get());
    if (!fault.empty()) {
        return fail(fault);
    }
    Table<std::string, std::string> seeds = parameters.seeds;

    // Seed graph; ProteinGraph so that the stimulus can be applied to it.
    ProteinGraph seedGraph;
    Table<std::string, std::string> nodeNames;  // identifier -> label
    {
        std::unordered_set<std::string> taken;
        for (NodeEntity* node : pathwayNodes(*pathway)) {
            const std::string label = node->getName();
            const std::string seed = lookup(seeds, label);
            if (seed.empty()) {
                // Without an identifier it would become a made-up protein "", "_0", ...
                std::fprintf(stderr,
                             "corvidane: the protein %s has no identifier; it is left out\n",
                             label.c_str());
                continue;
            }
            const std::string id = uniqueProteinId(seed, taken);
            nodeNames[id] = label;
            seedGraph.addNode(id);
        }
    }
    trace("buildgraph2\n");
    progress(2);

    for (EdgeEntity* edge : pathwayEdges(*pathway)) {
        const std::string a = edge->getNodeA() ? lookup(seeds, edge->getNodeA()->getName()) : "";
        const std::string b = edge->getNodeB() ? lookup(seeds, edge->getNodeB()->getName()) : "";
        if (!a.empty() && !b.empty()) {
            seedGraph.addEdge(a, b);
        }
    }
    trace("buildgraph3\n");
    progress(3);

    HeatmapSeries* experiments = parameters.experiments;
    Array<std::string> stimulus;
    if (experiments) {
        experiments->addRatioExperiments();
        if (parameters.entire) {
            Array<std::string> names;
            experiments->experimentNames(names);
            for (const std::string& name : names) {
                experiments->proteinsOfExperiment(stimulus, name);
            }
            pathway->applyStimulus(stimulus, &seedGraph);
            seeds["stimulus"] = "stimulus";
        }
    }

    const std::string levelsText = parameters.levels.empty() ? "2" : parameters.levels;
    const std::string confText = parameters.conf.empty() ? "900" : parameters.conf;
    const int levels = stringToInt(levelsText);
    const int confidence = truncatedInt(confText);
    trace("buildgraph4\n");
    progress(4);

    if (!graph.buildFromSource(seedGraph, levels, confidence, parameters.species)) {
        return fail("the data source could not expand the seeds");
    }
    fault = dataSourceFault(graph.source.get());
    if (!fault.empty()) {
        return fail(fault);
    }
    pathway->setName(parameters.path);
    trace("buildgraph5\n");
    progress(5);

    // Connectivity filter; a path filter needs every protein to have a partner.
    const int threshold = parameters.filterPaths >= 0 ? std::max(parameters.filterConnectivity, 1)
                                                      : parameters.filterConnectivity;
    if (threshold > 0) {
        auto selector = std::make_unique<ProteinConnectivitySelector>("nodedegree", &graph, true);
        selector->markGraph(threshold);
        FilteringOff all(graph);
        Array<std::string> ids;
        graph.getNodes(ids);
        removeTaggedUnimportant(graph, ids);
        selector.reset();
    }

    if (parameters.filterPaths > 0) {
        // The "heatmap" property is written only later, so the store says which
        // proteins are measured.
        std::unordered_set<std::string> measured;
        if (experiments) {
            for (int i = 0; i < experiments->entryCount(); ++i) {
                measured.insert(experiments->proteinAt(i));
            }
        }
        Array<std::string> ids;
        graph.getNodes(ids);
        Array<std::string> ends;
        for (const std::string& id : ids) {
            if (graph.isImportant(id) || measured.count(id) > 0) {
                ends.push_back(id);
            }
        }
        auto selector = std::make_unique<PathSelector>("pathsfilter", &graph, 3, ends, true);
        selector->markGraph(parameters.filterPaths);
        FilteringOff all(graph);
        removeTaggedUnimportant(graph, ids);
        selector.reset();
    }

    // Experiment proteins off the pathway were seeds only to be expanded.
    for (const std::string& protein : stimulus) {
        const std::string id = beforeDelimiter(protein, "#");
        if (nodeNames.contains(id)) {
            continue;
        }
        if (Property* important = graph.findNodeProperty(id, "important")) {
            graph.removeNodeProperty(id, important);
        }
    }
    if (graph.hasNode("stimulus")) {
        Array<std::string> neighbours;
        graph.getNeighbours("stimulus", neighbours);
        for (const std::string& n : neighbours) {
            if (Property* important = graph.findEdgeProperty("stimulus", n, "important")) {
                graph.removeEdgeProperty("stimulus", n, important);
            }
        }
        graph.removeNode("stimulus");
    }
    // The distances start from the important proteins as they are now.
    graph.buildImportantCache();

    graph.breadthFirstSearch(levels + 5);

    trace("loading various other info from the database\n");
    for (const auto& [id, label] : nodeNames) {
        graph.setProteinName(id, label);
    }
    graph.applyNames(true);
    trace("buildgraph6\n");
    progress(6);
    graph.loadProperties();
    fault = dataSourceFault(graph.source.get());
    if (!fault.empty()) {
        return fail(fault);
    }
    progress(9);
    graph.writeHeatmaps(experiments);
    trace("buildgraph10\n");
    progress(10);

    {
        const Vector3 size = pathway->getSize();
        std::unordered_set<std::string> positioned;
        for (NodeEntity* node : pathwayNodes(*pathway)) {
            const std::string id = uniqueProteinId(lookup(seeds, node->getName()), positioned);
            const Vector3 at = node->getLocalFrame().translation;
            graph.setPosition(
                id, Vector3(size.x != 0 ? at.x / size.x : 0, size.y != 0 ? at.y / size.y : 0,
                            size.z != 0 ? at.z / size.z : 0));
        }
    }

    graph.scaleX = 1;
    graph.scaleY = 1;
    trace("computing positions\n");
    trace("buildgraph11\n");
    trace("buildgraph12\n");
    progress(12);
    graph.buildImportantCache();
    graph.computePositions(true);
    graph.scaleX = pathway->getSize().x;
    graph.scaleY = pathway->getSize().y;
    trace("buildgraph13\n");
    progress(13);
    trace("buildgraph14\n");
    progress(14);
    pathway->setHasNetwork(true);
    trace("buildgraph15\n");
    progress(15);
    if (!pathway->savePathway(savePath)) {
        return fail("the pathway file " + savePath + " could not be written" +
                    unwritableReason(savePath));
    }
    trace("buildgraph16\n");
    progress(16);
    return true;
}
