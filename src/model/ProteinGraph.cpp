// Building a protein network from a data source, importance, distances, display
// names, ratings, heatmap texts, and the graph's file section.
#include "model/ProteinGraph.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <unordered_set>

#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "model/Trace.h"

namespace {

using AllNodesVisible = FilteringOff;

}  // namespace

ProteinGraph::ProteinGraph() {
    double rest = 1.0;
    for (int k = 0; k < 10; ++k) {
        const double weight = rest * 0.8;
        levelWeights.push_back(weight);
        rest -= weight;
    }
}

ProteinGraph::~ProteinGraph() = default;

void ProteinGraph::setNodeValue(const std::string& node, const std::string& name,
                                const std::string& value) {
    if (Property* property = findNodeProperty(node, name)) {
        property->setValue(value);
    } else {
        addNodeProperty(node, std::make_unique<Property>(name, value));
    }
}

std::string ProteinGraph::getProteinName(const std::string& node) const {
    if (const Property* name = findNodeProperty(node, "name")) {
        return name->getValue();
    }
    trace("ProteinGraph, getProteinName\n");
    return node;
}

std::string ProteinGraph::getNodeByName(const std::string& displayName) const {
    auto it = names.find(displayName);
    return it == names.end() ? std::string() : it->second;
}

bool ProteinGraph::setProteinName(const std::string& node, const std::string& name) {
    if (!isNodeVisible(node) || !Property::isStorableValue(name)) {
        return false;
    }
    std::string candidate = name;
    int counter = 1;
    for (auto it = names.find(candidate); it != names.end() && it->second != node;
         it = names.find(candidate)) {
        candidate = name + "_" + intToString(counter);
        ++counter;
    }
    if (Property* property = findNodeProperty(node, "name")) {
        auto old = names.find(property->getValue());
        if (old != names.end() && old->second == node) {
            names.unordered_erase(old);
        }
        property->setValue(candidate);
    } else {
        addNodeProperty(node, std::make_unique<Property>("name", candidate));
    }
    names[candidate] = node;
    return true;
}

bool ProteinGraph::isImportant(const std::string& node) const {
    if (importantCacheBuilt) {
        return importantSet.contains(node);
    }
    return findNodeProperty(node, "important") != nullptr;
}

void ProteinGraph::setImportant(const std::string& node) {
    if (!isImportant(node)) {
        addNodeProperty(node, std::make_unique<Property>("important", ""));
        importantCacheBuilt = false;
    }
}

bool ProteinGraph::isInteractionImportant(const std::string& a, const std::string& b) const {
    return findEdgeProperty(a, b, "important") != nullptr;
}

void ProteinGraph::setInteractionImportant(const std::string& a, const std::string& b) {
    if (!isInteractionImportant(a, b)) {
        addEdgeProperty(a, b, std::make_unique<Property>("important", ""));
    }
}

void ProteinGraph::getImportantProteins(Array<std::string>& out) const {
    if (importantCacheBuilt) {
        for (const auto& [node, present] : importantSet) {
            out.push_back(node);
        }
        return;
    }
    Array<std::string> all;
    getNodes(all);
    for (const std::string& node : all) {
        if (isImportant(node)) {
            out.push_back(node);
        }
    }
}

void ProteinGraph::buildImportantCache() {
    importantCacheBuilt = false;
    Array<std::string> important;
    getImportantProteins(important);
    importantSet.clear();
    for (const std::string& node : important) {
        importantSet[node] = true;
    }
    importantCacheBuilt = true;
}

void ProteinGraph::removeNodes(const Array<std::string>& ids) {
    {
        AllNodesVisible all(*this);
        for (const std::string& id : ids) {
            if (const Property* name = findNodeProperty(id, "name")) {
                auto it = names.find(name->getValue());
                if (it != names.end() && it->second == id) {
                    names.unordered_erase(it);  // looked up by name only, never listed
                }
            }
            if (importantSet.contains(id)) {
                importantSet.erase(id);
            }
        }
    }
    PropertyGraph::removeNodes(ids);
}

void ProteinGraph::setConfidence(const std::string& a, const std::string& b, int score) {
    if (Property* confidence = findEdgeProperty(a, b, "confidence")) {
        confidence->setValue(intToString(score));
    } else {
        addEdgeProperty(a, b, std::make_unique<Property>("confidence", intToString(score)));
    }
}

void ProteinGraph::setDistance(const std::string& a, const std::string& b,
                               const std::string& text) {
    Array<std::string> held;
    if (getMetaValues(kDistanceGroup, edgeKey(a, b), held) ||
        getMetaValues(kDistanceGroup, edgeKey(b, a), held)) {
        return;
    }
    setMetaProperty(edgeKey(a, b), std::make_unique<Property>(kDistanceGroup, text));
}

bool ProteinGraph::getDistance(const std::string& a, const std::string& b, std::string& out) const {
    Array<std::string> values;
    if (!getMetaValues(kDistanceGroup, edgeKey(a, b), values) &&
        !getMetaValues(kDistanceGroup, edgeKey(b, a), values)) {
        return false;
    }
    out = values.empty() ? std::string() : values.front();
    return true;
}

Array<std::string> ProteinGraph::getDistancesToImportant(const std::string& node) const {
    Array<std::string> important;
    getImportantProteins(important);
    Array<std::string> distances;
    distances.reserve(important.size());
    for (const std::string& seed : important) {
        std::string distance;
        distances.push_back(getDistance(seed, node, distance) ? distance : "1000#none");
    }
    return distances;
}

bool ProteinGraph::setRating(const std::string& propertyName, int rating) {
    // A rating line is cut at its first "=" and the section ends at "ENDPROPRATING".
    if (propertyName.find_first_of("=\r\n") != std::string::npos ||
        propertyName == "ENDPROPRATING") {
        return false;
    }
    ratings[propertyName] = rating;
    return true;
}

void ProteinGraph::getPropertiesWithRating(int rating, Array<std::string>& out) const {
    for (const auto& [name, value] : ratings) {
        if (value == rating) {
            out.push_back(name);
        }
    }
}

bool ProteinGraph::buildFromSource(const PropertyGraph& seeds, int levels, int confidence,
                                   const std::string& species) {
    if (!source) {
        std::fprintf(stderr, "ProteinGraph: no data source to build the network from\n");
        return false;
    }
    trace("getting the connections\n");
    Array<std::string> seedIds;
    seeds.getNodes(seedIds);
    Array<std::string> from, to;
    Array<int> scores;
    source->expandNetwork(seedIds, from, to, scores, confidence, levels, species);
    trace("got the connections\n");

    Array<std::string> seedFrom, seedTo;
    seeds.getEdges(seedFrom, seedTo, false);
    trace("get edges\n");

    const size_t count = std::min({from.size(), to.size(), scores.size()});
    for (size_t i = 0; i < count; ++i) {
        if (addEdge(from[i], to[i])) {
            setConfidence(from[i], to[i], scores[i]);
        }
    }
    trace("seed for\n");
    for (const std::string& seed : seedIds) {
        addNode(seed);
        setImportant(seed);
    }
    trace("imp inter\n");
    for (size_t i = 0; i < seedFrom.size(); ++i) {
        addEdge(seedFrom[i], seedTo[i]);
        setInteractionImportant(seedFrom[i], seedTo[i]);
    }
    return true;
}

void ProteinGraph::breadthFirstSearch(int maxLevels) {
    trace("performing breadth search\n");
    Array<std::string> seeds, all;
    getImportantProteins(seeds);
    getNodes(all);
    removeMetaGroup(kDistanceGroup);
    if (maxLevels <= 1) {
        return;
    }

    // Proteins are numbered as the distance table numbers them, and each one's
    // neighbours are asked for once, not once per seed that reaches it.
    Array<Array<int>> neighbourIds;
    Array<char> neighboursKnown;
    Array<int> seenBy;
    Array<std::string> neighbours;
    auto numberOf = [&](const std::string& id) {
        const int n = distances.intern(id);
        if (static_cast<std::size_t>(n) >= seenBy.size()) {
            neighbourIds.resize(n + 1);
            neighboursKnown.resize(n + 1, 0);
            seenBy.resize(n + 1, -1);
        }
        return n;
    };
    auto neighboursOf = [&](int n) -> const Array<int>& {
        if (!neighboursKnown[n]) {
            getNeighbours(distances.textOf(n), neighbours);
            Array<int> ids;
            ids.reserve(neighbours.size());
            for (const std::string& b : neighbours) {
                ids.push_back(numberOf(b));
            }
            neighbourIds[n] = std::move(ids);
            neighboursKnown[n] = 1;
        }
        return neighbourIds[n];
    };

    Array<int> visited;
    for (std::size_t s = 0; s < seeds.size(); ++s) {
        const int seed = numberOf(seeds[s]);
        const int mark = static_cast<int>(s);
        visited.assign(1, seed);
        seenBy[seed] = mark;
        size_t start = 0;
        for (int level = 1; level < maxLevels && visited.size() < all.size(); ++level) {
            trace("\nincreasing level for breadth first s=%d n=%d\n\n", static_cast<int>(start),
                  static_cast<int>(visited.size()));
            const size_t end = visited.size();
            for (size_t j = start; j < end; ++j) {
                const int from = visited[j];
                for (int b : neighboursOf(from)) {
                    if (seenBy[b] != mark) {
                        seenBy[b] = mark;
                        if (distances.size() == 0) {
                            placeDistanceGroup();
                        }
                        distances.addIfAbsent(seed, b, level, from);
                        visited.push_back(b);
                    }
                }
            }
            start = end;
        }
    }
}

bool ProteinGraph::applyNames(bool skipImportant) {
    if (!source) {
        std::fprintf(stderr, "ProteinGraph: no data source to name the proteins from\n");
        return false;
    }
    Array<std::string> ids, found;
    getNodes(ids);
    source->getNames(ids, found, Array<std::string>());
    for (size_t i = 0; i < ids.size(); ++i) {
        const std::string& node = ids[i];
        // The seeds were just named from their labels; a nameless one still gets a name.
        if (skipImportant && isImportant(node) && findNodeProperty(node, "name")) {
            continue;
        }
        const bool known = i < found.size() && !found[i].empty();
        setProteinName(node, known ? found[i] : node);
    }
    return true;
}

bool ProteinGraph::loadProperties() {
    if (!source) {
        std::fprintf(stderr, "ProteinGraph: no data source to load properties from\n");
        return false;
    }
    source->getProperties(this);
    return true;
}

void ProteinGraph::writeHeatmaps(const HeatmapSeries* store) {
    if (!store) {
        return;
    }
    Array<std::string> experiments, proteins, details, notes;
    Array<HeatmapColours> colourLists;
    store->experimentNames(experiments);
    for (const std::string& experiment : experiments) {
        proteins.clear();
        store->proteinsOfExperiment(proteins, experiment);
        for (const std::string& protein : proteins) {
            if (!isNodeVisible(protein)) {
                continue;
            }
            colourLists.clear();
            details.clear();
            notes.clear();
            store->experimentValues(protein, colourLists, details, experiment, notes);
            Property* heatmap = findNodeProperty(protein, "heatmap");
            if (!heatmap) {
                heatmap = addNodeProperty(
                    protein, std::make_unique<Property>("heatmap", Array<std::string>()));
            }
            if (!heatmap) {
                continue;
            }
            for (size_t k = 0; k < colourLists.size(); ++k) {
                std::string text = experiment + "\t" + details[k] + "\t" + notes[k] + "\t";
                for (size_t c = 0; c < colourLists[k].size(); ++c) {
                    const Vector3& colour = colourLists[k][c];
                    if (c > 0) {
                        text += "\t";
                    }
                    text += color4ToString(colour.x, colour.y, colour.z, 1.0f);
                }
                // Texts from an experiment file that hold a line break are left out.
                heatmap->addValue(text);
            }
        }
    }
}

void ProteinGraph::save(Array<std::string>& lines) {
    LineList list(lines);
    save(list);
}

void ProteinGraph::save(LineSink& out) {
    {
        // Hidden proteins are part of the pathway; a filter must not drop them from the file.
        AllNodesVisible all(*this);
        writeGraph(out);
    }
    out.addLine("PROPRATING");
    for (const auto& [name, rating] : ratings) {
        out.addLine(name, "=", intToString(rating));
    }
    out.addLine("ENDPROPRATING");
}

bool ProteinGraph::load(TextFileReader& in) {
    names.clear();
    importantSet.clear();
    importantCacheBuilt = false;
    ratings.clear();
    heatmaps.reset();

    if (!readGraph(in)) {
        return false;
    }
    AllNodesVisible all(*this);

    Array<std::string> loops;
    getSelfLoops(loops);
    for (const std::string& id : loops) {
        removeEdge(id, id);
    }

    std::string line;
    do {
        if (!in.readLine(line)) {
            std::fprintf(stderr, "ProteinGraph: %s ends before its rating section\n",
                         in.fileName().c_str());
            return false;
        }
    } while (line.empty());
    if (line != "PROPRATING") {
        std::fprintf(stderr, "ProteinGraph: expected \"PROPRATING\" in %s, read \"%s\"\n",
                     in.fileName().c_str(), line.c_str());
        return false;
    }
    for (;;) {
        if (!in.readLine(line)) {
            std::fprintf(stderr, "ProteinGraph: %s ends inside its rating section\n",
                         in.fileName().c_str());
            return false;
        }
        if (line == "ENDPROPRATING") {
            break;
        }
        if (!line.empty()) {
            setRating(beforeDelimiter(line, "="), stringToInt(afterDelimiter(line, "=")));
        }
    }

    Array<std::string> ids;
    getNodes(ids);
    heatmaps = std::make_unique<HeatmapSeries>();
    for (const std::string& node : ids) {
        // Each protein's list is looked up once, for its name and its heat map.
        const PropertyList* own = getNodeProperties(node);
        if (const Property* name = own ? own->getProperty("name") : nullptr) {
            names[name->getValue()] = node;
        }
        traceLine(node);
        const Property* heatmap = own ? own->getProperty("heatmap") : nullptr;
        if (!heatmap) {
            continue;
        }
        for (const std::string& value : heatmap->values) {
            const Array<std::string> fields = split(value, "\t");
            if (fields.size() < 3) {
                continue;
            }
            HeatmapColours colours;
            for (size_t f = 3; f < fields.size(); ++f) {
                const Color4 c = stringToColor4(fields[f]);
                colours.push_back(Vector3(c.r, c.g, c.b));
            }
            heatmaps->addEntry("", node, fields[1], "", fields[0], fields[2], std::move(colours));
        }
    }

    buildImportantCache();
    return true;
}
