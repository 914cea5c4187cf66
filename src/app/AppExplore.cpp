// Exploring from the scene core: starting the explore view around a protein
// (after the LoadExploreMode pause), walking on by double-click and leaving it.
#include <cmath>

#include "app/AnalyzeServices.h"
#include "app/App.h"
#include "app/LoadExploreMode.h"
#include "engine/Matrix3.h"
#include "model/ProteinGraph.h"
#include "model/WindowServices.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/Glyph.h"
#include "scene/NodeEntity.h"

namespace {

// The explore view's visible area is this part of what the window shows.
constexpr float kVisibleShare = 0.85f;
// The view stands this far in front of the pathway plane.
constexpr float kViewDepth = 1.0f;
constexpr float kTiltRadians = 0.2f;

}  // namespace

LoadExploreMode::LoadExploreMode(std::string id, App* owner, double duration)
    : Activity(duration), proteinId(std::move(id)), app(owner) {}

LoadExploreMode::~LoadExploreMode() {
    if (app != nullptr && app->pendingExplore == this) {
        app->pendingExplore = nullptr;
    }
}

void LoadExploreMode::update() {
    Activity::update();
    if (!done || app == nullptr) {
        return;
    }
    App* owner = app;
    app = nullptr;
    if (owner->pendingExplore == this) {
        owner->pendingExplore = nullptr;
    }
    owner->openExploreView(proteinId);
}

void App::startExplore(const std::string& label) {
    if (!pathway || exploreView || pendingExplore != nullptr) {
        return;
    }
    const NodeEntity* node = resolveProtein(label);
    const std::string id = node != nullptr ? pathway->getNodeId(node) : std::string();
    if (id.empty() || !pathway->graph->hasNode(id)) {
        return;
    }
    const double speed = animationSpeed;
    if (pathway->tiltedExplorePlane) {
        savedPathwayFrame = pathway->getGlobalFrame();
        exploreTilted = true;
        CoordinateFrame tilted(Matrix3::fromAxisAngle(Vector3(-1, 0, 0), kTiltRadians),
                               savedPathwayFrame.translation - Vector3(0, 0, 1.0f));
        pathway->moveGlobal(tilted, 0.5 * speed);
    }
    if (!idleEntity) {
        idleEntity = std::make_unique<NodeEntity>(CoordinateFrame(), "", 0,
                                                  Vector3(0.1f, 0.1f, 0.1f), Color4(1, 1, 1, 1),
                                                  false);
    }
    auto* pending = new LoadExploreMode(id, this, 0.6 * speed);
    pendingExplore = pending;
    idleEntity->add(pending);
    animating = true;
}

void App::openExploreView(const std::string& id) {
    if (!pathway || exploreView || !pathway->graph->hasNode(id)) {
        return;
    }
    const Vector3 size = pathway->getSize();
    auto view = std::unique_ptr<ExploreEntity, ExploreViewDeleter>(new ExploreEntity(
        pathway->graph.get(), pathway.get(), CoordinateFrame(), "explore",
        Vector3(size.x / 1.5f, size.y / 1.5f, 0.001f), Color4(1, 1, 1, 1)));

    // The placement compares the view's corners in the pathway's frame at the
    // view's depth, so the visible rectangle is taken there.
    const Rect2D visible = screenToPlane(pathway->getGlobalFrame(), kViewDepth);
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

    auto heatmaps = std::make_unique<HeatmapGlyphFactory>(pathway->graph.get());
    heatmaps->experiment = currentTabName();
    heatmaps->font = font;
    auto explored = std::make_unique<AlreadyExploredGlyphFactory>(pathway->graph.get());
    view->appendLoadItem(heatmaps.get());
    view->appendLoadItem(explored.get());
    exploreGlyphFactories.push_back(std::move(heatmaps));
    exploreGlyphFactories.push_back(std::move(explored));

    view->animationTime = animationSpeed;
    if (font) {
        view->setFont(font);
    }
    exploreView = std::move(view);
    exploreView->buildExploreView(id);
    animating = true;
    requestRepaint();
}

void App::dropExploreView() {
    if (pendingExplore != nullptr) {
        pendingExplore->cancel();
        pendingExplore = nullptr;
    }
    selectedNode = nullptr;
    selectedEdge = nullptr;
    exploreView.reset();
    exploreGlyphFactories.clear();
}

void App::leaveExplore() {
    if (pathway && exploreTilted) {
        pathway->moveGlobal(savedPathwayFrame, 0.5 * animationSpeed);
        animating = true;
    }
    exploreTilted = false;
    dropExploreView();
    requestRepaint();
}

void App::doubleClick(int x, int y) {
    Ray ray;
    if (!pathway || !rayThrough(x, y, ray)) {
        return;
    }
    if (exploreView) {
        dropStalePointers();
        Entity* hit = exploreView->pickChild(ray);
        if (hit == nullptr || hit->getType() != "NodeEntity") {
            return;
        }
        // The press before this selected the node; it leaves as it came.
        unhighlightNode();
        exploreView->reexplore(hit);
        animating = true;
        if (mainWindow) {
            mainWindow->startTimers(30, 20000);
        }
        return;
    }
    if (!pathway->hasNetwork) {
        return;
    }
    mousePress(x, y, false);
    if (pathway && pathway->pickEntity(ray) != nullptr && analyzeTab) {
        analyzeTab->exploreSelected();
    }
}
