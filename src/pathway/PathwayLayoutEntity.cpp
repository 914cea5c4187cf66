// The pathway document: construction, the two tiers of proteins and
// interactions, colour scheme and sizes, picking, scaling and removal.
#include "pathway/PathwayLayoutEntity.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <utility>

#include "engine/Plane.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/ProteinGraph.h"
#include "model/TextFile.h"
#include "model/Trace.h"

#include "pathway/PathwayFile.h"
#include "pathway/PathwayLayouter.h"
#include "pathway/ShapeFinder.h"

namespace {

std::string creationStampNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16] = {0};
    char time[16] = {0};
    std::strftime(date, sizeof date, "%m/%d/%y", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    return std::string(date) + "_" + time;
}

bool isNodeChild(const Entity* e) {
    return e->getType() == "NodeEntity";
}

bool isEdgeChild(const Entity* e) {
    return e->getType() == "EdgeEntity";
}

template <class Fn>
void forEachNodeChild(Entity* parent, Fn fn) {
    for (Entity* child : parent->getChildren()) {
        if (isNodeChild(child)) {
            fn(static_cast<NodeEntity*>(child));
        }
    }
}

template <class Fn>
void forEachEdgeChild(Entity* parent, Fn fn) {
    for (Entity* child : parent->getChildren()) {
        if (isEdgeChild(child)) {
            fn(static_cast<EdgeEntity*>(child));
        }
    }
}

// Moves, resizes and relabels a node for a layout scaled by s.
void scaleNodeInLayout(NodeEntity* node, const Vector3& s) {
    CoordinateFrame frame = node->getLocalFrame();
    frame.translation *= s;
    node->setLocalFrame(frame);
    Vector3 size = node->getSize() * s;
    node->setSize(size.x, size.y, size.z);
    node->setLabelSize(node->getLabelSize() * (s.x + s.y) * 0.5);
}

}  // namespace

PathwayLayoutEntity::PathwayLayoutEntity(const Vector3& position, const std::string& name,
                                         const Vector3& size, const Color4& colour)
    : ContainerEntity(CoordinateFrame(position), name, size, colour),
      graph_(std::make_unique<ProteinGraph>()),
      creationStamp_(creationStampNow()) {
    type = "PathwayLayoutEntity";
    // The pathway has no title strip, so every ray passes its body test.
    titled = false;
    auto cached = textureCache.find("pathway");
    if (cached != textureCache.end()) {
        background_ = cached->second;
    }
    edgeContainer_ = std::make_unique<ContainerEntity>(CoordinateFrame(), "", Vector3(1, 1, 0.01f),
                                                       Color4(1, 1, 1, 1));
    edgeContainer_->bodyHidden = true;
    // Small proteins' labels are the first thing a slow moving view drops.
    edgeContainer_->childLabelsWhenQuick = false;
}

PathwayLayoutEntity::~PathwayLayoutEntity() {
    dropLayouter();
    // Edges observe their nodes, so they go first.
    edges_.clear();
    nodes_.clear();
}

void PathwayLayoutEntity::setLayouter(std::unique_ptr<PathwayLayouter> layouter) {
    dropLayouter();
    layouter_ = std::move(layouter);
}

void PathwayLayoutEntity::dropLayouter() {
    if (layouter_) {
        stopLayouter();
        layouter_.reset();
    }
}

std::unique_ptr<ProteinGraph> PathwayLayoutEntity::replaceGraph(
    std::unique_ptr<ProteinGraph> graph) {
    if (!graph) {
        graph = std::make_unique<ProteinGraph>();
    }
    graph_.swap(graph);
    return graph;
}

// ---- creation and lookups ----

NodeEntity* PathwayLayoutEntity::createNode(const CoordinateFrame& frame, const std::string& label,
                                            bool large) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    return createNodeLocked(frame, label, large);
}

NodeEntity* PathwayLayoutEntity::createNodeLocked(const CoordinateFrame& frame,
                                                  const std::string& label, bool large) {
    const Vector3& fraction = large ? style_.largeProteinSize : style_.smallProteinSize;
    const Color4& body = large ? style_.largeProteinsColor : style_.smallProteinsColor;
    auto node = std::make_unique<NodeEntity>(frame, label, 0, size * fraction, body, false);
    node->setLabelSize(node->getSize().y *
                       (large ? style_.largeLabelFactor : style_.smallLabelFactor));
    const Color4& text = large ? style_.largeProteinsFontColor : style_.smallProteinsFontColor;
    node->setFontColor(text.r, text.g, text.b, text.a);
    if (large) {
        node->shapeName = "ovalglow";
        addChild(node.get());
    } else {
        // Red until the scheme or the protein's own colour says otherwise.
        node->setColor(1, 0, 0, 1);
        node->shapeName = "empty";
        edgeContainer_->addChild(node.get());
    }
    node->draggable = true;
    node->setFont(font);
    nodes_.push_back(std::move(node));
    ++nodeListVersion_;
    return nodes_.back().get();
}

EdgeEntity* PathwayLayoutEntity::createEdge(NodeEntity* a, NodeEntity* b, bool large) {
    if (a == nullptr || b == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    std::unique_ptr<EdgeEntity> edge;
    if (large) {
        const Color4& c = style_.largeInteractionsColor;
        edge = std::make_unique<EdgeEntity>(a, b, 2, c.r, c.g, c.b, c.a,
                                            size.x * style_.largeInteractionWidth);
        addChild(edge.get());
    } else {
        const Color4& c = style_.smallInteractionsColor;
        edge = std::make_unique<EdgeEntity>(a, b, 0, c.r, c.g, c.b,
                                            static_cast<float>(style_.edgeAlpha),
                                            size.x * style_.smallInteractionWidth);
        // Both ends are drawn in the pathway's plane, whatever layer the proteins are on.
        const float z = globalFrame.translation.z;
        edge->offsetA = CoordinateFrame(Vector3(0, 0, -(a->getGlobalFrame().translation.z - z)));
        edge->offsetB = CoordinateFrame(Vector3(0, 0, -(b->getGlobalFrame().translation.z - z)));
        // In front of the container's children, so that the small proteins
        // are drawn over their interactions.
        edgeContainer_->putChildInFront(edge.get());
    }
    edges_.push_back(std::move(edge));
    ++edgeListVersion_;
    return edges_.back().get();
}

NodeEntity* PathwayLayoutEntity::getNode(const std::string& id) const {
    auto it = nodeTable_.find(id);
    return it == nodeTable_.end() ? nullptr : it->second;
}

std::string PathwayLayoutEntity::getNodeId(const NodeEntity* node) const {
    if (node == nullptr) {
        return "";
    }
    for (const auto& [id, entity] : nodeTable_) {
        if (entity == node) {
            return id;
        }
    }
    return "";
}

NodeEntity* PathwayLayoutEntity::findNodeByName(const std::string& label) const {
    for (const auto& node : nodes_) {
        if (node->getName() == label) {
            return node.get();
        }
    }
    return nullptr;
}

std::string PathwayLayoutEntity::edgeTableKey(const std::string& a, const std::string& b) {
    // Graph identifiers never hold "|", so "12"+"345" and "123"+"45" stay apart.
    return PropertyGraph::edgeKey(a, b);
}

void PathwayLayoutEntity::registerNode(const std::string& id, NodeEntity* node) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    nodeTable_[id] = node;
}

void PathwayLayoutEntity::reserveNodes(std::size_t count) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    nodes_.reserve(count);
    nodeTable_.reserve(count);
}

void PathwayLayoutEntity::reserveEdges(std::size_t count) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    edges_.reserve(count);
    edgeTable_.reserve(count);
}

void PathwayLayoutEntity::forgetIds() {
    std::lock_guard<std::mutex> lock(layoutMutex);
    nodeTable_.clear();
    edgeTable_.clear();
}

void PathwayLayoutEntity::registerEdge(const std::string& a, const std::string& b,
                                       EdgeEntity* edge) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    edgeTable_[edgeTableKey(a, b)] = edge;
}

LayoutForces PathwayLayoutEntity::layoutForces() const {
    std::lock_guard<std::mutex> lock(layoutMutex);
    return forces_;
}

void PathwayLayoutEntity::setLayoutForces(const LayoutForces& forces) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    forces_ = forces;
}

void PathwayLayoutEntity::setInitialPositions(Array<Vector3> positions) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    initialPositions_ = std::move(positions);
}

void PathwayLayoutEntity::addControlPoint(const Vector3& point) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    controlPoints_.push_back(point);
}

EdgeEntity* PathwayLayoutEntity::findEdge(const std::string& a, const std::string& b) const {
    auto it = edgeTable_.find(edgeTableKey(a, b));
    if (it == edgeTable_.end()) {
        it = edgeTable_.find(edgeTableKey(b, a));
    }
    return it == edgeTable_.end() ? nullptr : it->second;
}

// ---- scheme and sizes ----

void PathwayLayoutEntity::applyColorScheme(float r, float g, float b, const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    Color4* stored = schemeColor(name);
    if (stored == nullptr) {
        return;
    }
    *stored = Color4(r, g, b, 1);

    const bool label = name.ends_with(" Font");
    const std::string own = label ? "fontcolor" : "color";
    auto paint = [&](const std::string& id) {
        NodeEntity* node = getNode(id);
        if (node == nullptr || hasOwnNodeProperty(id, own)) {
            return;
        }
        if (label) {
            node->setFontColor(r, g, b, 1);
        } else {
            node->setColor(r, g, b, 1);
        }
    };

    if (name == "Large Proteins" || name == "Large Proteins Font") {
        Array<std::string> important;
        graph_->getImportantProteins(important);
        for (const std::string& id : important) {
            paint(id);
        }
    } else if (name == "Experimental Proteins" || name == "Experimental Proteins Font" ||
               name == "Small Proteins" || name == "Small Proteins Font") {
        const bool experimental = name.starts_with("Experimental");
        for (const std::string& id : allProteins()) {
            if (experimental ? hasOwnNodeProperty(id, "heatmap") : !isImportantAnyway(id)) {
                paint(id);
            }
        }
    } else if (name == "Large Interactions") {
        forEachEdgeChild(this, [&](EdgeEntity* e) { e->color = Color4(r, g, b, 1); });
    } else if (name == "Small Interactions") {
        forEachEdgeChild(edgeContainer_.get(),
                         [&](EdgeEntity* e) { e->color = Color4(r, g, b, 1); });
    }
}

void PathwayLayoutEntity::setProteinClassSize(double value, const std::string& name) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    const Vector3 parameter = size * static_cast<float>(value / 50.0);
    auto resize = [&](NodeEntity* node) {
        Vector3 s = parameter * size;
        node->setSize(s.x, s.y, s.z);
    };
    auto relabel = [&](NodeEntity* node) { node->setLabelSize(node->getSize().y * value); };
    auto experimentalNodes = [&](auto fn) {
        for (const auto& [id, node] : nodeTable_) {
            if (node != nullptr && hasOwnNodeProperty(id, "heatmap")) {
                fn(node);
            }
        }
    };

    if (name == "Large Proteins") {
        style_.largeProteinSize = parameter;
        forEachNodeChild(this, resize);
    } else if (name == "Large Proteins Font") {
        style_.largeLabelFactor = value;
        forEachNodeChild(this, relabel);
    } else if (name == "Small Proteins") {
        style_.smallProteinSize = parameter;
        forEachNodeChild(edgeContainer_.get(), resize);
    } else if (name == "Small Proteins Font") {
        style_.smallLabelFactor = value;
        forEachNodeChild(edgeContainer_.get(), relabel);
    } else if (name == "Experim. Proteins") {
        style_.experimentalProteinSize = parameter;
        experimentalNodes(resize);
    } else if (name == "Experim. Proteins Font") {
        style_.experimentalLabelFactor = value;
        experimentalNodes(relabel);
    } else if (name == "Large Interactions") {
        style_.largeInteractionWidth = value;
        forEachEdgeChild(this, [&](EdgeEntity* e) { e->width = size.x * value; });
    } else if (name == "Small Interactions") {
        style_.smallInteractionWidth = value;
        forEachEdgeChild(edgeContainer_.get(), [&](EdgeEntity* e) { e->width = size.x * value; });
    }
}

void PathwayLayoutEntity::setEdgeAlpha(double alpha) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    forEachEdgeChild(edgeContainer_.get(),
                     [&](EdgeEntity* e) { e->color.a = static_cast<float>(alpha); });
    style_.edgeAlpha = alpha;
}

void PathwayLayoutEntity::setEdgesVisible(bool visible) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    if (visible) {
        addChild(edgeContainer_.get());
    } else {
        removeChild(edgeContainer_.get());
    }
}

// ---- geometry ----

Entity* PathwayLayoutEntity::pickEntity(const Ray& ray) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    if (!hitsBody(ray)) {
        return nullptr;
    }
    const Plane plane(globalFrame.pointToWorldSpace(Vector3(0, 0, 0)),
                      globalFrame.pointToWorldSpace(Vector3(0, -1, 0)),
                      globalFrame.pointToWorldSpace(Vector3(1, 0, 0)));
    const Vector3 hit = ray.intersection(plane);

    auto nearest = [&](Entity* parent) -> Entity* {
        Entity* best = nullptr;
        float bestDistance = 100000.0f;
        forEachNodeChild(parent, [&](NodeEntity* node) {
            if (node->pick(ray) != node || !(node->getLocalFrame().translation.z > -0.5f)) {
                return;
            }
            const float d = (node->getGlobalFrame().translation - hit).length();
            if (d < bestDistance) {
                bestDistance = d;
                best = node;
            }
        });
        return best;
    };

    if (Entity* found = nearest(this)) {
        return found;
    }
    const bool smallShown = hasChild(edgeContainer_.get());
    if (smallShown) {
        if (Entity* found = nearest(edgeContainer_.get())) {
            return found;
        }
    }
    for (const auto& edge : edges_) {
        // Small interactions are not pickable while they are not shown.
        if (edge->kind != 2 && !smallShown && !hasChild(edge.get())) {
            continue;
        }
        if (edge->pick(ray) == edge.get()) {
            return edge.get();
        }
    }
    return nullptr;
}

void PathwayLayoutEntity::scaleLayout(float sx, float sy, float sz) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    scaleLayoutLocked(sx, sy, sz);
}

void PathwayLayoutEntity::scaleLayoutLocked(float sx, float sy, float sz) {
    const Vector3 s(sx, sy, sz);
    forEachNodeChild(this, [&](NodeEntity* node) { scaleNodeInLayout(node, s); });
    forEachEdgeChild(this, [&](EdgeEntity* edge) {
        edge->scale((sx + sy) * 0.5);
        edge->setLocalFrame(CoordinateFrame(edge->getLocalFrame().translation * s));
        if (const auto& picture = edge->getReferencedObject()) {
            Vector3 p = picture->getSize() * s;
            picture->setSize(p.x, p.y, p.z);
        }
    });
    forEachNodeChild(edgeContainer_.get(), [&](NodeEntity* node) { scaleNodeInLayout(node, s); });
    Vector3 scaled = size * s;
    setSize(scaled.x, scaled.y, scaled.z);
    if (shapeFinder_) {
        shapeFinder_->scaleAxes(sx, sy, sz);
    }
}

void PathwayLayoutEntity::setLayoutSize(float w, float h, float d) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    if (graph_->nodeCount() == 0) {
        // A zero extent cannot be scaled up: that axis keeps its factor 1 and
        // takes the new extent directly.
        const Vector3 target(w, h, d);
        Vector3 factor(1, 1, 1);
        for (int i = 0; i < 3; ++i) {
            if (size[i] != 0) {
                factor[i] = target[i] / size[i];
            }
        }
        scaleLayoutLocked(factor.x, factor.y, factor.z);
        Vector3 now = size;
        for (int i = 0; i < 3; ++i) {
            if (now[i] == 0) {
                now[i] = target[i];
            }
        }
        setSize(now.x, now.y, now.z);
        return;
    }
    setSize(w, h, d);
    graph_->scaleX = w;
    graph_->scaleY = h;
    FilteringOff all(graph_.get());
    for (const auto& [id, node] : nodeTable_) {
        Vector3 p;
        if (node == nullptr || !graph_->getProteinPosition(id, p)) {
            continue;
        }
        p.z = node->getLocalFrame().translation.z;
        node->setLocalFrame(CoordinateFrame(p));
    }
}

void PathwayLayoutEntity::setLocalFrame(const CoordinateFrame& frame) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    ContainerEntity::setLocalFrame(frame);
    moveShapeFinder();
}

void PathwayLayoutEntity::setGlobalFrame(const CoordinateFrame& frame) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    // The base would call the locking setLocalFrame again.
    ContainerEntity::setLocalFrame(parent != nullptr ? parent->getGlobalFrame().inverse() * frame
                                                     : frame);
    moveShapeFinder();
}

void PathwayLayoutEntity::moveShapeFinder() {
    // Painted regions and strokes lie on the picture, which moves with the
    // pathway however its frame is set (fitting the view sets the local one).
    if (shapeFinder_ && shapeFinderFollows_) {
        const Vector3& at = getGlobalFrame().translation;
        shapeFinder_->setOrigin(at.x, at.y, at.z);
    }
}

void PathwayLayoutEntity::setFont(std::shared_ptr<Font> newFont) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    font = newFont;
    invalidateContent();
    for (const auto& node : nodes_) {
        node->setFont(newFont);
    }
    update();
}

void PathwayLayoutEntity::scale(double factor) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    ContainerEntity::scale(factor);
    if (shapeFinder_) {
        shapeFinder_->scale(factor);
    }
}

bool PathwayLayoutEntity::mousePress(const Ray& ray, int button) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    return ContainerEntity::mousePress(ray, button);
}

bool PathwayLayoutEntity::mouseRelease(const Ray& ray, int button) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    return ContainerEntity::mouseRelease(ray, button);
}

bool PathwayLayoutEntity::drag(const Ray& previous, const Ray& current) {
    if (!dragEnabled_) {
        return false;
    }
    std::lock_guard<std::mutex> lock(layoutMutex);
    const Array<std::string> selected = selection_.ids();
    const Plane plane(globalFrame.pointToWorldSpace(Vector3(0, 0, 0)),
                      globalFrame.pointToWorldSpace(Vector3(0, -1, 0)),
                      globalFrame.pointToWorldSpace(Vector3(1, 0, 0)));
    const Vector3 from = previous.intersection(plane);
    const Vector3 to = current.intersection(plane);
    if (!from.isFinite() || !to.isFinite()) {
        return true;
    }
    const Vector3 move = to - from;
    for (const std::string& id : selected) {
        NodeEntity* node = getNode(id);
        if (node == nullptr) {
            continue;
        }
        const Vector3 p = node->getLocalFrame().translation + move;
        node->setLocalFrame(CoordinateFrame(p));
        editor_.storePosition(id, p, false);
    }
    return true;
}

// ---- background ----

void PathwayLayoutEntity::setBackground(const std::string& path) {
    setBackground(path, nullptr);
}

void PathwayLayoutEntity::setBackground(const std::string& path, std::unique_ptr<Image> decoded) {
    trace("setback %s\n", path.c_str());
    bool ok = decoded != nullptr;
    auto image = decoded ? std::move(decoded) : std::make_unique<Image>(Image::fromFile(path, &ok));
    if (ok && !image->isNull()) {
        if (visual_) {
            background_ = Texture::fromImage("background", *image);
        }
        sourceImage_ = std::move(image);
        sourceImageFile_ = path;
        sourceImageAsRead_ = sourceImage_->qimage();
    } else {
        std::fprintf(stderr, "pathway: cannot read the background picture %s\n", path.c_str());
        sourceImage_.reset();
        sourceImageFile_.clear();
        sourceImageAsRead_ = QImage();
    }
    imageName_ = std::filesystem::path(path).filename().string();
}

bool PathwayLayoutEntity::pictureUnchanged() const {
    // Any write into either image detaches it from the other.
    return sourceImage_ != nullptr && !sourceImage_->isNull() && !sourceImageFile_.empty() &&
           !sourceImageAsRead_.isNull() &&
           sourceImage_->qimage().constBits() == sourceImageAsRead_.constBits();
}

DecodedPicture PathwayLayoutEntity::unchangedPicture() const {
    if (!pictureUnchanged()) {
        return {};
    }
    return {sourceImageFile_, sourceImage_->qimage()};
}

// ---- pathway file ----

void PathwayLayoutEntity::writePathway(Array<std::string>& lines) {
    LineList list(lines);
    writePathway(list);
}

void PathwayLayoutEntity::writePathway(LineSink& lines) {
    PathwayFileWriter(*this).write(lines);
}

bool PathwayLayoutEntity::savePathway(const std::string& path) {
    return PathwayFileWriter(*this).save(path);
}

bool PathwayLayoutEntity::loadPathway(const std::string& path, WindowServices* window,
                                      DecodedPicture handed) {
    return PathwayFileReader(*this, window, std::move(handed)).load(path);
}

bool PathwayLayoutEntity::readPathway(TextFileReader& reader, bool buildEntities,
                                      WindowServices* window) {
    return PathwayFileReader(*this, window).read(reader, buildEntities);
}

// ---- removal ----

void PathwayLayoutEntity::forgetEdgeEntries(const EdgeEntity* edge) {
    for (auto it = edgeTable_.begin(); it != edgeTable_.end();) {
        it = it->second == edge ? edgeTable_.erase(it) : std::next(it);
    }
}

void PathwayLayoutEntity::destroyEdgeLocked(EdgeEntity* edge) {
    forgetEdgeEntries(edge);
    removeChild(edge);
    edgeContainer_->removeChild(edge);
    auto owned = std::find_if(edges_.begin(), edges_.end(),
                              [edge](const auto& e) { return e.get() == edge; });
    if (owned != edges_.end()) {
        edges_.erase(owned);
        ++edgeListVersion_;
    }
}

void PathwayLayoutEntity::removeNode(NodeEntity* node) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    auto owned = std::find_if(nodes_.begin(), nodes_.end(),
                              [node](const auto& n) { return n.get() == node; });
    if (node == nullptr || owned == nodes_.end()) {
        return;
    }
    const std::string id = getNodeId(node);
    if (!id.empty()) {
        {
            FilteringOff all(graph_.get());
            if (Property* important = graph_->findNodeProperty(id, "important")) {
                graph_->removeNodeProperty(id, important);
            }
        }
        graph_->removeNode(id);
        selection_.remove(id);
        nodeSelections_.erase(id);
    }
    for (auto it = nodeTable_.begin(); it != nodeTable_.end();) {
        it = it->second == node ? nodeTable_.erase(it) : std::next(it);
    }

    Array<EdgeEntity*> touching;
    for (const auto& edge : edges_) {
        if (edge->nodeA == node || edge->nodeB == node) {
            touching.push_back(edge.get());
        }
    }
    for (EdgeEntity* edge : touching) {
        destroyEdgeLocked(edge);
    }

    removeChild(node);
    edgeContainer_->removeChild(node);
    // Anchors follow the node list index for index; keep them aligned.
    const std::size_t index = static_cast<std::size_t>(owned - nodes_.begin());
    if (initialPositions_.size() == nodes_.size()) {
        initialPositions_.erase(initialPositions_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    nodes_.erase(owned);
    ++nodeListVersion_;
}

void PathwayLayoutEntity::removeEdge(EdgeEntity* edge) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    auto owned = std::find_if(edges_.begin(), edges_.end(),
                              [edge](const auto& e) { return e.get() == edge; });
    if (edge == nullptr || owned == edges_.end()) {
        return;
    }
    const std::string a = getNodeId(edge->nodeA);
    const std::string b = getNodeId(edge->nodeB);
    if (!a.empty() && !b.empty()) {
        graph_->removeEdge(a, b);
    }
    destroyEdgeLocked(edge);
}

void PathwayLayoutEntity::clear() {
    std::lock_guard<std::mutex> lock(layoutMutex);
    hasNetwork_ = false;
    ContainerEntity* small = edgeContainer_.get();
    auto isSmall = [small](const NodeEntity* n) { return n != nullptr && n->getParent() == small; };

    Array<EdgeEntity*> doomed;
    for (const auto& edge : edges_) {
        if (isSmall(edge->nodeA) || isSmall(edge->nodeB)) {
            doomed.push_back(edge.get());
        }
    }
    for (EdgeEntity* edge : doomed) {
        destroyEdgeLocked(edge);
    }

    if (std::erase_if(nodes_, [&](const std::unique_ptr<NodeEntity>& n) {
            if (!isSmall(n.get())) {
                return false;
            }
            removeChild(n.get());
            return true;
        }) > 0) {
        ++nodeListVersion_;
    }
    small->childList().clear();
    // The graph goes, so no protein id names an entity any more.
    nodeTable_.clear();
    selection_.clear();
    initialPositions_.clear();
    graph_ = std::make_unique<ProteinGraph>();
}

void PathwayLayoutEntity::dropEntities() {
    std::lock_guard<std::mutex> lock(layoutMutex);
    childList().clear();
    edgeContainer_->childList().clear();
    // Edges observe their nodes, so they go first.
    edges_.clear();
    ++edgeListVersion_;
    nodes_.clear();
    ++nodeListVersion_;
    initialPositions_.clear();
}

void PathwayLayoutEntity::forgetSelection(const ImageProcessorSelection* selection) {
    std::lock_guard<std::mutex> lock(layoutMutex);
    for (auto* table : {&nodeSelections_, &edgeSelections_}) {
        for (auto it = table->begin(); it != table->end();) {
            it = it->second == selection ? table->erase(it) : std::next(it);
        }
    }
}
