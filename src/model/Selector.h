// A rule that picks proteins of a graph by a whole-number threshold and, when it
// marks the graph, hides the proteins it does not pick by tagging them.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"

class PropertyGraph;

class Selector {
public:
    // `name` is also the tag put on the graph's nodes: it must differ between the live
    // marking selectors of one graph. A selector that outlives its graph leaves it
    // alone (marking and untagging do nothing).
    Selector(std::string name, PropertyGraph* graph, bool mark);
    // A marking selector takes its tag off every node again.
    virtual ~Selector();
    Selector(const Selector&) = delete;
    Selector& operator=(const Selector&) = delete;

    // Clears `out`, then lists the selected nodes that are still in the graph.
    virtual void select(int threshold, Array<std::string>& out) = 0;
    virtual void invert();
    // The last selection in words.
    virtual void describe(std::string& out) const = 0;
    virtual std::string getDescription() const = 0;
    // The name of the rule kind (not the tag).
    virtual std::string getName() const = 0;

    // Tags every visible node, then untags the selection: with the graph's filtering
    // on, the rest is hidden. Nothing happens for a non-marking selector.
    void markGraph(int threshold);

    const std::string& getTag() const { return name; }
    int getMinThreshold() const { return minThreshold; }
    int getMaxThreshold() const { return maxThreshold; }
    int getLastThreshold() const { return lastThreshold; }
    bool isInverted() const { return inverted; }
    bool isMarking() const { return mark; }

protected:
    // False once the graph is gone.
    bool graphAlive() const { return graph != nullptr && !graphLifetime.expired(); }
    // Drops identifiers that are no longer nodes of the graph.
    void keepGraphNodes(Array<std::string>& ids) const;

    std::string name;
    int minThreshold = 0;
    int maxThreshold = 0;
    PropertyGraph* graph;
    bool inverted = false;
    int lastThreshold = 0;
    bool mark;
    std::weak_ptr<const void> graphLifetime;
};
