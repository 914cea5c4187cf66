// What every selector shares: marking the graph and taking the marks off again.
#include "model/Selector.h"

#include <algorithm>

#include "model/PropertyGraph.h"

Selector::Selector(std::string name_, PropertyGraph* graph_, bool mark_)
    : name(std::move(name_)), graph(graph_), mark(mark_) {
    if (graph != nullptr) {
        graphLifetime = graph->lifetime();
    }
}

Selector::~Selector() {
    if (!mark || !graphAlive()) {
        return;
    }
    Array<std::string> nodes;
    {
        FilteringOff all(*graph);
        graph->getNodes(nodes);
    }
    for (const std::string& n : nodes) {
        graph->removeTag(n, name);
    }
}

void Selector::invert() {
    inverted = !inverted;
}

void Selector::markGraph(int threshold) {
    if (!mark || !graphAlive()) {
        return;
    }
    Array<std::string> selected;
    select(threshold, selected);
    // Our own tag comes off first, so a node never carries it twice (with filtering
    // off every node takes tags); under filtering the outcome is the same either way.
    Array<std::string> all;
    {
        FilteringOff unfiltered(*graph);
        graph->getNodes(all);
    }
    for (const std::string& n : all) {
        graph->removeTag(n, name);
    }
    Array<std::string> nodes;
    graph->getNodes(nodes);
    for (const std::string& n : nodes) {
        graph->addTag(n, name);
    }
    for (const std::string& s : selected) {
        graph->removeTag(s, name);
    }
}

void Selector::keepGraphNodes(Array<std::string>& ids) const {
    if (!graphAlive()) {
        ids.clear();
        return;
    }
    ids.erase(std::remove_if(ids.begin(), ids.end(),
                             [this](const std::string& id) { return !graph->hasNode(id); }),
              ids.end());
}
