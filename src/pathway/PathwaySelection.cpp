#include "pathway/PathwaySelection.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "model/ProteinGraph.h"
#include "model/TextConversions.h"

namespace {

const char* const kSelection = "selection";
const char* const kSelectionNames = "selection_names";

// Blank-separated words, without the empty ones a stray blank would make.
Array<std::string> words(const std::string& text) {
    Array<std::string> out = split(text, " ");
    std::erase(out, std::string());
    return out;
}

std::string joinWords(const Array<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty()) {
            out += " ";
        }
        out += item;
    }
    return out;
}

}  // namespace

bool PathwaySelection::contains(const std::string& id) const {
    return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
}

void PathwaySelection::add(const std::string& id) {
    if (!id.empty() && !contains(id)) {
        ids_.push_back(id);
    }
}

void PathwaySelection::remove(const std::string& id) {
    auto it = std::find(ids_.begin(), ids_.end(), id);
    if (it != ids_.end()) {
        ids_.erase(it);
    }
}

void PathwaySelection::expand(const ProteinGraph& graph) {
    std::unordered_set<std::string> present(ids_.begin(), ids_.end());
    const Array<std::string> start = ids_;
    Array<std::string> neighbours;
    for (const std::string& id : start) {
        neighbours.clear();
        graph.getNeighbours(id, neighbours);
        for (const std::string& n : neighbours) {
            if (present.insert(n).second) {
                ids_.push_back(n);
            }
        }
    }
}

void PathwaySelection::invert(const ProteinGraph& graph) {
    const std::unordered_set<std::string> was(ids_.begin(), ids_.end());
    Array<std::string> ids;
    graph.getNodes(ids);
    ids_.clear();
    for (const std::string& id : ids) {
        if (!was.contains(id)) {
            ids_.push_back(id);
        }
    }
}

bool PathwaySelection::saveNamed(ProteinGraph& graph, const std::string& name) const {
    // A blank would split the name in the list of names, "|" would move the
    // group's boundary in the graph's file, a line break would end the line.
    if (name.empty() || name.find_first_of(" |\r\n") != std::string::npos) {
        return false;
    }
    const Array<std::string> known = names(graph);
    if (std::find(known.begin(), known.end(), name) != known.end()) {
        return false;
    }
    if (graph.setMetaProperty(kSelection, std::make_unique<Property>(name, joinWords(ids_))) ==
        nullptr) {
        return false;
    }
    Property* listed = graph.getMetaProperty(kSelectionNames, kSelectionNames);
    if (listed == nullptr) {
        listed =
            graph.setMetaProperty(kSelectionNames, std::make_unique<Property>(kSelectionNames, ""));
        if (listed == nullptr) {
            graph.removeMetaProperty(name, kSelection);
            return false;
        }
    }
    // No leading blank once every earlier name was removed.
    const std::string before = listed->getValue();
    listed->setValue(before.empty() ? name : before + " " + name);
    return true;
}

void PathwaySelection::removeNamed(ProteinGraph& graph, const std::string& name) const {
    Property* listed = graph.getMetaProperty(kSelectionNames, kSelectionNames);
    if (listed == nullptr) {
        return;
    }
    Array<std::string> remaining = words(listed->getValue());
    auto it = std::find(remaining.begin(), remaining.end(), name);
    if (it != remaining.end()) {
        remaining.erase(it);
    }
    listed->setValue(joinWords(remaining));
    if (graph.getMetaProperty(name, kSelection) != nullptr) {
        graph.removeMetaProperty(name, kSelection);
    }
}

Array<std::string> PathwaySelection::names(const ProteinGraph& graph) const {
    const Property* listed = graph.getMetaProperty(kSelectionNames, kSelectionNames);
    return listed == nullptr ? Array<std::string>() : words(listed->getValue());
}

Array<std::string> PathwaySelection::named(const ProteinGraph& graph,
                                           const std::string& name) const {
    const Property* saved = graph.getMetaProperty(name, kSelection);
    return saved == nullptr ? Array<std::string>() : words(saved->getValue());
}
