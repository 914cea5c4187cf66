// The six selector rules and their factories.
#include "model/SelectorKinds.h"

#include <algorithm>
#include <cmath>

#include "model/PropertyGraph.h"
#include "model/ProteinGraph.h"
#include "model/SelectorPathSearch.h"
#include "model/TextConversions.h"

namespace {

Array<std::string> visibleNodes(const PropertyGraph* graph) {
    Array<std::string> nodes;
    if (graph) {
        graph->getNodes(nodes);
    }
    return nodes;
}

std::string firstValue(const PropertyGraph* graph, const std::string& node,
                       const std::string& property) {
    const Property* p = graph->findNodeProperty(node, property);
    return p ? p->getValue() : std::string();
}

}  // namespace

void TableSelector::select(int threshold, Array<std::string>& out) {
    out.clear();
    for (const auto& [node, value] : values) {
        if (inverted ? value < threshold : value >= threshold) {
            out.push_back(node);
        }
    }
    keepGraphNodes(out);
    lastThreshold = threshold;
}

// ---- connectivity

ProteinConnectivitySelector::ProteinConnectivitySelector(std::string name_, PropertyGraph* graph_,
                                                         bool mark_)
    : TableSelector(std::move(name_), graph_, mark_) {
    int lowest = 10000000;
    int highest = 0;
    for (const std::string& n : visibleNodes(graph)) {
        const int d = graph->degree(n);
        values[n] = d;
        lowest = std::min(lowest, d);
        highest = std::max(highest, d);
    }
    minThreshold = lowest;
    maxThreshold = highest;
    lastThreshold = minThreshold;
}

void ProteinConnectivitySelector::describe(std::string& out) const {
    out = inverted ? "Selected proteins that have less than " + intToString(lastThreshold) +
                         " interactions"
                   : "Selected proteins that have more or equal " + intToString(lastThreshold) +
                         " interactions";
}

std::string ProteinConnectivitySelector::getDescription() const {
    return "Selects protein that gave more interactions than a certain number";
}

std::string ProteinConnectivitySelector::getName() const {
    return "Protein Connectivity";
}

// ---- annotation

AnnotationSelector::AnnotationSelector(std::string name_, PropertyGraph* graph_, bool mark_)
    : Selector(std::move(name_), graph_, mark_) {
    for (const std::string& n : visibleNodes(graph)) {
        annotations[n] = toUpper(firstValue(graph, n, "longname"));
    }
    minThreshold = 0;
    maxThreshold = static_cast<int>(keywords.size()) - 1;
    lastThreshold = minThreshold;
}

void AnnotationSelector::select(int threshold, Array<std::string>& out) {
    out.clear();
    threshold = std::clamp(threshold, minThreshold, maxThreshold);
    const std::string& keyword = keywords[threshold];
    for (const auto& [node, text] : annotations) {
        const bool contains = text.find(keyword) != std::string::npos;
        if (contains != inverted) {
            out.push_back(node);
        }
    }
    keepGraphNodes(out);
    lastThreshold = threshold;
}

void AnnotationSelector::describe(std::string& out) const {
    const std::string& keyword = keywords[std::clamp(lastThreshold, minThreshold, maxThreshold)];
    out = inverted ? "Selected proteins that don't contain " + keyword + " in annotation"
                   : "Selected proteins that contain " + keyword + " in annotation";
}

std::string AnnotationSelector::getDescription() const {
    return "Selects protein that have a term in their annotation/name";
}

std::string AnnotationSelector::getName() const {
    return "Protein Annotation";
}

// ---- path

PathSelector::PathSelector(std::string name_, PropertyGraph* graph_, int maxPathLength_,
                           const Array<std::string>& proteins, bool mark_)
    : Selector(std::move(name_), graph_, mark_), maxPathLength(maxPathLength_) {
    Table<std::string, int> found;
    if (graph) {
        found = pathMeasures(*graph, proteins, maxPathLength);
    }
    int lowest = 1000000;
    for (const std::string& n : visibleNodes(graph)) {
        const auto it = found.find(n);
        const int m = it == found.end() ? maxPathLength + 1 : it->second;
        nodes.push_back(n);
        measures.push_back(m);
        lowest = std::min(lowest, m);
    }
    minThreshold = lowest;
    maxThreshold = maxPathLength + 1;
    lastThreshold = minThreshold;
}

void PathSelector::select(int threshold, Array<std::string>& out) {
    out.clear();
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (inverted ? measures[i] > threshold : measures[i] <= threshold) {
            out.push_back(nodes[i]);
        }
    }
    keepGraphNodes(out);
    lastThreshold = threshold;
}

int PathSelector::getMeasure(const std::string& node) const {
    const auto it = std::find(nodes.begin(), nodes.end(), node);
    return it == nodes.end() ? maxPathLength + 1 : measures[it - nodes.begin()];
}

void PathSelector::describe(std::string& out) const {
    out = inverted
              ? "Selected proteins that are not on paths shorter than " + intToString(lastThreshold)
              : "Selected proteins that are on paths shorter than " + intToString(lastThreshold);
}

std::string PathSelector::getDescription() const {
    return "Selects protein that are one paths between two sets of proteins";
}

std::string PathSelector::getName() const {
    return "Path";
}

// ---- explored

ExploredSelector::ExploredSelector(std::string name_, PropertyGraph* graph_, bool mark_)
    : TableSelector(std::move(name_), graph_, mark_) {
    const auto* proteins = dynamic_cast<const ProteinGraph*>(graph);
    for (const std::string& n : visibleNodes(graph)) {
        // Nothing writes "explored" today; the explore view's own measure stands in.
        int value = 0;
        if (graph->findNodeProperty(n, "explored")) {
            value = stringToInt(firstValue(graph, n, "explored"));
        } else if (proteins && proteins->scoreCap > 0) {
            const double share = 100.0 * proteins->neighbourhoodScore(n, 2) / proteins->scoreCap;
            value = std::isfinite(share) ? static_cast<int>(std::trunc(share)) : 0;
        }
        values[n] = value;
    }
    minThreshold = 0;
    maxThreshold = 100;
    lastThreshold = minThreshold;
}

void ExploredSelector::describe(std::string& out) const {
    out = inverted
              ? "Selected proteins that have been looked at " + intToString(lastThreshold) + "&"
              : "Selected proteins that have'n been looked at " + intToString(lastThreshold) + " %";
}

std::string ExploredSelector::getDescription() const {
    return "Selects proteins that haven't been looked at";
}

std::string ExploredSelector::getName() const {
    return "Already Explored";
}

// ---- experimental

ExperimentalSelector::ExperimentalSelector(std::string name_, PropertyGraph* graph_, bool mark_)
    : TableSelector(std::move(name_), graph_, mark_) {
    int highest = 0;
    for (const std::string& n : visibleNodes(graph)) {
        const Property* p = graph->findNodeProperty(n, "heatmap");
        const int count = p ? static_cast<int>(p->values.size()) : 0;
        values[n] = count;
        highest = std::max(highest, count);
    }
    minThreshold = 0;
    maxThreshold = highest;
    lastThreshold = minThreshold;
}

void ExperimentalSelector::describe(std::string& out) const {
    out = inverted ? "Selected proteins that have less than " + intToString(lastThreshold) +
                         " experimental sites"
                   : "Selected proteins that have more or equal " + intToString(lastThreshold) +
                         " experimental sites";
}

std::string ExperimentalSelector::getDescription() const {
    return "Selects proteins that have heatmaps";
}

std::string ExperimentalSelector::getName() const {
    return "Experimental Proteins";
}

// ---- pathway proteins

PathwayProteinsSelector::PathwayProteinsSelector(std::string name_, PropertyGraph* graph_,
                                                 bool mark_)
    : Selector(std::move(name_), graph_, mark_), nodes(visibleNodes(graph_)) {
    minThreshold = 0;
    maxThreshold = 1;
    lastThreshold = minThreshold;
}

void PathwayProteinsSelector::select(int threshold, Array<std::string>& out) {
    out.clear();
    lastThreshold = threshold;
    if (!graphAlive()) {
        return;
    }
    const auto* proteins = dynamic_cast<const ProteinGraph*>(graph);
    // The pathway model alone, or else everything, as the description says.
    const bool modelOnly = inverted ? threshold != 0 : threshold == 0;
    for (const std::string& n : nodes) {
        const bool important = proteins ? proteins->isImportant(n)
                                        : graph->findNodeProperty(n, "important") != nullptr;
        if (!modelOnly || important) {
            out.push_back(n);
        }
    }
    keepGraphNodes(out);
}

void PathwayProteinsSelector::describe(std::string& out) const {
    const bool modelOnly = inverted ? lastThreshold != 0 : lastThreshold == 0;
    out = modelOnly ? "Selected proteins that are in the pathway model" : "All proteins selected";
}

std::string PathwayProteinsSelector::getDescription() const {
    return "Selects proteins that are in the pathway model";
}

std::string PathwayProteinsSelector::getName() const {
    return "Pathway Proteins";
}

// ---- factories

PathSelectorFactory::PathSelectorFactory(int maxPathLength_) : maxPathLength(maxPathLength_) {}

int PathSelectorFactory::pathLengthFor(const PropertyGraph* graph) const {
    if (maxPathLength >= 0) {
        return maxPathLength;
    }
    const int total = graph ? graph->nodeCount() : 0;
    return total > 2000 ? 2 : (total > 1000 ? 3 : 4);
}

std::unique_ptr<Selector> PathSelectorFactory::create(std::string name, PropertyGraph* graph,
                                                      bool mark) {
    return std::make_unique<PathSelector>(std::move(name), graph, pathLengthFor(graph), proteins,
                                          mark);
}
std::string PathSelectorFactory::getName() const {
    return "Path";
}
std::string PathSelectorFactory::getDescription() const {
    return "Selects protein that are one paths between two sets of proteins";
}
