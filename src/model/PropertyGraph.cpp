// Nodes, edges, tags, property lists and the graph's text form.
#include "model/PropertyGraph.h"

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <unordered_set>

#include "model/TextFile.h"
#include "model/Trace.h"

FilteringOff::FilteringOff(PropertyGraph& graph) : graph_(graph), saved_(graph.filteringEnabled) {
    graph_.filteringEnabled = false;
}

FilteringOff::~FilteringOff() {
    graph_.filteringEnabled = saved_;
}

PropertyGraph::~PropertyGraph() = default;

namespace {

void removeFirst(Array<std::string>& items, const std::string& item) {
    auto it = std::find(items.begin(), items.end(), item);
    if (it != items.end()) {
        items.erase(it);
    }
}

}  // namespace

bool PropertyGraph::isStorableNodeId(const std::string& id) {
    return Property::isStorableName(id) && id.find('|') == std::string::npos;
}

bool PropertyGraph::addNode(const std::string& id) {
    if (!isStorableNodeId(id)) {
        return false;
    }
    traceLine(id);
    // A new node has no tags: a removed node's went with it.
    nodes.emplace(id, true);
    return true;
}

bool PropertyGraph::hasEdge(const std::string& a, const std::string& b) const {
    return edgeTags.contains(edgeKey(a, b)) || edgeTags.contains(edgeKey(b, a));
}

bool PropertyGraph::addEdge(const std::string& a, const std::string& b) {
    if (!isStorableNodeId(a) || !isStorableNodeId(b)) {
        return false;
    }
    // The key the edge is stored under is made once, for the check and the entry.
    std::string stored = edgeKey(b, a);
    if (edgeTags.contains(stored) || edgeTags.contains(edgeKey(a, b))) {
        return true;
    }
    addNode(a);
    addNode(b);
    adjacentTo(a).push_back(b);
    adjacentTo(b).push_back(a);
    edgeTags.try_emplace(std::move(stored));
    return true;
}

void PropertyGraph::removeEdge(const std::string& a, const std::string& b) {
    auto ia = adjacency.find(a);
    if (ia == adjacency.end() || !adjacency.contains(b)) {
        return;
    }
    removeFirst(ia.value(), b);
    removeFirst(adjacency.find(b).value(), a);
    if (edgeTags.unordered_erase(edgeKey(a, b)) == 0) {
        edgeTags.unordered_erase(edgeKey(b, a));
    }
    edgeProperties.unordered_erase(edgeKey(a, b));
    edgeProperties.unordered_erase(edgeKey(b, a));
}

void PropertyGraph::removeNodes(const Array<std::string>& ids) {
    std::unordered_set<std::string> removed;
    for (const std::string& id : ids) {
        if (nodes.contains(id)) {
            removed.insert(id);
        }
    }
    if (removed.empty()) {
        return;
    }
    // Every edge goes, tagged or not: a half-removed edge would be written out
    // and bring the node back, without its properties, on the next read.
    std::unordered_set<std::string> partners;
    for (const std::string& id : removed) {
        auto it = adjacency.find(id);
        if (it == adjacency.end()) {
            continue;
        }
        for (const std::string& n : it->second) {
            for (const std::string& key : {edgeKey(id, n), edgeKey(n, id)}) {
                edgeTags.unordered_erase(key);
                edgeProperties.unordered_erase(key);
            }
            if (!removed.contains(n)) {
                partners.insert(n);
            }
        }
        adjacency.unordered_erase(it);
    }
    for (const std::string& n : partners) {
        Array<std::string>& list = adjacency.find(n).value();
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const std::string& b) { return removed.contains(b); }),
                   list.end());
    }
    for (const std::string& id : removed) {
        nodeTags.unordered_erase(id);
        nodeProperties.unordered_erase(id);
    }
    if (removed.size() == 1) {
        nodes.erase(*removed.begin());
        return;
    }
    decltype(nodes) kept;
    kept.reserve(nodes.size() - removed.size());
    for (const auto& [id, present] : nodes) {
        if (!removed.contains(id)) {
            kept.emplace(id, present);
        }
    }
    nodes = std::move(kept);
}

Array<std::string>& PropertyGraph::adjacentTo(const std::string& id) {
    auto [it, added] = adjacency.try_emplace(id);
    if (added) {
        // Most proteins have a few partners: room for them at once spares the
        // array the regrowths from one.
        it.value().reserve(4);
    }
    return it.value();
}

bool PropertyGraph::nodeHasTags(const std::string& id) const {
    if (!tagsGiven) {
        return false;
    }
    auto it = nodeTags.find(id);
    return it != nodeTags.end() && !it->second.empty();
}

const Array<std::string>* PropertyGraph::edgeTagsOf(const std::string& a,
                                                    const std::string& b) const {
    if (!tagsGiven) {
        return nullptr;
    }
    // addEdge(a, b) files the edge under b|a, and an edge has one entry only,
    // so that key goes first.
    auto it = edgeTags.find(edgeKey(b, a));
    if (it == edgeTags.end()) {
        it = edgeTags.find(edgeKey(a, b));
    }
    return it == edgeTags.end() ? nullptr : &it->second;
}

bool PropertyGraph::edgeVisibleInAdjacency(const std::string& a, const std::string& b) const {
    if (!filteringEnabled) {
        return true;
    }
    const Array<std::string>* tags = edgeTagsOf(a, b);
    return !(tags && !tags->empty()) && !nodeHasTags(a) && !nodeHasTags(b);
}

void PropertyGraph::getNodes(Array<std::string>& out) const {
    for (const auto& [id, present] : nodes) {
        if (!filteringEnabled || !nodeHasTags(id)) {
            out.push_back(id);
        }
    }
}

template <class Visit>
void PropertyGraph::walkEdges(bool bothDirections, Visit visit) const {
    // Reported once means reported from the end that comes first in node order:
    // (n, b) was already looked at from b exactly when b precedes n. Edges are
    // never doubled, except that a self-loop sits twice in its node's array.
    // The visit is given both ends' places in node order when each edge is
    // reported once (the place of b is found for the order anyway).
    for (auto it = nodes.begin(); it != nodes.end(); ++it) {
        const std::string& n = it->first;
        if (filteringEnabled && nodeHasTags(n)) {
            continue;
        }
        auto adjacent = adjacency.find(n);
        if (adjacent == adjacency.end()) {
            continue;
        }
        const auto position = static_cast<std::size_t>(it - nodes.begin());
        bool loopSeen = false;
        for (const std::string& b : adjacent->second) {
            std::size_t placeOfB = position;
            if (!bothDirections) {
                if (b == n) {
                    if (loopSeen) {
                        continue;
                    }
                    loopSeen = true;
                } else {
                    // The number of nodes when b is none (never reported as one).
                    placeOfB = static_cast<std::size_t>(nodes.find(b) - nodes.begin());
                    if (placeOfB < position) {
                        continue;
                    }
                }
            }
            // n itself was found untagged above.
            const Array<std::string>* tags = filteringEnabled ? edgeTagsOf(n, b) : nullptr;
            if (!filteringEnabled || (!(tags && !tags->empty()) && !nodeHasTags(b))) {
                visit(n, b, position, placeOfB);
            }
        }
    }
}

void PropertyGraph::getEdges(Array<std::string>& from, Array<std::string>& to,
                             bool bothDirections) const {
    walkEdges(bothDirections,
              [&](const std::string& a, const std::string& b, std::size_t, std::size_t) {
                  from.push_back(a);
                  to.push_back(b);
              });
}

void PropertyGraph::forEachEdge(const std::function<void(const EdgeVisit&)>& visit) const {
    walkEdges(false, [&](const std::string& a, const std::string& b, std::size_t placeOfA,
                         std::size_t placeOfB) {
        visit(EdgeVisit{a, b, placeOfA, placeOfB, edgeListOf(a, b)});
    });
}

std::ptrdiff_t PropertyGraph::placeOf(const std::string& id) const {
    auto it = nodes.find(id);
    return it == nodes.end() ? -1 : it - nodes.begin();
}

void PropertyGraph::getNeighbours(const std::string& id, Array<std::string>& out) const {
    out.clear();
    if (!isNodeVisible(id)) {
        return;
    }
    auto it = adjacency.find(id);
    if (it == adjacency.end()) {
        return;
    }
    for (const std::string& b : it->second) {
        const Array<std::string>* tags = edgeTagsOf(id, b);
        if ((tags && !tags->empty()) || nodeHasTags(b)) {
            continue;
        }
        out.push_back(b);
    }
}

void PropertyGraph::getSelfLoops(Array<std::string>& out) const {
    for (const auto& [n, present] : nodes) {
        auto adjacent = adjacency.find(n);
        if (adjacent != adjacency.end() &&
            std::find(adjacent->second.begin(), adjacent->second.end(), n) !=
                adjacent->second.end()) {
            out.push_back(n);
        }
    }
}

int PropertyGraph::degree(const std::string& id) const {
    Array<std::string> neighbours;
    getNeighbours(id, neighbours);
    return static_cast<int>(neighbours.size());
}

bool PropertyGraph::isNodeVisible(const std::string& id) const {
    return nodes.contains(id) && !(filteringEnabled && nodeHasTags(id));
}

bool PropertyGraph::isEdgeVisible(const std::string& a, const std::string& b) const {
    // The edge tag table has an entry exactly for the edges in the adjacency
    // arrays; looking there keeps hub proteins from costing their degree.
    return hasEdge(a, b) && edgeVisibleInAdjacency(a, b);
}

bool PropertyGraph::hasNodeTags(const std::string& id) const {
    return nodeHasTags(id);
}

bool PropertyGraph::hasEdgeTags(const std::string& a, const std::string& b) const {
    const Array<std::string>* tags = edgeTagsOf(a, b);
    return tags && !tags->empty();
}

void PropertyGraph::addTag(const std::string& id, const std::string& tag) {
    if (isNodeVisible(id)) {
        nodeTags[id].push_back(tag);
        tagsGiven = true;
    }
}

void PropertyGraph::removeTag(const std::string& id, const std::string& tag) {
    if (!nodes.contains(id)) {
        return;
    }
    Array<std::string>& tags = nodeTags[id];
    if (tag.empty()) {
        tags.clear();
    } else {
        removeFirst(tags, tag);
    }
}

PropertyList* PropertyGraph::edgeListOf(const std::string& a, const std::string& b) const {
    auto it = edgeProperties.find(edgeKey(a, b));
    if (it == edgeProperties.end()) {
        it = edgeProperties.find(edgeKey(b, a));
    }
    return it == edgeProperties.end() ? nullptr : it->second.get();
}

PropertyList* PropertyGraph::getNodeProperties(const std::string& id) const {
    if (!isNodeVisible(id)) {
        return nullptr;
    }
    auto it = nodeProperties.find(id);
    return it == nodeProperties.end() ? nullptr : it->second.get();
}

PropertyList* PropertyGraph::getEdgeProperties(const std::string& a, const std::string& b) const {
    return isEdgeVisible(a, b) ? edgeListOf(a, b) : nullptr;
}

Property* PropertyGraph::addNodeProperty(const std::string& id,
                                         std::unique_ptr<Property> property) {
    if (!property || !property->isStorable() || !isNodeVisible(id)) {
        return nullptr;
    }
    std::unique_ptr<PropertyList>& list = nodeProperties[id];
    if (!list) {
        list = std::make_unique<PropertyList>(id);
    }
    return list->addProperty(std::move(property));
}

Property* PropertyGraph::addEdgeProperty(const std::string& a, const std::string& b,
                                         std::unique_ptr<Property> property) {
    if (!property || !property->isStorable() || !isEdgeVisible(a, b)) {
        return nullptr;
    }
    PropertyList* list = edgeListOf(a, b);
    if (!list) {
        const std::string key = edgeKey(a, b);
        auto& created = edgeProperties[key];
        created = std::make_unique<PropertyList>(key);
        list = created.get();
    }
    return list->addProperty(std::move(property));
}

std::unique_ptr<Property> PropertyGraph::removeNodeProperty(const std::string& id,
                                                            Property* property) {
    PropertyList* list = getNodeProperties(id);
    return list ? list->removeProperty(property) : nullptr;
}

std::unique_ptr<Property> PropertyGraph::removeEdgeProperty(const std::string& a,
                                                            const std::string& b,
                                                            Property* property) {
    PropertyList* list = getEdgeProperties(a, b);
    return list ? list->removeProperty(property) : nullptr;
}

Property* PropertyGraph::findNodeProperty(const std::string& id, const std::string& name) const {
    PropertyList* list = getNodeProperties(id);
    return list ? list->getProperty(name) : nullptr;
}

Property* PropertyGraph::findEdgeProperty(const std::string& a, const std::string& b,
                                          const std::string& name) const {
    PropertyList* list = getEdgeProperties(a, b);
    return list ? list->getProperty(name) : nullptr;
}

Property* PropertyGraph::getMetaProperty(const std::string& group, const std::string& key) const {
    auto g = meta.find(group);
    if (g == meta.end()) {
        return nullptr;
    }
    if (group == kDistanceGroup) {
        return distances.property(key, group);
    }
    auto k = g->second.find(key);
    return k == g->second.end() ? nullptr : k->second.get();
}

bool PropertyGraph::getMetaValues(const std::string& group, const std::string& key,
                                  Array<std::string>& out) const {
    if (group == kDistanceGroup) {
        return meta.contains(group) && distances.values(key, out);
    }
    const Property* property = getMetaProperty(group, key);
    if (property) {
        out = property->values;
    }
    return property != nullptr;
}

bool PropertyGraph::isStorableMeta(const std::string& key, const Property& property) {
    // The entry is written as "group|key" and cut at the first "|" on reading,
    // so a group holding "|" would come back as a different group.
    return property.isStorable() && property.name.find('|') == std::string::npos &&
           key.find_first_of("\r\n") == std::string::npos;
}

Property* PropertyGraph::setMetaProperty(const std::string& key,
                                         std::unique_ptr<Property> property) {
    if (!property || !isStorableMeta(key, *property)) {
        return nullptr;
    }
    if (property->name == kDistanceGroup) {
        placeDistanceGroup();
        distances.set(key, std::move(property->values));
        return distances.property(key, kDistanceGroup);
    }
    std::unique_ptr<Property>& slot = meta[property->name][key];
    slot = std::move(property);
    return slot.get();
}

void PropertyGraph::removeMetaProperty(const std::string& group, const std::string& key) {
    auto g = meta.find(group);
    if (g == meta.end()) {
        return;
    }
    if (group == kDistanceGroup) {
        distances.erase(key);
    } else {
        g.value().erase(key);
    }
}

void PropertyGraph::removeMetaGroup(const std::string& group) {
    meta.erase(group);
    if (group == kDistanceGroup) {
        distances.clear();
    }
}

namespace {

void writeProperty(LineSink& out, std::string_view name, const Array<std::string>& values) {
    out.addLine(name);
    out.addLine("{");
    for (const std::string& value : values) {
        out.addLine(value);
    }
    out.addLine("}");
}

void writeList(LineSink& out, std::string_view name, const PropertyList& list) {
    out.addLine(name);
    out.addLine("{");
    for (const auto& property : list.properties) {
        writeProperty(out, property->name, property->values);
    }
    out.addLine("}");
}

}  // namespace

void PropertyGraph::writeGraph(Array<std::string>& lines) const {
    LineList list(lines);
    writeGraph(list);
}

void PropertyGraph::writeGraph(LineSink& out) const {
    Array<std::string> ids;
    getNodes(ids);
    out.addLine("nodes");
    out.addLine("{");
    for (const std::string& id : ids) {
        out.addLine(id);
    }
    out.addLine("}");

    // Each edge's key is made once, for both sections.
    Array<std::string> keys;
    {
        Array<std::string> from, to;
        getEdges(from, to, false);
        keys.reserve(from.size());
        for (size_t i = 0; i < from.size(); ++i) {
            keys.push_back(edgeKey(from[i], to[i]));
        }
    }
    out.addLine("edges");
    out.addLine("{");
    for (const std::string& key : keys) {
        out.addLine(key);
    }
    out.addLine("}");

    out.addLine("node properties");
    for (const std::string& id : ids) {
        auto it = nodeProperties.find(id);
        if (it != nodeProperties.end() && it->second) {
            writeList(out, id, *it->second);
        }
    }
    out.addLine("}");

    out.addLine("edge properties");
    for (const std::string& key : keys) {
        auto it = edgeProperties.find(key);
        if (it == edgeProperties.end()) {
            // Stored under the other way round, b|a.
            const size_t bar = key.find('|');
            it = edgeProperties.find(key.substr(bar + 1) + "|" + key.substr(0, bar));
        }
        if (it != edgeProperties.end() && it->second) {
            writeList(out, key, *it->second);
        }
    }
    out.addLine("}");

    out.addLine("meta properties");
    std::string name;
    for (const auto& [group, entries] : meta) {
        if (group == kDistanceGroup) {
            distances.forEach([&](const std::string& key, const Array<std::string>& values) {
                name.assign(group).append("|").append(key);
                writeProperty(out, name, values);
            });
            continue;
        }
        for (const auto& [key, property] : entries) {
            name.assign(group).append("|").append(key);
            writeProperty(out, name, property->values);
        }
    }
    out.addLine("}");
}

namespace {

enum class ReadResult { Item, SectionEnd, Error };

bool complain(const std::string& expected, const std::string& read) {
    std::fprintf(stderr, "property graph: expected %s, read \"%s\"\n", expected.c_str(),
                 read.c_str());
    return false;
}

bool complainAtEnd(std::string_view expected, std::string_view name = "") {
    std::fprintf(stderr, "property graph: expected %.*s%.*s, but the file ended\n",
                 static_cast<int>(expected.size()), expected.data(), static_cast<int>(name.size()),
                 name.data());
    return false;
}

// One line exactly as stored. The empty line that a final line break leaves
// counts as the end of the file. What was expected is said in two parts, put
// together only when it is said: a read makes this call for every line.
bool rawLine(TextFileReader& in, std::string& out, std::string_view expected,
             std::string_view name = "") {
    if (in.readLine(out) && !(out.empty() && in.atEnd())) {
        return true;
    }
    return complainAtEnd(expected, name);
}

// The next line that is not empty; false at the end of the file.
bool nextToken(TextFileReader& in, std::string& out) {
    while (in.readLine(out)) {
        if (!out.empty()) {
            return true;
        }
    }
    return false;
}

bool expectToken(TextFileReader& in, const std::string& expected) {
    std::string line;
    if (!nextToken(in, line)) {
        return complainAtEnd("\"" + expected + "\"");
    }
    return line == expected || complain("\"" + expected + "\"", line);
}

// Name, "{", values kept exactly (blank ones included), "}". The values are
// gathered in `scratch` first so that each property's array is allocated once,
// at its final size, instead of growing value by value.
ReadResult readProperty(TextFileReader& in, Property& property, Array<std::string>& scratch) {
    std::string name;
    if (!rawLine(in, name, "a property name or \"}\"")) {
        return ReadResult::Error;
    }
    if (name == "}") {
        return ReadResult::SectionEnd;
    }
    std::string brace;
    if (!Property::isStorableName(name)) {
        complain("a property name", name);
        return ReadResult::Error;
    }
    if (!rawLine(in, brace, "\"{\" after property ", name) ||
        (brace != "{" && !complain("\"{\" after property " + name, brace))) {
        return ReadResult::Error;
    }
    std::size_t count = 0;
    for (;; ++count) {
        if (count == scratch.size()) {
            scratch.emplace_back();
        }
        std::string& value = scratch[count];
        if (!rawLine(in, value, "\"}\" closing the values of ", name)) {
            return ReadResult::Error;
        }
        if (value == "}") {
            break;
        }
    }
    property.name = std::move(name);
    property.values.assign(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(count));
    return ReadResult::Item;
}

// As readProperty, the list's properties are gathered first and stored once.
struct ListScratch {
    Array<std::string> values;
    Array<std::unique_ptr<Property>> properties;
};

ReadResult readList(TextFileReader& in, PropertyList& list, ListScratch& scratch) {
    std::string name;
    if (!rawLine(in, name, "a property list or \"}\"")) {
        return ReadResult::Error;
    }
    if (name == "}") {
        return ReadResult::SectionEnd;
    }
    std::string brace;
    if (!Property::isStorableName(name)) {
        complain("the name of a property list", name);
        return ReadResult::Error;
    }
    if (!rawLine(in, brace, "\"{\" after list ", name) ||
        (brace != "{" && !complain("\"{\" after list " + name, brace))) {
        return ReadResult::Error;
    }
    list.name = std::move(name);
    scratch.properties.clear();
    for (;;) {
        auto property = std::make_unique<Property>();
        switch (readProperty(in, *property, scratch.values)) {
            case ReadResult::Error:
                return ReadResult::Error;
            case ReadResult::SectionEnd:
                list.properties.reserve(scratch.properties.size());
                for (auto& read : scratch.properties) {
                    list.addProperty(std::move(read));  // the first of a name wins
                }
                return ReadResult::Item;
            case ReadResult::Item:
                scratch.properties.push_back(std::move(property));
                break;
        }
    }
}

bool readLists(TextFileReader& in, Table<std::string, std::unique_ptr<PropertyList>>& table) {
    ListScratch scratch;
    for (;;) {
        auto list = std::make_unique<PropertyList>();
        switch (readList(in, *list, scratch)) {
            case ReadResult::Error:
                return false;
            case ReadResult::SectionEnd:
                return true;
            case ReadResult::Item: {
                const std::string& key = list->name;
                table.insert_or_assign(key, std::move(list));
                break;
            }
        }
    }
}

}  // namespace

void PropertyGraph::clear() {
    nodes.clear();
    adjacency.clear();
    nodeProperties.clear();
    edgeProperties.clear();
    meta.clear();
    distances.clear();
    // Tags of nodes and edges that are gone would only linger as stale entries.
    nodeTags.clear();
    edgeTags.clear();
    tagsGiven = false;
}

bool PropertyGraph::readGraph(TextFileReader& in) {
    if (readGraphSections(in)) {
        return true;
    }
    std::fprintf(stderr, "property graph: the graph in %s is truncated or malformed\n",
                 in.fileName().c_str());
    return false;
}

bool PropertyGraph::readGraphSections(TextFileReader& in) {
    clear();
    std::string line;

    if (!expectToken(in, "nodes") || !expectToken(in, "{")) {
        return false;
    }
    for (;;) {
        if (!nextToken(in, line)) {
            return complainAtEnd("a node or \"}\"");
        }
        if (line == "}") {
            break;
        }
        if (!addNode(line)) {
            return complain("a node identifier", line);
        }
    }

    if (!expectToken(in, "edges") || !expectToken(in, "{")) {
        return false;
    }
    // Sized for the listed nodes, which is all of them in a written graph.
    adjacency.reserve(nodes.size());
    std::string from, to;
    for (;;) {
        if (!nextToken(in, line)) {
            return complainAtEnd("an edge or \"}\"");
        }
        if (line == "}") {
            break;
        }
        const size_t bar = line.find('|');
        if (bar == std::string::npos) {
            return complain("an edge a|b", line);
        }
        from.assign(line, 0, bar);
        to.assign(line, bar + 1);
        if (!addEdge(from, to)) {
            return complain("an edge a|b", line);
        }
    }

    // At most one list per node and per edge: sized once, not rehashed as they grow.
    nodeProperties.reserve(nodes.size());
    edgeProperties.reserve(edgeTags.size());
    if (!expectToken(in, "node properties") || !readLists(in, nodeProperties)) {
        return false;
    }
    if (!expectToken(in, "edge properties") || !readLists(in, edgeProperties)) {
        return false;
    }

    if (!expectToken(in, "meta properties")) {
        return false;
    }
    Array<std::string> scratch;
    for (;;) {
        auto property = std::make_unique<Property>();
        switch (readProperty(in, *property, scratch)) {
            case ReadResult::Error:
                return false;
            case ReadResult::SectionEnd:
                return true;
            case ReadResult::Item: {
                const std::string whole = property->name;
                const size_t bar = whole.find('|');
                const std::string key = bar == std::string::npos ? "" : whole.substr(bar + 1);
                property->name = whole.substr(0, bar);
                if (!isStorableMeta(key, *property)) {
                    return complain("a meta entry group|key", whole);
                }
                if (property->name == kDistanceGroup) {
                    placeDistanceGroup();
                    distances.set(key, std::move(property->values));
                } else {
                    meta[property->name][key] = std::move(property);
                }
                break;
            }
        }
    }
}
