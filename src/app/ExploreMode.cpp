#include "app/ExploreMode.h"

#include <cmath>

#include "app/AnalyzeServices.h"
#include "app/App.h"
#include "app/EntityKind.h"
#include "app/LoadExploreMode.h"
#include "engine/Matrix3.h"
#include "engine/Ray.h"
#include "model/ProteinGraph.h"
#include "model/WindowServices.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/Glyph.h"
#include "scene/NodeEntity.h"

namespace {

// The explore view's visible area is this part of what the window shows.
constexpr float kVisibleShare = 0.85f;
// The view stands this far in front of the pathway plane.
constexpr float kViewDepth = 1.0f;
constexpr float kTiltRadians = 0.2f;
constexpr float kHighlight = 1.5f;
constexpr float kHighlightLift = 0.02f;

void setDepth(NodeEntity* node, float z) {
    CoordinateFrame frame = node->getLocalFrame();
    frame.translation.z = z;
    node->setLocalFrame(frame);
}

}  // namespace

ExploreMode::ExploreMode(App& app) : app_(app) {}

ExploreMode::~ExploreMode() {
    if (pending_ != nullptr) {
        pending_->cancel();
    }
}

// ---- starting, opening and leaving ----

void ExploreMode::start(const std::string& label) {
    PathwayLayoutEntity* pathway = app_.pathway();
    if (pathway == nullptr || view_ || pending_ != nullptr) {
        return;
    }
    const NodeEntity* node = app_.resolveProtein(label);
    const std::string id = node != nullptr ? pathway->getNodeId(node) : std::string();
    if (id.empty() || !pathway->graph().hasNode(id)) {
        return;
    }
    const double speed = app_.animationSpeed();
    if (pathway->tiltedExplorePlane()) {
        savedPathwayFrame_ = pathway->getGlobalFrame();
        tilted_ = true;
        CoordinateFrame tilted(Matrix3::fromAxisAngle(Vector3(-1, 0, 0), kTiltRadians),
                               savedPathwayFrame_.translation - Vector3(0, 0, 1.0f));
        pathway->moveGlobal(tilted, 0.5 * speed);
    }
    auto* pending = new LoadExploreMode(id, this, 0.6 * speed);
    pending_ = pending;
    app_.idleEntity().add(pending);
    app_.setAnimating(true);
}

void ExploreMode::openView(const std::string& id) {
    PathwayLayoutEntity* pathway = app_.pathway();
    if (pathway == nullptr || view_ || !pathway->graph().hasNode(id)) {
        return;
    }
    const Vector3 size = pathway->getSize();
    auto view = std::make_unique<ExploreEntity>(
        &pathway->graph(), pathway, CoordinateFrame(), "explore",
        Vector3(size.x / 1.5f, size.y / 1.5f, 0.001f), Color4(1, 1, 1, 1));

    // The placement compares the view's corners in the pathway's frame at the
    // view's depth, so the visible rectangle is taken there.
    const Rect2D visible = app_.screenToPlane(pathway->getGlobalFrame(), kViewDepth);
    if (visible.width() > 0 && visible.height() > 0) {
        const Vector2 c = visible.center();
        const float hw = visible.width() * kVisibleShare / 2;
        const float hh = visible.height() * kVisibleShare / 2;
        view->bounds[0] = c.x - hw;
        view->bounds[1] = c.y - hh;
        view->bounds[2] = c.x + hw;
        view->bounds[3] = c.y + hh;
    } else {
        // Nothing of that plane is seen: no bound to keep the view in.
        view->bounds[0] = view->bounds[1] = -1e30f;
        view->bounds[2] = view->bounds[3] = 1e30f;
    }

    auto heatmaps = std::make_unique<HeatmapGlyphFactory>(&pathway->graph());
    heatmaps->experiment = app_.currentTabName();
    heatmaps->font = app_.font();
    auto explored = std::make_unique<AlreadyExploredGlyphFactory>(&pathway->graph());
    view->appendLoadItem(heatmaps.get());
    view->appendLoadItem(explored.get());
    glyphFactories_.push_back(std::move(heatmaps));
    glyphFactories_.push_back(std::move(explored));

    view->animationTime = app_.animationSpeed();
    if (app_.font()) {
        view->setFont(app_.font());
    }
    view_ = std::move(view);
    view_->buildExploreView(id);
    app_.setAnimating(true);
    app_.requestRepaint();
}

void ExploreMode::dropView() {
    if (pending_ != nullptr) {
        pending_->cancel();
        pending_ = nullptr;
    }
    selectedNode_ = nullptr;
    selectedEdge_ = nullptr;
    view_.reset();
    glyphFactories_.clear();
}

void ExploreMode::leave() {
    if (app_.pathway() && tilted_) {
        app_.pathway()->moveGlobal(savedPathwayFrame_, 0.5 * app_.animationSpeed());
        app_.setAnimating(true);
    }
    tilted_ = false;
    dropView();
    app_.requestRepaint();
}

void ExploreMode::close() {
    dropView();
    tilted_ = false;
}

// ---- picking in the view ----

bool ExploreMode::owns(const Entity* entity) const {
    return view_ && entity != nullptr && view_->ownsEntity(entity) && view_->hasChild(entity);
}

void ExploreMode::dropStaleSelection() {
    if (selectedNode_ != nullptr && !owns(selectedNode_)) {
        selectedNode_ = nullptr;
    }
    if (selectedEdge_ != nullptr && !owns(selectedEdge_)) {
        selectedEdge_ = nullptr;
    }
}

void ExploreMode::press(const Ray& ray) {
    Entity* hit = view_->pickChild(ray);
    if (hit == nullptr) {
        return;
    }
    ProteinGraph* graph = view_->graph;
    auto proteinName = [&](const Entity* entity) {
        const std::string id = view_->exploredNodeName(entity);
        if (id.empty() || graph == nullptr || !graph->hasNode(id)) {
            return id;
        }
        return graph->getProteinName(id);
    };
    AnalyzeServices* lists = app_.analyzeTab();
    if (isNode(hit)) {
        if (view_->exploredNodeName(hit).empty() || hit == selectedNode_) {
            return;
        }
        unhighlightNode();
        unhighlightEdge();
        highlightNode(static_cast<NodeEntity*>(hit));
        app_.requestRepaint();
        if (lists) {
            lists->selectProteinInList(proteinName(hit));
        }
        return;
    }
    if (isEdge(hit) && hit != selectedEdge_) {
        unhighlightEdge();
        unhighlightNode();
        auto* edge = static_cast<EdgeEntity*>(hit);
        highlightEdge(edge);
        app_.requestRepaint();
        if (lists) {
            lists->selectInteractionInLists(proteinName(edge->nodeA), proteinName(edge->nodeB));
        }
    }
}

void ExploreMode::doubleClick(const Ray& ray) {
    dropStaleSelection();
    Entity* hit = view_->pickChild(ray);
    if (!isNode(hit)) {
        return;
    }
    // The press before this selected the node; it leaves as it came.
    unhighlightNode();
    view_->reexplore(hit);
    app_.setAnimating(true);
    if (app_.mainWindow()) {
        app_.mainWindow()->startTimers(30, 20000);
    }
}

void ExploreMode::dropCopies(const std::string& id) {
    if (!view_ || id.empty()) {
        return;
    }
    for (Entity* copy = view_->findExploredNode(id); copy != nullptr;
         copy = view_->findExploredNode(id)) {
        // Takes the copy's edges and glyphs with it, and its registration.
        view_->destroyEntity(copy);
    }
}

// ---- highlighting ----

void ExploreMode::clearSelection() {
    unhighlightNode();
    unhighlightEdge();
}

void ExploreMode::highlightNode(NodeEntity* node) {
    selectedNode_ = node;
    selectedNodeLook_ = node->getColor();
    selectedNodeDepth_ = node->getLocalFrame().translation.z;
    const Color4 c = selectedNodeLook_;
    node->setColor(c.r * kHighlight, c.g * kHighlight, c.b * kHighlight, c.a);
    setDepth(node, selectedNodeDepth_ + kHighlightLift);
    // Children are kept in depth order; the lifted node moves in that order.
    view_->removeChild(node);
    view_->addChild(node);
}

void ExploreMode::unhighlightNode() {
    dropStaleSelection();
    if (selectedNode_ == nullptr) {
        return;
    }
    const Color4 c = selectedNodeLook_;
    selectedNode_->setColor(c.r, c.g, c.b, c.a);
    setDepth(selectedNode_, selectedNodeDepth_);
    view_->removeChild(selectedNode_);
    view_->addChild(selectedNode_);
    selectedNode_ = nullptr;
}

void ExploreMode::highlightEdge(EdgeEntity* edge) {
    selectedEdge_ = edge;
    selectedEdgeLook_ = edge->color;
    const Color4 c = selectedEdgeLook_;
    edge->color = Color4(c.r * kHighlight, c.g * kHighlight, c.b * kHighlight, c.a);
}

void ExploreMode::unhighlightEdge() {
    dropStaleSelection();
    if (selectedEdge_ == nullptr) {
        return;
    }
    selectedEdge_->color = selectedEdgeLook_;
    selectedEdge_ = nullptr;
}
