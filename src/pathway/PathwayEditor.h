// Edits of single proteins and interactions of a pathway, each written twice:
// into the entity, so that it shows at once, and as a property of the graph,
// so that a save carries it. The document calls these between two layout
// passes; the editor takes no lock of its own.
#pragma once

#include <string>

#include "engine/Vector3.h"

class EdgeEntity;
class NodeEntity;
class PathwayLayoutEntity;
class Property;
class ProteinGraph;

class PathwayEditor {
public:
    explicit PathwayEditor(PathwayLayoutEntity& pathway) : pathway_(pathway) {}

    // A null entity, or one whose protein the graph does not hold, changes
    // at most the entity.
    void setNodeColor(NodeEntity* node, float r, float g, float b);
    void setEdgeColor(EdgeEntity* edge, float r, float g, float b);
    void setNodeFontColor(NodeEntity* node, float r, float g, float b);
    void setNodeShape(NodeEntity* node, const std::string& shapeName);
    void scaleNodeSize(NodeEntity* node, double fx, double fy);
    void scaleEdgeSize(EdgeEntity* edge, double f);
    void setNodeRating(NodeEntity* node, int rating);
    void renameNode(NodeEntity* node, const std::string& name);
    // Stores the graph position of a protein at scene position p as fractions
    // of the pathway size; flatZ puts it at z 1e-06.
    void storePosition(const std::string& id, const Vector3& p, bool flatZ);

private:
    PathwayLayoutEntity& pathway_;

    ProteinGraph& graph() const;
    Vector3 size() const;
    // The graph property of that key, added when missing; null when the graph
    // refuses it (no such visible protein or interaction).
    Property* nodePropertyFor(const std::string& id, const std::string& key);
    Property* edgePropertyFor(const std::string& a, const std::string& b, const std::string& key);
};
