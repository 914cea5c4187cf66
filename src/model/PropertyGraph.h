// The graph under every pathway: proteins are nodes named by identifier text,
// interactions are undirected edges, and what is known about either (or about
// the graph as a whole) is kept as named lists of text values. Selectors hide
// nodes by tagging them; with `filteringEnabled` tagged nodes and their edges
// drop out of the graph's own queries.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "engine/Table.h"
#include "model/DistanceTable.h"
#include "model/Property.h"
#include "model/PropertyList.h"

class LineSink;
class PropertyGraph;
class TextFileReader;

// Turns a graph's filtering off while it lives, so hidden nodes count too, and
// then restores the earlier setting.
class FilteringOff {
public:
    explicit FilteringOff(PropertyGraph& graph);
    explicit FilteringOff(PropertyGraph* graph) : FilteringOff(*graph) {}
    ~FilteringOff();
    FilteringOff(const FilteringOff&) = delete;
    FilteringOff& operator=(const FilteringOff&) = delete;

private:
    PropertyGraph& graph_;
    bool saved_;
};

class PropertyGraph {
public:
    PropertyGraph() = default;
    virtual ~PropertyGraph();
    PropertyGraph(const PropertyGraph&) = delete;
    PropertyGraph& operator=(const PropertyGraph&) = delete;

    // When set, tagged nodes, their edges and tagged edges are hidden.
    bool filteringEnabled = true;

    // Traces every call; refuses identifiers the text form cannot carry.
    bool addNode(const std::string& id);
    // Adds both ends as needed; an existing edge (either way round) is kept.
    bool addEdge(const std::string& a, const std::string& b);
    void removeEdge(const std::string& a, const std::string& b);
    // Removes the node with every edge it has, hidden or not.
    void removeNode(const std::string& id) { removeNodes(Array<std::string>{id}); }
    // Removes every listed node (unknown and repeated ones are skipped) with all
    // its edges, keeping the order of the rest; costs the edges of the removed
    // nodes plus one pass over the nodes, however many go.
    virtual void removeNodes(const Array<std::string>& ids);

    // Appends the visible nodes in insertion order (every node with filtering off).
    void getNodes(Array<std::string>& out) const;
    // Appends the visible edges; unless bothDirections, each edge once, from the
    // end that comes first in node order.
    void getEdges(Array<std::string>& from, Array<std::string>& to, bool bothDirections) const;
    // An edge as forEachEdge gives it: its ends, their places in the order of
    // every node (hidden ones included, as placeOf gives them) and its
    // property list (null when it has none).
    struct EdgeVisit {
        const std::string& a;
        const std::string& b;
        std::size_t placeOfA;
        std::size_t placeOfB;
        const PropertyList* properties;
    };
    // Visits the edges getEdges(.., false) lists, in its order, without copying
    // an identifier.
    void forEachEdge(const std::function<void(const EdgeVisit&)>& visit) const;
    // The node's place in the order of every node, hidden ones included; -1
    // when there is no such node.
    std::ptrdiff_t placeOf(const std::string& id) const;
    // Replaces `out` by the neighbours over untagged edges to untagged nodes,
    // whatever the switch says; nothing for a hidden node.
    void getNeighbours(const std::string& id, Array<std::string>& out) const;
    // Appends every node with an edge to itself, in node order, hidden or not.
    void getSelfLoops(Array<std::string>& out) const;
    int degree(const std::string& id) const;

    // Membership regardless of filtering.
    bool hasNode(const std::string& id) const { return nodes.contains(id); }
    bool hasEdge(const std::string& a, const std::string& b) const;
    // Every node, hidden ones included.
    int nodeCount() const { return static_cast<int>(nodes.size()); }
    // Every edge, hidden ones included.
    std::size_t edgeCount() const { return edgeTags.size(); }

    bool isNodeVisible(const std::string& id) const;
    bool isEdgeVisible(const std::string& a, const std::string& b) const;
    bool hasNodeTags(const std::string& id) const;
    bool hasEdgeTags(const std::string& a, const std::string& b) const;
    // Only a node visible at that moment takes a tag.
    void addTag(const std::string& id, const std::string& tag);
    // Removes the first such tag of any node; the tag "" removes them all.
    void removeTag(const std::string& id, const std::string& tag);

    // Null when the item is hidden or has no list.
    PropertyList* getNodeProperties(const std::string& id) const;
    PropertyList* getEdgeProperties(const std::string& a, const std::string& b) const;
    // The stored property, or null when the item is hidden, a property of that
    // name is already there, or the property cannot be written as text.
    Property* addNodeProperty(const std::string& id, std::unique_ptr<Property> property);
    Property* addEdgeProperty(const std::string& a, const std::string& b,
                              std::unique_ptr<Property> property);
    // Hands the removed property back; null when the visible item does not hold it.
    std::unique_ptr<Property> removeNodeProperty(const std::string& id, Property* property);
    std::unique_ptr<Property> removeEdgeProperty(const std::string& a, const std::string& b,
                                                 Property* property);
    Property* findNodeProperty(const std::string& id, const std::string& name) const;
    Property* findEdgeProperty(const std::string& a, const std::string& b,
                               const std::string& name) const;

    // Graph-wide values: group -> key -> property. The "distance" group is kept
    // packed; asking for one of its entries as a property unpacks that entry.
    static constexpr const char* kDistanceGroup = "distance";
    Property* getMetaProperty(const std::string& group, const std::string& key) const;
    // The values of a meta entry without unpacking it; false when there is none.
    bool getMetaValues(const std::string& group, const std::string& key,
                       Array<std::string>& out) const;
    // The group is the property's name; replaces an older entry under key.
    // Refused (null) when the group or key cannot be written back unchanged.
    Property* setMetaProperty(const std::string& key, std::unique_ptr<Property> property);
    void removeMetaProperty(const std::string& group, const std::string& key);
    void removeMetaGroup(const std::string& group);

    // Writes the text form of the visible graph, one token per line.
    void writeGraph(LineSink& out) const;
    void writeGraph(Array<std::string>& lines) const;
    // Replaces the graph by the text form read from `in`, which stands at its
    // "nodes" line; false on a truncated or malformed form.
    [[nodiscard]] bool readGraph(TextFileReader& in);

    // A node identifier must also keep clear of the edge key separator.
    static bool isStorableNodeId(const std::string& id);

    // Expires when the graph is destroyed, so that an observer which may outlive
    // it (a selector, a window page) can tell before touching it.
    std::weak_ptr<const void> lifetime() const { return alive; }
    static std::string edgeKey(const std::string& a, const std::string& b) { return a + "|" + b; }

protected:
    // The distance group's entries; call placeDistanceGroup() before adding one,
    // so that the group takes its place among the meta groups as any group would.
    DistanceTable distances;
    void placeDistanceGroup() { meta[kDistanceGroup]; }

private:
    // The tags of edge (a, b) under either key, null when it has none.
    const Array<std::string>* edgeTagsOf(const std::string& a, const std::string& b) const;
    bool nodeHasTags(const std::string& id) const;
    // The node's adjacency array, made when it has none.
    Array<std::string>& adjacentTo(const std::string& id);
    bool edgeVisibleInAdjacency(const std::string& a, const std::string& b) const;
    template <class Visit>
    void walkEdges(bool bothDirections, Visit visit) const;
    PropertyList* edgeListOf(const std::string& a, const std::string& b) const;
    void clear();
    bool readGraphSections(TextFileReader& in);
    static bool isStorableMeta(const std::string& key, const Property& property);

    std::shared_ptr<const int> alive = std::make_shared<const int>(0);
    Table<std::string, bool> nodes;
    Table<std::string, Array<std::string>> adjacency;
    Table<std::string, std::unique_ptr<PropertyList>> nodeProperties;
    Table<std::string, std::unique_ptr<PropertyList>> edgeProperties;
    // The distance group holds an empty placeholder here that keeps its place in
    // the group order; its entries are in `distances`.
    Table<std::string, Table<std::string, std::unique_ptr<Property>>> meta;
    Table<std::string, Array<std::string>> nodeTags;
    // Every edge has an entry (possibly empty), so it doubles as the edge set.
    Table<std::string, Array<std::string>> edgeTags;
    // False while no node or edge has been given a tag since the last clear:
    // then the tag tables need no look-up (a walk over the edges would pay
    // three for each).
    bool tagsGiven = false;
};
