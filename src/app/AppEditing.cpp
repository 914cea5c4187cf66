// Picking and editing in the scene: the App operations behind the mouse and
// keys of the 3D view and the editing tools of the Create tab. Every pointer
// the App keeps to an entity is checked against the scene before it is used,
// because the Analyze tab and the explore view's clean-ups delete entities
// without telling the App.
#include "app/App.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/AnalyzeServices.h"
#include "app/DeleteInteractionTool.h"
#include "app/DeleteProteinTool.h"
#include "app/EntityKind.h"
#include "app/ExploreMode.h"
#include "app/PaintingTool.h"
#include "app/PlaceInteractionTool.h"
#include "app/PlaceProteinTool.h"
#include "app/SelectTool.h"
#include "engine/Plane.h"
#include "model/DataSource.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/WindowServices.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

namespace {

// The plane of the pathway: its frame's z = 0, seen from the front.
Plane pathwayPlane(const PathwayLayoutEntity& pathway) {
    const CoordinateFrame& f = pathway.getGlobalFrame();
    return Plane(f.pointToWorldSpace(Vector3(0, 0, 0)), f.pointToWorldSpace(Vector3(0, -1, 0)),
                 f.pointToWorldSpace(Vector3(1, 0, 0)));
}

}  // namespace

bool App::isPlaceable(const std::string& label, const std::string& id) {
    return label.find_first_of("\t\r\n") == std::string::npos &&
           id.find_first_of("\t\r\n#|") == std::string::npos;
}

bool App::isValidLabel(const std::string& label) {
    return !label.empty() && isPlaceable(label, "");
}

// ---- observed entities ----

bool App::ownedByPathway(const Entity* entity) const {
    if (!pathway_ || entity == nullptr) {
        return false;
    }
    const auto& nodes = pathway_->nodes();
    const auto& edges = pathway_->edges();
    return std::any_of(nodes.begin(), nodes.end(),
                       [entity](const auto& n) { return n.get() == entity; }) ||
           std::any_of(edges.begin(), edges.end(),
                       [entity](const auto& e) { return e.get() == entity; });
}

bool App::inScene(const Entity* entity) const {
    return ownedByPathway(entity) || explore_->owns(entity);
}

void App::dropStalePointers() {
    explore_->dropStaleSelection();
    if (const NodeEntity* end = placeInteractionTool_->firstEnd();
        end != nullptr && !ownedByPathway(end)) {
        placeInteractionTool_->forgetEnds();
    }
    if (shapeFinder_ != nullptr && (!pathway_ || pathway_->shapeFinder().get() != shapeFinder_)) {
        shapeFinder_ = pathway_ ? pathway_->shapeFinder().get() : nullptr;
    }
}

bool App::rayThrough(int x, int y, Ray& ray) const {
    const Rect2D vp = viewport();
    if (!(vp.width() > 0) || !(vp.height() > 0)) {
        return false;
    }
    ray = camera_.worldRay(static_cast<float>(x), static_cast<float>(y), vp);
    return ray.origin.isFinite() && ray.direction.isFinite();
}

void App::notifyListsChanged() {
    if (analyzeTab_) {
        analyzeTab_->listsChanged();
    }
}

// ---- picking ----

Entity* App::pick(int x, int y) {
    Ray ray;
    if (!pathway_ || !rayThrough(x, y, ray)) {
        return nullptr;
    }
    if (explore_->view()) {
        return explore_->view()->pickChild(ray);
    }
    return pathway_->pickEntity(ray);
}

void App::mousePress(int x, int y, bool right) {
    Ray ray;
    if (!pathway_ || !rayThrough(x, y, ray)) {
        return;
    }
    dropStalePointers();
    shapeFinder_ = pathway_->shapeFinder().get();
    EditingTool& chosen = activeTool();
    if (!chosen.worksOnPicture()) {
        if (explore_->view()) {
            explore_->press(ray);
            return;
        }
        pathway_->mousePress(ray, 0);
    }
    chosen.press(ray, right);
}

EditingTool& App::activeTool() {
    if (painting_ && shapeFinder_ != nullptr) {
        return *paintingTool_;
    }
    return *chosenTool_;
}

std::string App::giveNodeKey(NodeEntity* node) {
    std::string key = pathway_->getNodeId(node);
    if (!key.empty()) {
        return key;
    }
    key = PlaceProteinTool::freeNodeKey(*pathway_);
    pathway_->registerNode(key, node);
    return key;
}

void App::mouseRelease(int x, int y, bool /*right*/) {
    Ray ray;
    if (!rayThrough(x, y, ray)) {
        return;
    }
    shapeFinder_ = pathway_ ? pathway_->shapeFinder().get() : nullptr;
    activeTool().release();
    if (pathway_) {
        pathway_->mouseRelease(ray, 0);
    }
}

void App::drag(int x, int y, int lastX, int lastY) {
    Ray current, last;
    if (explore_->view() || !pathway_ || !rayThrough(x, y, current) ||
        !rayThrough(lastX, lastY, last)) {
        return;
    }
    shapeFinder_ = pathway_->shapeFinder().get();
    activeTool().drag(current, last);
}

void App::doubleClick(int x, int y) {
    Ray ray;
    if (!pathway_ || !rayThrough(x, y, ray)) {
        return;
    }
    if (explore_->view()) {
        explore_->doubleClick(ray);
        return;
    }
    if (!pathway_->hasNetwork()) {
        return;
    }
    mousePress(x, y, false);
    if (pathway_ && pathway_->pickEntity(ray) != nullptr && analyzeTab_) {
        analyzeTab_->exploreSelected();
    }
}

// ---- exploring ----

void App::startExplore(const std::string& label) {
    explore_->start(label);
}

void App::leaveExplore() {
    explore_->leave();
}

ExploreEntity* App::exploreView() const {
    return explore_->view();
}

bool App::isExplorePending() const {
    return explore_->isPending();
}

NodeEntity* App::selectedNode() const {
    return explore_->selectedNode();
}

EdgeEntity* App::selectedEdge() const {
    return explore_->selectedEdge();
}

// ---- camera ----

void App::panDrag(int x, int y, int lastX, int lastY) {
    Ray current, last;
    if (!pathway_ || !rayThrough(x, y, current) || !rayThrough(lastX, lastY, last)) {
        return;
    }
    const Plane plane = pathwayPlane(*pathway_);
    const Vector3 now = current.intersection(plane);
    const Vector3 before = last.intersection(plane);
    if (!now.isFinite() || !before.isFinite()) {
        return;
    }
    const Vector3 moved = camera_.position() + (before - now);
    if (moved.isFinite()) {
        camera_.setPosition(moved);
        noteViewMoved();
    }
}

void App::zoom(double amount) {
    if (!std::isfinite(amount)) {
        return;
    }
    Vector3 p = camera_.position();
    const double z = std::clamp(static_cast<double>(p.z) + amount, static_cast<double>(kMinCameraZ),
                                static_cast<double>(kMaxCameraZ));
    p.z = static_cast<float>(z);
    camera_.setPosition(p);
    noteViewMoved();
}

Rect2D App::screenToPlane() const {
    return screenToPlane(CoordinateFrame(), 0.0f);
}

Rect2D App::screenToPlane(const CoordinateFrame& frame, float depth) const {
    const Rect2D vp = viewport();
    if (!(vp.width() > 0) || !(vp.height() > 0)) {
        return Rect2D();
    }
    const Plane plane(frame.pointToWorldSpace(Vector3(0, 0, depth)),
                      frame.pointToWorldSpace(Vector3(0, -1, depth)),
                      frame.pointToWorldSpace(Vector3(1, 0, depth)));
    Vector3 corner[4];  // top left, top right, bottom left, bottom right
    const float xs[4] = {0, vp.width(), 0, vp.width()};
    const float ys[4] = {0, 0, vp.height(), vp.height()};
    for (int i = 0; i < 4; ++i) {
        const Vector3 hit = camera_.worldRay(xs[i], ys[i], vp).intersection(plane);
        if (!hit.isFinite()) {
            return Rect2D();
        }
        corner[i] = frame.pointToObjectSpace(hit);
    }
    // A turned plane shows a trapezoid: keep the rectangle inside it.
    const float x0 = std::max(corner[0].x, corner[2].x);
    const float x1 = std::min(corner[1].x, corner[3].x);
    const float y0 = std::max(corner[2].y, corner[3].y);
    const float y1 = std::min(corner[0].y, corner[1].y);
    if (!(x0 < x1) || !(y0 < y1)) {
        return Rect2D();
    }
    return Rect2D::xyxy(x0, y0, x1, y1);
}

// ---- tools, keys and selection ----

void App::setTool(int value) {
    if (value != tool_) {
        placeInteractionTool_->forgetEnds();
    }
    tool_ = value;
    auto found = toolsByValue_.find(value);
    // 8, 9 and a pathway made before any tool was chosen all select.
    chosenTool_ = found != toolsByValue_.end() ? found->second : selectTool_.get();
}

const NodeEntity* App::firstEnd() const {
    return placeInteractionTool_->firstEnd();
}

void App::setCtrlDown() {
    controlDown_ = true;
}
void App::setCtrlUp() {
    controlDown_ = false;
}

void App::selectProtein(const std::string& label) {
    if (!pathway_) {
        return;
    }
    dropStalePointers();
    if (!controlDown_) {
        pathway_->clearSelectedNodes();
    }
    // Every protein shown with that label toggles once, however many copies
    // of it the scene holds.
    Array<std::string> ids;
    auto note = [&ids](const std::string& id) {
        if (!id.empty() && std::find(ids.begin(), ids.end(), id) == ids.end()) {
            ids.push_back(id);
        }
    };
    Array<NodeEntity*> labelled;
    for (const auto& node : pathway_->nodes()) {
        if (node->getName() == label &&
            (pathway_->hasChild(node.get()) || pathway_->edgeContainer()->hasChild(node.get()))) {
            labelled.push_back(node.get());
        }
    }
    if (labelled.empty()) {
        // A protein renamed into a taken name is listed under its display name.
        const std::string named = pathway_->graph().getNodeByName(label);
        if (NodeEntity* node = named.empty() ? nullptr : pathway_->getNode(named)) {
            labelled.push_back(node);
        }
    }
    for (NodeEntity* node : labelled) {
        // A node without a node-table entry gets one, so that it is selected
        // by itself and not with every other such node.
        note(giveNodeKey(node));
    }
    if (explore_->view()) {
        for (Entity* child : explore_->view()->getChildren()) {
            if (isNode(child) && static_cast<NodeEntity*>(child)->getName() == label) {
                note(explore_->view()->exploredNodeName(child));
            }
        }
    }
    for (const std::string& id : ids) {
        if (pathway_->isIdSelected(id)) {
            pathway_->deselectId(id);
        } else {
            pathway_->addSelectedNodeId(id);
        }
    }
    requestRepaint();
}

NodeEntity* App::resolveProtein(const std::string& label) const {
    if (!pathway_ || label.empty()) {
        return nullptr;
    }
    const std::string named = pathway_->graph().getNodeByName(label);
    NodeEntity* named_node = named.empty() ? nullptr : pathway_->getNode(named);
    NodeEntity* first = nullptr;
    for (const auto& node : pathway_->nodes()) {
        if (node->getName() != label) {
            continue;
        }
        if (node.get() == named_node) {
            return named_node;
        }
        if (first == nullptr) {
            first = node.get();
        }
    }
    return first != nullptr ? first : named_node;
}

// ---- renaming and removing ----

bool App::renameProtein(Entity* entity, const std::string& label) {
    // Ownership first: it compares pointers only, so a removed entity is
    // refused without being touched.
    if (!pathway_ || !inScene(entity) || !isNode(entity) || !isValidLabel(label)) {
        return false;
    }
    std::string id;
    NodeEntity* own = nullptr;
    if (ownedByPathway(entity)) {
        own = static_cast<NodeEntity*>(entity);
        id = pathway_->getNodeId(own);
    } else if (explore_->owns(entity)) {
        id = explore_->view()->exploredNodeName(entity);
        own = id.empty() ? nullptr : pathway_->getNode(id);
    } else {
        return false;
    }
    if (own != nullptr) {
        pathway_->renameNode(own, label);
    }
    if (ExploreEntity* view = explore_->view(); view && !id.empty()) {
        for (std::size_t i = 0; i < view->exploredNames.size(); ++i) {
            if (view->exploredNames[i] == id && isNode(view->exploredEntities[i])) {
                static_cast<NodeEntity*>(view->exploredEntities[i])->setName(label);
            }
        }
    }
    if (own == nullptr) {
        static_cast<NodeEntity*>(entity)->setName(label);
    }
    notifyListsChanged();
    requestRepaint();
    return true;
}

void App::removeProtein(Entity* node) {
    if (!pathway_ || !inScene(node) || !isNode(node)) {
        return;
    }
    dropStalePointers();
    std::string id;
    NodeEntity* own = nullptr;
    if (ownedByPathway(node)) {
        own = static_cast<NodeEntity*>(node);
        id = pathway_->getNodeId(own);
    } else if (explore_->owns(node)) {
        id = explore_->view()->exploredNodeName(node);
        own = id.empty() ? nullptr : pathway_->getNode(id);
        if (id.empty()) {
            // A copy of no protein: only the view holds it.
            explore_->clearSelection();
            explore_->view()->destroyEntity(node);
            dropStalePointers();
            requestRepaint();
            return;
        }
    } else {
        return;
    }
    // The App's observers go before the entities do.
    explore_->clearSelection();
    if (own != nullptr) {
        if (placeInteractionTool_->firstEnd() == own) {
            placeInteractionTool_->forgetEnds();
        }
        placeProteinTool_->forgetPlaced(id);
        pathway_->removeNode(own);
    } else if (!id.empty()) {
        // The layout reads the degrees of the graph.
        pathway_->withLayoutLocked([&] { pathway_->graph().removeNode(id); });
    }
    if (explore_->view() && !id.empty()) {
        if (id == explore_->view()->currentProtein) {
            leaveExplore();
        } else {
            explore_->dropCopies(id);
        }
    }
    dropStalePointers();
    notifyListsChanged();
    requestRepaint();
}

void App::removeProteinByName(const std::string& label) {
    if (!pathway_) {
        return;
    }
    NodeEntity* node = resolveProtein(label);
    if (node == nullptr && explore_->view()) {
        for (Entity* child : explore_->view()->getChildren()) {
            if (isNode(child) && static_cast<NodeEntity*>(child)->getName() == label &&
                !explore_->view()->exploredNodeName(child).empty()) {
                node = static_cast<NodeEntity*>(child);
                break;
            }
        }
    }
    if (node != nullptr) {
        removeProtein(node);
        requestRepaint();
    }
}

void App::removeInteraction(Entity* edge) {
    if (!pathway_ || !inScene(edge) || !isEdge(edge)) {
        return;
    }
    dropStalePointers();
    auto* e = static_cast<EdgeEntity*>(edge);
    EdgeEntity* own = nullptr;
    EdgeEntity* copy = nullptr;
    std::string a, b;
    if (ownedByPathway(e)) {
        own = e;
        a = pathway_->getNodeId(e->nodeA);
        b = pathway_->getNodeId(e->nodeB);
        if (explore_->view() && !a.empty() && !b.empty()) {
            for (Entity* child : explore_->view()->getChildren()) {
                if (!isEdge(child)) {
                    continue;
                }
                auto* candidate = static_cast<EdgeEntity*>(child);
                const std::string ca = explore_->view()->exploredNodeName(candidate->nodeA);
                const std::string cb = explore_->view()->exploredNodeName(candidate->nodeB);
                if ((ca == a && cb == b) || (ca == b && cb == a)) {
                    copy = candidate;
                    break;
                }
            }
        }
    } else if (explore_->owns(e)) {
        copy = e;
        a = explore_->view()->exploredNodeName(e->nodeA);
        b = explore_->view()->exploredNodeName(e->nodeB);
        if (!a.empty() && !b.empty()) {
            own = pathway_->findEdge(a, b);
            if (own != nullptr && !ownedByPathway(own)) {
                own = nullptr;
            }
        }
    } else {
        return;
    }
    explore_->clearSelection();
    if (own != nullptr) {
        pathway_->removeEdge(own);
    } else if (!a.empty() && !b.empty()) {
        pathway_->withLayoutLocked([&] { pathway_->graph().removeEdge(a, b); });
    }
    if (copy != nullptr && explore_->view()) {
        // Only the copy goes; the centre and the other partners stay.
        explore_->view()->destroyEntity(copy);
    }
    dropStalePointers();
    notifyListsChanged();
    requestRepaint();
}

// ---- search ----

std::vector<App::ProteinHit> App::searchProteins(const std::string& text, std::string* failure) {
    return searchProteins(text, species_, failure);
}

std::vector<App::ProteinHit> App::searchProteins(const std::string& text,
                                                 const std::string& speciesCode,
                                                 std::string* failure) {
    std::vector<ProteinHit> hits;
    if (mainWindow_) {
        mainWindow_->createProgressDialog(0, 4, "Looking for proteins");
        mainWindow_->stepProgress(0);
    }
    DataSource* source = pathway_ ? pathway_->graph().source.get() : nullptr;
    Array<std::string> ids, sources, names, annotations;
    Array<int> counts;
    if (source != nullptr) {
        ids = source->searchProteins(text, speciesCode, &sources);
    }
    if (mainWindow_) {
        mainWindow_->stepProgress(1);
    }
    if (source != nullptr && !ids.empty()) {
        source->getNames(ids, names, sources);
    }
    if (mainWindow_) {
        mainWindow_->stepProgress(4);
    }
    if (failure) {
        *failure = source ? source->failure() : "the pathway has no data source";
    }
    if (ids.empty()) {
        std::fputs("No protein found.\n", stdout);
        std::fflush(stdout);
        return hits;
    }
    source->getInteractionCounts(ids, counts, speciesCode);
    source->getAnnotations(ids, annotations);
    hits.reserve(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ProteinHit hit;
        hit.id = ids[i];
        hit.name = i < names.size() ? names[i] : ids[i];
        hit.interactionCount = i < counts.size() ? counts[i] : 0;
        hit.annotation = i < annotations.size() ? annotations[i] : std::string();
        hits.push_back(std::move(hit));
    }
    return hits;
}

std::string App::currentTabName() const {
    return analyzeTab_ ? analyzeTab_->currentExperimentName() : std::string();
}
