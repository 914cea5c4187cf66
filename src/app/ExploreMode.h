// Exploring around one protein: the pause while the pathway tilts away, the
// explore view with its glyphs, picking and highlighting in it, walking on by
// double-click and leaving. The App owns one and hands exploring over to it.
//
// The selected node and edge observe children of the view; a removal the App
// does not see is caught by dropStaleSelection before they are used.
#pragma once

#include <memory>
#include <string>

#include "engine/Color4.h"
#include "engine/CoordinateFrame.h"
#include "engine/Table.h"

class App;
class EdgeEntity;
class Entity;
class ExploreEntity;
class GlyphFactory;
class LoadExploreMode;
class NodeEntity;
struct Ray;

class ExploreMode {
public:
    explicit ExploreMode(App& app);
    ~ExploreMode();
    ExploreMode(const ExploreMode&) = delete;
    ExploreMode& operator=(const ExploreMode&) = delete;

    ExploreEntity* view() const { return view_.get(); }
    bool isPending() const { return pending_ != nullptr; }
    NodeEntity* selectedNode() const { return selectedNode_; }
    EdgeEntity* selectedEdge() const { return selectedEdge_; }

    // Opens the view around the protein once the LoadExploreMode activity of
    // the App's idle entity has run. Nothing without a pathway, while a view
    // exists or is pending, or for an unknown label.
    void start(const std::string& label);
    // The pathway moves back, the view goes at once.
    void leave();
    // The pathway closes: view, pending start and tilt are forgotten.
    void close();

    // A press on the view: selects and highlights a protein or an interaction.
    void press(const Ray& ray);
    // Walks on from the protein under the ray.
    void doubleClick(const Ray& ray);

    // A child of the view that the view made (compares pointers only).
    bool owns(const Entity* entity) const;
    // Forgets a selected node or edge that has left the view.
    void dropStaleSelection();
    // Gives the selected node and edge their looks back and forgets them.
    void clearSelection();
    // Deletes every copy of the protein (and its interactions) in the view.
    void dropCopies(const std::string& id);

private:
    friend class LoadExploreMode;

    // LoadExploreMode's end: builds the view for a protein identifier.
    void openView(const std::string& id);
    // Drops the view and the factories that decorate it.
    void dropView();
    void highlightNode(NodeEntity* node);
    void unhighlightNode();
    void highlightEdge(EdgeEntity* edge);
    void unhighlightEdge();

    App& app_;
    std::unique_ptr<ExploreEntity> view_;
    // The LoadExploreMode waiting to open the view; observed (the idle
    // entity owns it and clears this when it goes).
    LoadExploreMode* pending_ = nullptr;
    // The glyph factories of the view, which observes them.
    Array<std::unique_ptr<GlyphFactory>> glyphFactories_;
    // The pathway's frame before the explore tilt, restored on leaving.
    bool tilted_ = false;
    CoordinateFrame savedPathwayFrame_;
    NodeEntity* selectedNode_ = nullptr;
    EdgeEntity* selectedEdge_ = nullptr;
    // What the selection looked like before it was highlighted.
    Color4 selectedNodeLook_;
    float selectedNodeDepth_ = 0;
    Color4 selectedEdgeLook_;
};
