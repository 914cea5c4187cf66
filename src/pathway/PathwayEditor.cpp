#include "pathway/PathwayEditor.h"

#include <cmath>
#include <memory>

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

Property* PathwayEditor::nodePropertyFor(const std::string& id, const std::string& key) {
    if (id.empty()) {
        return nullptr;
    }
    // A protein hidden by a filter is edited like any other.
    FilteringOff all(&graph());
    Property* property = graph().findNodeProperty(id, key);
    if (property == nullptr) {
        property = graph().addNodeProperty(id, std::make_unique<Property>(key, ""));
    }
    if (property != nullptr) {
        property->name = key;
    }
    return property;
}

Property* PathwayEditor::edgePropertyFor(const std::string& a, const std::string& b,
                                         const std::string& key) {
    if (a.empty() || b.empty()) {
        return nullptr;
    }
    FilteringOff all(&graph());
    Property* property = graph().findEdgeProperty(a, b, key);
    if (property == nullptr) {
        property = graph().addEdgeProperty(a, b, std::make_unique<Property>(key, ""));
    }
    if (property != nullptr) {
        property->name = key;
    }
    return property;
}

void PathwayEditor::storePosition(const std::string& id, const Vector3& p, bool flatZ) {
    FilteringOff all(&graph());
    // A zero extent keeps the stored component it would divide by.
    Vector3 out(0, 0, 0);
    if (const Property* old = graph().findNodeProperty(id, "position");
        old != nullptr && !old->values.empty() && old->getVector3().isFinite()) {
        out = old->getVector3();
    }
    for (int i = 0; i < 3; ++i) {
        const float q = size()[i] != 0 ? p[i] / size()[i] : out[i];
        if (std::isfinite(q)) {
            out[i] = q;
        }
    }
    if (flatZ) {
        out.z = 1e-06f;
    }
    graph().setPosition(id, out);
}

void PathwayEditor::setNodeColor(NodeEntity* node, float r, float g, float b) {
    if (node == nullptr) {
        return;
    }
    node->setColor(r, g, b, 1);
    if (Property* p = nodePropertyFor(pathway_.getNodeId(node), "color")) {
        p->values = {color4ToString(node->getColor())};
    }
}

void PathwayEditor::setEdgeColor(EdgeEntity* edge, float r, float g, float b) {
    if (edge == nullptr) {
        return;
    }
    edge->color = Color4(r, g, b, 1);
    if (Property* p = edgePropertyFor(pathway_.getNodeId(edge->nodeA),
                                      pathway_.getNodeId(edge->nodeB), "color")) {
        p->values = {color4ToString(edge->color)};
    }
}

void PathwayEditor::setNodeFontColor(NodeEntity* node, float r, float g, float b) {
    if (node == nullptr) {
        return;
    }
    node->setFontColor(r, g, b, 1);
    if (Property* p = nodePropertyFor(pathway_.getNodeId(node), "fontcolor")) {
        p->values = {color4ToString(node->getFontColor())};
    }
}

void PathwayEditor::setNodeShape(NodeEntity* node, const std::string& shapeName) {
    if (node == nullptr) {
        return;
    }
    node->shapeName = shapeName;
    // Setting the frame again rebuilds the node with its new texture.
    node->setGlobalFrame(node->getGlobalFrame());
    if (Property* p = nodePropertyFor(pathway_.getNodeId(node), "texture")) {
        p->values = {shapeName};
    }
}

void PathwayEditor::scaleNodeSize(NodeEntity* node, double fx, double fy) {
    if (node == nullptr) {
        return;
    }
    const Vector3 old = node->getSize();
    node->setSize(static_cast<float>(old.x * fx), static_cast<float>(old.y * fy), old.z);
    if (Property* p = nodePropertyFor(pathway_.getNodeId(node), "prefsize")) {
        p->values.resize(3);
        const Vector3 now = node->getSize();
        for (int i = 0; i < 3; ++i) {
            fraction(now[i], size()[i], p->values[static_cast<std::size_t>(i)]);
        }
    }
}

void PathwayEditor::scaleEdgeSize(EdgeEntity* edge, double f) {
    if (edge == nullptr) {
        return;
    }
    edge->width *= f;
    if (Property* p = edgePropertyFor(pathway_.getNodeId(edge->nodeA),
                                      pathway_.getNodeId(edge->nodeB), "prefsize")) {
        p->values.resize(3);
        fraction(static_cast<float>(edge->width), size().x, p->values[0]);
    }
}

void PathwayEditor::setNodeRating(NodeEntity* node, int rating) {
    if (Property* p = nodePropertyFor(pathway_.getNodeId(node), "rating")) {
        p->values = {intToString(rating)};
    }
}

void PathwayEditor::renameNode(NodeEntity* node, const std::string& name) {
    if (node == nullptr) {
        return;
    }
    const std::string id = pathway_.getNodeId(node);
    if (!id.empty()) {
        FilteringOff all(&graph());
        graph().setProteinName(id, name);
    }
    node->setName(name);
}

ProteinGraph& PathwayEditor::graph() const {
    return pathway_.graph();
}

Vector3 PathwayEditor::size() const {
    return pathway_.getSize();
}
