// Editing of single proteins and interactions (kept both in the entity and as
// graph properties, so that a save carries them), the selected proteins, the
// named selections, visibility after filtering, the stimulus and the stored
// positions of a pathway.
#include <algorithm>
#include <unordered_set>

#include "model/Cache.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

// Quotient for a stored fraction of the pathway size: a zero extent gives no
// quotient, and the caller leaves that value as it was.
bool fraction(float value, float extent, std::string& out) {
    if (extent == 0) {
        return false;
    }
    const float q = value / extent;
    if (!std::isfinite(q)) {
        return false;
    }
    out = doubleToString(static_cast<double>(q));
    return true;
}

}  // namespace

// ---- graph helpers ----

bool PathwayLayoutEntity::hasOwnNodeProperty(const std::string& id, const std::string& key) const {
    FilteringOff all(graph.get());
    return graph->findNodeProperty(id, key) != nullptr;
}

bool PathwayLayoutEntity::isImportantAnyway(const std::string& id) const {
    FilteringOff all(graph.get());
    return graph->isImportant(id);
}

Array<std::string> PathwayLayoutEntity::allProteins() const {
    FilteringOff all(graph.get());
    Array<std::string> ids;
    graph->getNodes(ids);
    return ids;
}

Property* PathwayLayoutEntity::nodePropertyFor(const std::string& id, const std::string& key) {
    if (id.empty()) {
        return nullptr;
    }
    // A protein hidden by a filter is edited like any other.
    FilteringOff all(graph.get());
    Property* property = graph->findNodeProperty(id, key);
    if (property == nullptr) {
        property = graph->addNodeProperty(id, std::make_unique<Property>(key, ""));
    }
    if (property != nullptr) {
        property->name = key;
    }
    return property;
}

Property* PathwayLayoutEntity::edgePropertyFor(const std::string& a, const std::string& b,
                                               const std::string& key) {
    if (a.empty() || b.empty()) {
        return nullptr;
    }
    FilteringOff all(graph.get());
    Property* property = graph->findEdgeProperty(a, b, key);
    if (property == nullptr) {
        property = graph->addEdgeProperty(a, b, std::make_unique<Property>(key, ""));
    }
    if (property != nullptr) {
        property->name = key;
    }
    return property;
}

void PathwayLayoutEntity::storeFraction(const std::string& id, const Vector3& p, bool flatZ) {
    FilteringOff all(graph.get());
    // A zero extent keeps the stored component it would divide by.
    Vector3 out(0, 0, 0);
    if (const Property* old = graph->findNodeProperty(id, "position");
        old != nullptr && !old->values.empty() && old->getVector3().isFinite()) {
        out = old->getVector3();
    }
    for (int i = 0; i < 3; ++i) {
        const float q = size[i] != 0 ? p[i] / size[i] : out[i];
        if (std::isfinite(q)) {
            out[i] = q;
        }
    }
    if (flatZ) {
        out.z = 1e-06f;
    }
    graph->setPosition(id, out);
}

// ---- per-entity edits ----

void PathwayLayoutEntity::setNodeColor(NodeEntity* node, float r, float g, float b) {
    if (node == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    node->setColor(r, g, b, 1);
    if (Property* p = nodePropertyFor(getNodeId(node), "color")) {
        p->values = {color4ToString(node->getColor())};
    }
}

void PathwayLayoutEntity::setEdgeColor(EdgeEntity* edge, float r, float g, float b) {
    if (edge == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    edge->color = Color4(r, g, b, 1);
    if (Property* p = edgePropertyFor(getNodeId(edge->nodeA), getNodeId(edge->nodeB), "color")) {
        p->values = {color4ToString(edge->color)};
    }
}

void PathwayLayoutEntity::setNodeFontColor(NodeEntity* node, float r, float g, float b) {
    if (node == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    node->setFontColor(r, g, b, 1);
    if (Property* p = nodePropertyFor(getNodeId(node), "fontcolor")) {
        p->values = {color4ToString(node->getFontColor())};
    }
}

void PathwayLayoutEntity::setNodeShape(NodeEntity* node, const std::string& shapeName) {
    if (node == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    node->shapeName = shapeName;
    // Setting the frame again rebuilds the node with its new texture.
    node->setGlobalFrame(node->getGlobalFrame());
    if (Property* p = nodePropertyFor(getNodeId(node), "texture")) {
        p->values = {shapeName};
    }
}

void PathwayLayoutEntity::scaleNodeSize(NodeEntity* node, double fx, double fy) {
    if (node == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    const Vector3 old = node->getSize();
    node->setSize(static_cast<float>(old.x * fx), static_cast<float>(old.y * fy), old.z);
    if (Property* p = nodePropertyFor(getNodeId(node), "prefsize")) {
        p->values.resize(3);
        const Vector3 now = node->getSize();
        for (int i = 0; i < 3; ++i) {
            fraction(now[i], size[i], p->values[static_cast<std::size_t>(i)]);
        }
    }
}

void PathwayLayoutEntity::scaleEdgeSize(EdgeEntity* edge, double f) {
    if (edge == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    edge->width *= f;
    if (Property* p = edgePropertyFor(getNodeId(edge->nodeA), getNodeId(edge->nodeB), "prefsize")) {
        p->values.resize(3);
        fraction(static_cast<float>(edge->width), size.x, p->values[0]);
    }
}

void PathwayLayoutEntity::setNodeRating(NodeEntity* node, int rating) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    if (Property* p = nodePropertyFor(getNodeId(node), "rating")) {
        p->values = {intToString(rating)};
    }
}

void PathwayLayoutEntity::renameNode(NodeEntity* node, const std::string& name) {
    if (node == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    const std::string id = getNodeId(node);
    if (!id.empty()) {
        FilteringOff all(graph.get());
        graph->setProteinName(id, name);
    }
    node->setName(name);
}

// ---- named selections ----

bool PathwayLayoutEntity::saveSelection(const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    return selection_.saveNamed(*graph, name);
}

void PathwayLayoutEntity::removeSelection(const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    selection_.removeNamed(*graph, name);
}

// ---- visibility ----

void PathwayLayoutEntity::updateVisibility(bool keepPathway, bool keepExperimentals) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    Array<std::string> ids;
    Array<std::string> from;
    Array<std::string> to;
    std::unordered_set<std::string> measured;
    std::unordered_set<std::string> important;
    {
        // A tagged protein is still important or measured.
        FilteringOff all(graph.get());
        graph->getNodes(ids);
        graph->getEdges(from, to, false);
        for (const std::string& id : ids) {
            if (graph->findNodeProperty(id, "heatmap") != nullptr) {
                measured.insert(id);
            }
            if (graph->isImportant(id)) {
                important.insert(id);
            }
        }
    }

    for (const std::string& id : ids) {
        NodeEntity* node = getNode(id);
        if (node == nullptr) {
            continue;
        }
        const bool isImportant = important.contains(id);
        const bool isMeasured = measured.contains(id);
        if ((keepPathway && isImportant) || (keepExperimentals && isMeasured)) {
            graph->removeTag(id, "");
        }
        const Vector3 p = node->getLocalFrame().translation;
        const float z = graph->hasNodeTags(id) ? -1.0f : shownLayer(isImportant, isMeasured);
        node->setLocalFrame(CoordinateFrame(Vector3(p.x, p.y, z)));
    }

    for (std::size_t i = 0; i < from.size() && i < to.size(); ++i) {
        const std::string& a = from[i];
        const std::string& b = to[i];
        EdgeEntity* edge = findEdge(a, b);
        if (edge == nullptr || edge->kind == 2) {
            continue;
        }
        // An interaction of a hidden protein is hidden with it.
        edge->hidden = graph->hasEdgeTags(a, b) || graph->hasNodeTags(a) || graph->hasNodeTags(b);
    }
}

// ---- stimulus and positions ----

void PathwayLayoutEntity::applyStimulus(const Array<std::string>& ids, ProteinGraph* target) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    // Held by the pathway itself, so the layout never moves it.
    createNodeLocked(CoordinateFrame(Vector3(0.95f * size.x, -0.95f * size.y, 0)), "stimulus",
                     true);
    if (target == nullptr) {
        return;
    }
    target->addNode("stimulus");
    for (const std::string& id : ids) {
        target->addNode(id);
        target->addEdge("stimulus", id);
    }
}

void PathwayLayoutEntity::storePositions() {
    std::lock_guard<std::mutex> lock(layoutMutex);
    // Hidden proteins keep their place too.
    FilteringOff all(graph.get());
    Array<std::string> ids;
    graph->getNodes(ids);
    for (const std::string& id : ids) {
        NodeEntity* node = getNode(id);
        if (node == nullptr) {
            continue;
        }
        storeFraction(id, node->getLocalFrame().translation, true);
    }
}

bool PathwayLayoutEntity::lookupNeighbourhoodPositions(Array<std::string> ids, Array<Vector3>& out,
                                                       Cache* cache) const {
    if (cache == nullptr || ids.empty()) {
        return false;
    }
    std::string value;
    if (!cache->lookup(std::string("exppos") + (positionSet ? "1" : "0"), ids[0], value)) {
        return false;
    }
    const std::size_t hash = value.find('#');
    if (hash == std::string::npos) {
        return false;
    }
    const Array<std::string> storedIds = split(value.substr(0, hash), "|");
    const Array<std::string> positions = split(value.substr(hash + 1), "|");
    if (positions.empty() || storedIds.size() != positions.size() - 1 ||
        storedIds.size() != ids.size()) {
        return false;
    }
    out.clear();
    out.push_back(stringToVector3(positions[0]));
    for (const std::string& id : ids) {
        auto at = std::find(storedIds.begin(), storedIds.end(), id);
        if (at == storedIds.end()) {
            return false;
        }
        out.push_back(
            stringToVector3(positions[static_cast<std::size_t>(at - storedIds.begin()) + 1]));
    }
    return true;
}
