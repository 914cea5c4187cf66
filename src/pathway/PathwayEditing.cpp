// The document's editing operations, each handing over to its editor or its
// selection between two layout passes, and what it does itself: visibility
// after filtering, the stimulus and the stored positions of a pathway.
#include <algorithm>
#include <unordered_set>

#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"

// ---- graph helpers ----

bool PathwayLayoutEntity::hasOwnNodeProperty(const std::string& id, const std::string& key) const {
    FilteringOff all(graph_.get());
    return graph_->findNodeProperty(id, key) != nullptr;
}

bool PathwayLayoutEntity::isImportantAnyway(const std::string& id) const {
    FilteringOff all(graph_.get());
    return graph_->isImportant(id);
}

Array<std::string> PathwayLayoutEntity::allProteins() const {
    FilteringOff all(graph_.get());
    Array<std::string> ids;
    graph_->getNodes(ids);
    return ids;
}

// ---- per-entity edits, between two layout passes ----

void PathwayLayoutEntity::setNodeColor(NodeEntity* node, float r, float g, float b) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.setNodeColor(node, r, g, b);
}

void PathwayLayoutEntity::setEdgeColor(EdgeEntity* edge, float r, float g, float b) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.setEdgeColor(edge, r, g, b);
}

void PathwayLayoutEntity::setNodeFontColor(NodeEntity* node, float r, float g, float b) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.setNodeFontColor(node, r, g, b);
}

void PathwayLayoutEntity::setNodeShape(NodeEntity* node, const std::string& shapeName) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.setNodeShape(node, shapeName);
}

void PathwayLayoutEntity::scaleNodeSize(NodeEntity* node, double fx, double fy) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.scaleNodeSize(node, fx, fy);
}

void PathwayLayoutEntity::scaleEdgeSize(EdgeEntity* edge, double f) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.scaleEdgeSize(edge, f);
}

void PathwayLayoutEntity::setNodeRating(NodeEntity* node, int rating) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.setNodeRating(node, rating);
}

void PathwayLayoutEntity::renameNode(NodeEntity* node, const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    editor_.renameNode(node, name);
}

// ---- named selections ----

bool PathwayLayoutEntity::saveSelection(const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    return selection_.saveNamed(*graph_, name);
}

void PathwayLayoutEntity::removeSelection(const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    selection_.removeNamed(*graph_, name);
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
        FilteringOff all(graph_.get());
        graph_->getNodes(ids);
        graph_->getEdges(from, to, false);
        for (const std::string& id : ids) {
            if (graph_->findNodeProperty(id, "heatmap") != nullptr) {
                measured.insert(id);
            }
            if (graph_->isImportant(id)) {
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
            graph_->removeTag(id, "");
        }
        const Vector3 p = node->getLocalFrame().translation;
        const float z = graph_->hasNodeTags(id) ? -1.0f : shownLayer(isImportant, isMeasured);
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
        edge->hidden =
            graph_->hasEdgeTags(a, b) || graph_->hasNodeTags(a) || graph_->hasNodeTags(b);
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
    FilteringOff all(graph_.get());
    Array<std::string> ids;
    graph_->getNodes(ids);
    for (const std::string& id : ids) {
        NodeEntity* node = getNode(id);
        if (node == nullptr) {
            continue;
        }
        editor_.storePosition(id, node->getLocalFrame().translation, true);
    }
}
