// The network build: seeds placed or painted on a pathway are expanded through
// the data source, filtered, named, coloured by the experiments, positioned and
// saved; plus the two preparations of a build, the "From Existing" start and the
// proteins and interactions of the painted regions.
#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_set>

#include "app/App.h"
#include "model/DataSource.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "model/TextConversions.h"
#include "model/Trace.h"
#include "model/WindowServices.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "pathway/ShapeFinder.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

namespace {

// Two pathway proteins with one identifier P become P, P_0, P_1, ...; the same
// order of calls gives the same identifiers everywhere.
std::string makeUnique(const std::string& id, std::unordered_set<std::string>& taken) {
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

std::string lookup(const Table<std::string, std::string>& table, const std::string& key) {
    auto it = table.find(key);
    return it == table.end() ? std::string() : it->second;
}

Array<NodeEntity*> nodeChildren(const PathwayLayoutEntity& pathway) {
    Array<NodeEntity*> out;
    for (Entity* child : pathway.getChildren()) {
        if (child->getType() == "NodeEntity") {
            out.push_back(static_cast<NodeEntity*>(child));
        }
    }
    return out;
}

Array<EdgeEntity*> edgeChildren(const PathwayLayoutEntity& pathway) {
    Array<EdgeEntity*> out;
    for (Entity* child : pathway.getChildren()) {
        if (child->getType() == "EdgeEntity") {
            out.push_back(static_cast<EdgeEntity*>(child));
        }
    }
    return out;
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

bool sameRegion(const ImageProcessorSelection* a, const ImageProcessorSelection* b) {
    return a == b || (a != nullptr && b != nullptr && a->open == b->open && a->x0 == b->x0 &&
                      a->y0 == b->y0 && a->x1 == b->x1 && a->y1 == b->y1);
}

}  // namespace

// ---- the build ----

bool App::buildgraph(const GraphBuilderParameters& parameters) {
    auto progress = [this](int value) {
        if (mainWindow) {
            mainWindow->stepProgress(value);
        }
    };
    auto fail = [&](const std::string& why) {
        std::fprintf(stderr, "corvidane: the network build failed: %s\n", why.c_str());
        // The dialog must not stay open after a build that returns.
        progress(16);
        return false;
    };
    if (mainWindow) {
        mainWindow->createProgressDialog(0, 16, "Building network...");
    }
    trace("buildgraph\n");
    if (!pathway) {
        return fail("no pathway is open");
    }
    if (pathway->layouter) {
        pathway->stopLayouter();
        pathway->layouter.reset();
    }
    ProteinGraph& graph = *pathway->graph;
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
        for (NodeEntity* node : nodeChildren(*pathway)) {
            const std::string label = node->getName();
            const std::string seed = lookup(seeds, label);
            if (seed.empty()) {
                // Without an identifier it would become a made-up protein "", "_0", ...
                std::fprintf(stderr, "corvidane: the protein %s has no identifier; it is left out\n",
                             label.c_str());
                continue;
            }
            const std::string id = makeUnique(seed, taken);
            nodeNames[id] = label;
            seedGraph.addNode(id);
        }
    }
    trace("buildgraph2\n");
    progress(2);

    for (EdgeEntity* edge : edgeChildren(*pathway)) {
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
        graph.filteringEnabled = false;
        Array<std::string> ids;
        graph.getNodes(ids);
        removeTaggedUnimportant(graph, ids);
        selector.reset();
        graph.filteringEnabled = true;
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
        graph.filteringEnabled = false;
        removeTaggedUnimportant(graph, ids);
        selector.reset();
        graph.filteringEnabled = true;
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
        for (NodeEntity* node : nodeChildren(*pathway)) {
            const std::string id = makeUnique(lookup(seeds, node->getName()), positioned);
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
    pathway->hasNetwork = true;
    trace("buildgraph15\n");
    progress(15);
    if (!pathway->savePathway(pathwayPath)) {
        return fail("the pathway file " + pathwayPath + " could not be written");
    }
    trace("buildgraph16\n");
    progress(16);
    return true;
}

// ---- preparations ----

bool App::createPathwayFromExisting(const std::string& newPath, const std::string& basePath) {
    close();
    // Makes no texture: the build writes the file and the scene reloads it.
    newPathway(false);
    if (!pathway->loadPathway(basePath, mainWindow)) {
        std::fprintf(stderr, "corvidane: cannot read the pathway %s\n", basePath.c_str());
        pathway.reset();
        return false;
    }
    adoptShapeFinder();
    if (renderDevice) {
        fitToView(true);
    }
    pathwayPath = newPath;

    if (pathway->fromImage) {
        paintedInteractions.clear();
        for (EdgeEntity* edge : edgeChildren(*pathway)) {
            NodeEntity* a = edge->getNodeA();
            NodeEntity* b = edge->getNodeB();
            if (a == nullptr || b == nullptr) {
                continue;
            }
            const std::string idA = pathway->getNodeId(a);
            const std::string idB = pathway->getNodeId(b);
            auto found = pathway->edgeSelections.find(idA + "-" + idB);
            if (found == pathway->edgeSelections.end()) {
                found = pathway->edgeSelections.find(idB + "-" + idA);
            }
            // A region that is not found has nothing to pair with later.
            if (found != pathway->edgeSelections.end() && found->second != nullptr) {
                paintedInteractions[found->second] = a->getName() + "#" + b->getName();
            }
        }
        pathway->childList().clear();
    }
    pathway->clear();
    requestRepaint();
    return true;
}

void App::assignSelectionProteins() {
    if (!pathway || !pathway->shapeFinder) {
        return;
    }
    ShapeFinder& finder = *pathway->shapeFinder;
    const std::size_t noted = pathway->nodeToIdLines.size();
    // Seed entries tied to their region by the region's identifier; files
    // without such records pair regions with entries in order instead.
    const bool recorded = !pathway->nodeSelections.empty();
    Array<bool> claimed(noted, false);
    std::size_t cursor = 0;
    std::unordered_set<std::string> given;
    Table<std::string, NodeEntity*> created;  // label -> node made here

    auto entryFor = [&](const ImageProcessorSelection* region) -> std::ptrdiff_t {
        if (!recorded) {
            while (cursor < noted && claimed[cursor]) {
                ++cursor;
            }
            return cursor < noted ? static_cast<std::ptrdiff_t>(cursor) : -1;
        }
        for (const auto& [key, stored] : pathway->nodeSelections) {
            if (!sameRegion(stored, region)) {
                continue;
            }
            for (std::size_t i = 0; i < noted; ++i) {
                if (!claimed[i] && beforeDelimiter(pathway->nodeToIdLines[i], "#") == key) {
                    return static_cast<std::ptrdiff_t>(i);
                }
            }
        }
        return -1;
    };

    // Paired before any record changes, so that an identifier given to one
    // region cannot take over the record of another.
    const Array<std::unique_ptr<ImageProcessorSelection>>& regions = finder.getSelections();
    Array<std::ptrdiff_t> entries(regions.size(), -1);
    for (std::size_t r = 0; r < regions.size(); ++r) {
        if (!regions[r]->open) {
            entries[r] = entryFor(regions[r].get());
            if (entries[r] >= 0) {
                claimed[static_cast<std::size_t>(entries[r])] = true;
            }
        }
    }
    for (std::size_t r = 0; r < regions.size(); ++r) {
        ImageProcessorSelection* region = regions[r].get();
        if (region->open) {
            continue;
        }
        std::string label, id;
        bool fromSeeds = false;
        const std::ptrdiff_t entry = entries[r];
        if (entry >= 0) {
            const std::string& line = pathway->nodeToIdLines[static_cast<std::size_t>(entry)];
            label = afterDelimiter(line, "#");
            id = beforeDelimiter(line, "#");
            fromSeeds = true;
        } else if (!askProtein || !askProtein(region, label, id)) {
            continue;
        }
        if (label.empty() && id.empty()) {
            label = id = "just_some_label";
        }
        const std::string unique = makeUnique(id, given);
        if (fromSeeds && unique != id) {
            // The entry must name the node's identifier, or the region loses it.
            pathway->nodeToIdLines[static_cast<std::size_t>(entry)] = unique + "#" + label;
        }
        id = unique;

        const double cx = (region->x0 + region->x1) / 2.0;
        const double cy = (region->y0 + region->y1) / 2.0;
        Vector3 local =
            pathway->getGlobalFrame().pointToObjectSpace(finder.pixelToWorld(cx, cy, 0));
        local.z = 0.1f;
        NodeEntity* node = pathway->createNode(CoordinateFrame(local), label, true);
        if (font) {
            node->setFont(font);
        }
        pathway->graph->setImportant(id);
        pathway->nodeTable[id] = node;
        pathway->nodeSelections[id] = region;
        pathway->addSelectedNodeId(id);
        created[label] = node;
        if (!fromSeeds) {
            pathway->nodeToIdLines.push_back(id + "#" + label);
        }
    }

    auto byLabel = [&](const std::string& label) -> NodeEntity* {
        if (auto it = created.find(label); it != created.end()) {
            return it->second;
        }
        for (NodeEntity* node : nodeChildren(*pathway)) {
            if (node->getName() == label) {
                return node;
            }
        }
        return nullptr;
    };
    auto nearest = [&](const Vector3& point) -> NodeEntity* {
        NodeEntity* best = nullptr;
        float bestDistance = std::numeric_limits<float>::infinity();
        for (NodeEntity* node : nodeChildren(*pathway)) {
            const float d = (node->getGlobalFrame().translation - point).length();
            if (d < bestDistance) {
                bestDistance = d;
                best = node;
            }
        }
        return best;
    };

    for (const auto& owned : regions) {
        ImageProcessorSelection* region = owned.get();
        if (!region->open) {
            continue;
        }
        NodeEntity* a = nullptr;
        NodeEntity* b = nullptr;
        if (auto it = paintedInteractions.find(region); it != paintedInteractions.end()) {
            a = byLabel(beforeDelimiter(it->second, "#"));
            b = byLabel(afterDelimiter(it->second, "#"));
        } else {
            a = nearest(region->startPoint);
            b = nearest(region->endPoint);
        }
        if (a == nullptr || b == nullptr || a == b) {
            std::fprintf(stderr,
                         "corvidane: a painted line (%g, %g)-(%g, %g) has no two proteins at "
                         "its ends; skipped\n",
                         static_cast<double>(region->x0), static_cast<double>(region->y0),
                         static_cast<double>(region->x1), static_cast<double>(region->y1));
            continue;
        }
        pathway->createEdge(a, b, true);
        pathway->edgeSelections[pathway->getNodeId(a) + "-" + pathway->getNodeId(b)] = region;
    }
    requestRepaint();
}
