// The explore view and its clean-up activity.
#include "pathway/ExploreEntity.h"

#include <algorithm>
#include <cmath>

#include "model/Cache.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/Glyph.h"
#include "scene/NodeEntity.h"

namespace {

const Vector3 centreSize(0.22f, 0.15f, 0.1f);

}  // namespace

// ---- ExploreClean ----

ExploreClean::ExploreClean(ExploreEntity* view, Array<Entity*> list, double duration)
    : Activity(duration), target(view), entities(std::move(list)) {}

ExploreClean::~ExploreClean() {
    if (target != nullptr) {
        auto& all = target->cleanups;
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
}

void ExploreClean::update() {
    Activity::update();
    if (!done || target == nullptr) {
        return;
    }
    // destroyEntity prunes `entities` as it goes, so take the list first.
    const Array<Entity*> listed = std::move(entities);
    entities.clear();
    for (Entity* entity : listed) {
        if (target->ownsEntity(entity)) {
            target->destroyEntity(entity);
        } else {
            target->removeChild(entity);
            target->unregisterExploredNode(entity);
        }
    }
}

// ---- ExploreEntity ----

ExploreEntity::ExploreEntity(ProteinGraph* g, PathwayLayoutEntity* p, const CoordinateFrame& frame,
                             const std::string& name, const Vector3& viewSize,
                             const Color4& viewColor)
    : ContainerEntity(frame, name, viewSize, viewColor), graph(g), pathway(p) {
    type = "ExploreEntity";
    bodyHidden = true;
    childrenFirst = false;
    titled = false;
}

ExploreEntity::~ExploreEntity() {
    // Pending clean-ups are deleted with the base; they must not reach back.
    for (ExploreClean* clean : cleanups) {
        clean->target = nullptr;
    }
    cleanups.clear();
    children.clear();
    exploredNames.clear();
    exploredEntities.clear();
    owned.clear();
}

template <class T>
T* ExploreEntity::adopt(std::unique_ptr<T> entity) {
    T* raw = entity.get();
    owned.push_back(std::move(entity));
    return raw;
}

bool ExploreEntity::ownsEntity(const Entity* entity) const {
    return std::any_of(owned.begin(), owned.end(),
                       [entity](const std::unique_ptr<Entity>& e) { return e.get() == entity; });
}

void ExploreEntity::forgetPending(Entity* entity) {
    for (ExploreClean* clean : cleanups) {
        auto& list = clean->entities;
        list.erase(std::remove(list.begin(), list.end(), entity), list.end());
    }
}

void ExploreEntity::destroyGlyphsOf(Entity* node) {
    Array<Entity*> glyphs = node->getChildren();
    for (Entity* glyph : glyphs) {
        if (ownsEntity(glyph)) {
            destroyEntity(glyph);
        }
    }
    node->childList().clear();
}

void ExploreEntity::destroyEntity(Entity* entity) {
    if (entity == nullptr) {
        return;
    }
    removeChild(entity);
    if (Entity* parent = entity->getParent(); parent != nullptr && parent != this) {
        parent->removeChild(entity);
    }
    unregisterExploredNode(entity);
    forgetPending(entity);
    if (entity->getType() != "EdgeEntity") {
        destroyGlyphsOf(entity);
        // No edge may keep pointing at a node that is gone.
        Array<Entity*> edges;
        for (const auto& e : owned) {
            if (e->getType() == "EdgeEntity") {
                auto* edge = static_cast<EdgeEntity*>(e.get());
                if (edge->nodeA == entity || edge->nodeB == entity) {
                    edges.push_back(edge);
                }
            }
        }
        for (Entity* edge : edges) {
            destroyEntity(edge);
        }
    }
    owned.erase(
        std::remove_if(owned.begin(), owned.end(),
                       [entity](const std::unique_ptr<Entity>& e) { return e.get() == entity; }),
        owned.end());
}

Entity* ExploreEntity::findExploredNode(const std::string& name) const {
    for (std::size_t i = exploredNames.size(); i-- > 0;) {
        if (exploredNames[i] == name) {
            return exploredEntities[i];
        }
    }
    return nullptr;
}

std::string ExploreEntity::exploredNodeName(const Entity* entity) const {
    for (std::size_t i = exploredEntities.size(); i-- > 0;) {
        if (exploredEntities[i] == entity) {
            return exploredNames[i];
        }
    }
    return "";
}

void ExploreEntity::registerExploredNode(Entity* entity, const std::string& name) {
    for (std::size_t i = 0; i < exploredNames.size(); ++i) {
        if (exploredNames[i] == name && exploredEntities[i] == entity) {
            return;
        }
    }
    exploredNames.push_back(name);
    exploredEntities.push_back(entity);
}

void ExploreEntity::unregisterExploredNode(const Entity* entity) {
    for (std::size_t i = exploredEntities.size(); i-- > 0;) {
        if (exploredEntities[i] == entity) {
            exploredEntities.erase(exploredEntities.begin() + static_cast<std::ptrdiff_t>(i));
            exploredNames.erase(exploredNames.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

Entity* ExploreEntity::pickChild(const Ray& ray) {
    for (Entity* child : children) {
        if (child->getType() == "NodeEntity") {
            Entity* hit = child->pick(ray);
            if (hit != nullptr && hasChild(hit)) {
                return hit;
            }
        }
    }
    for (Entity* child : children) {
        if (child->getType() == "EdgeEntity" && child->pick(ray) != nullptr) {
            return child;
        }
    }
    return nullptr;
}

void ExploreEntity::reexplore(Entity* entity) {
    for (const Entity* registered : exploredEntities) {
        if (registered == entity) {
            explore(exploredNodeName(entity));
            return;
        }
    }
}

void ExploreEntity::appendLoadItem(GlyphFactory* factory) {
    if (factory != nullptr) {
        glyphFactories.push_back(factory);
    }
}

Array<Vector3> ExploreEntity::neighbourhoodPositions(const Array<std::string>& ids) {
    Array<Vector3> out;
    if (pathway != nullptr) {
        Cache* cache = pathway->neighbourhoods().cache();
        if (!pathway->lookupNeighbourhoodPositions(ids, out, cache)) {
            pathway->computeNeighbourhoodPositions(ids, out);
            if (ids.size() > 10 && cache != nullptr && out.size() == ids.size() + 1) {
                pathway->storeNeighbourhoodPositions(ids, out, cache);
            }
        }
    }
    if (out.size() != ids.size() + 1) {
        // Without a pathway the partners stand on a circle around the centre.
        out.clear();
        out.emplace_back(1.2f, 1.2f, 0);
        const float n = static_cast<float>(std::max<std::size_t>(ids.size() - 1, 1));
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (i == 0) {
                out.emplace_back(0.6f, -0.6f, 0.005f);
                continue;
            }
            const float a = 6.2831853f * static_cast<float>(i - 1) / n;
            out.emplace_back(0.6f + 0.45f * std::cos(a), -0.6f + 0.45f * std::sin(a), 0.005f);
        }
    }
    return out;
}

void ExploreEntity::placeView(const std::string& protein, Array<std::string>& ids,
                              Array<Vector3>& positions) {
    if (graph != nullptr) {
        graph->addExplorationScore(protein, 1.0);
    }
    ids.clear();
    ids.push_back(protein);
    if (graph != nullptr) {
        Array<std::string> neighbours;
        graph->getNeighbours(protein, neighbours);
        ids.insert(ids.end(), neighbours.begin(), neighbours.end());
    }
    positions = neighbourhoodPositions(ids);

    if (pathway != nullptr) {
        const PathwayStyle& style = pathway->style();
        setColor(style.explorePlaneColor.r, style.explorePlaneColor.g, style.explorePlaneColor.b,
                 static_cast<float>(style.explorePlaneAlpha));
    }
    const Vector3 extent = positions[0];
    setSize(extent.x, extent.y, size.z);

    // Where the protein lies on the pathway, one unit in front of its plane.
    Vector3 at;
    const Vector3 pathwaySize = pathway != nullptr ? pathway->getSize() : Vector3(1, 1, 0);
    if (graph == nullptr || !graph->getProteinPosition(protein, at)) {
        Vector3 fraction;
        if (graph != nullptr && graph->approximatePosition(protein, fraction)) {
            at = Vector3(fraction.x * pathwaySize.x, fraction.y * pathwaySize.y, 0);
        } else {
            at = Vector3(pathwaySize.x / 2, -pathwaySize.y / 2, 0);
        }
    }
    float x = at.x, y = at.y;
    const float w = size.x, h = size.y;
    if (x < bounds[0]) {
        x += bounds[0] - x;
    } else if (x + w > bounds[2]) {
        x -= x + w - bounds[2];
    }
    if (y - h < bounds[1]) {
        y += bounds[1] - (y - h);
    } else if (y > bounds[3]) {
        y -= y - bounds[3];
    }
    const CoordinateFrame onPathway(Vector3(x, y, at.z + 1.0f));
    const CoordinateFrame target =
        pathway != nullptr ? pathway->getGlobalFrame() * onPathway : onPathway;
    moveGlobal(target, animationTime);
}

NodeEntity* ExploreEntity::makeProteinNode(const std::string& id, const Vector3& position,
                                           const Vector3& startSize, const Vector3& fullSize) {
    const std::string label = graph != nullptr ? graph->getProteinName(id) : id;
    Color4 body =
        pathway != nullptr ? pathway->style().explorePlaneProteinsColor : Color4(1, 1, 1, 1);
    Color4 text(0, 0, 0, 1);
    Vector3 start = startSize;
    std::shared_ptr<Texture> texture;
    if (graph != nullptr && graph->isImportant(id) && pathway != nullptr) {
        body = pathway->style().largeProteinsColor;
        text = pathway->style().largeProteinsFontColor;
        auto found = pathway->nodeTable().find(id);
        if (found != pathway->nodeTable().end() && found->second != nullptr) {
            NodeEntity* own = found->second;
            texture = own->getTexture();
            const Vector3 s = own->getSize();
            // Keep the pathway node's proportions at the explore width.
            if (s.x > 0 && std::isfinite(s.y / s.x)) {
                const float ratio = startSize.x / fullSize.x;
                start = Vector3(startSize.x, startSize.x * s.y / s.x, 0.001f * ratio);
            }
        }
    }
    auto node =
        std::make_unique<NodeEntity>(CoordinateFrame(position), label, 0, start, body, false);
    node->setFont(font);
    // Scaling takes the label along with the box, so a node that grows to its
    // full size starts with the label of its start size.
    const double growth = fullSize.x > 0 ? static_cast<double>(startSize.x) / fullSize.x : 1.0;
    node->setLabelSize(labelSize / 2 * growth);
    node->setFontColor(text.r, text.g, text.b, text.a);
    node->shapeName = "ovalglow";
    if (texture) {
        node->setTexture(texture);
    }
    node->update();
    NodeEntity* raw = adopt(std::move(node));
    addChild(raw);
    registerExploredNode(raw, id);
    return raw;
}

EdgeEntity* ExploreEntity::makeEdge(NodeEntity* a, NodeEntity* b, const Color4& c, float width,
                                    float offsetZ) {
    auto edge = std::make_unique<EdgeEntity>(a, b, 2, c.r, c.g, c.b, c.a, width);
    edge->offsetA = CoordinateFrame(Vector3(0, 0, offsetZ));
    edge->offsetB = CoordinateFrame(Vector3(0, 0, offsetZ));
    EdgeEntity* raw = adopt(std::move(edge));
    addChild(raw);
    return raw;
}

void ExploreEntity::buildExploreView(const std::string& protein) {
    currentProtein = protein;
    Array<std::string> ids;
    Array<Vector3> positions;
    placeView(protein, ids, positions);

    NodeEntity* centre = makeProteinNode(protein, positions[1], centreSize, centreSize);
    Array<std::string> glyphIds{protein};
    Array<double> scales{1.0};
    const Color4 plain =
        pathway != nullptr ? pathway->style().explorePlaneInteractionsColor : Color4(1, 1, 1, 1);
    const Color4 large = pathway != nullptr ? pathway->style().largeInteractionsColor : plain;
    for (std::size_t i = 1; i < ids.size(); ++i) {
        if (graph != nullptr) {
            graph->addExplorationScore(ids[i], 0.5);
        }
        NodeEntity* partner = makeProteinNode(ids[i], positions[1], centreSize * 0.01f, centreSize);
        partner->animateScale(100.0, animationTime);
        partner->moveLocal(CoordinateFrame(positions[i + 1]), animationTime);
        const bool important = graph != nullptr && graph->isImportant(ids[i]);
        makeEdge(centre, partner, important ? large : plain, 3.0f, -0.005f);
        glyphIds.push_back(ids[i]);
        scales.push_back(0.01);
    }
    attachGlyphs(glyphIds, scales);
}

void ExploreEntity::explore(const std::string& protein) {
    auto* oldCentre = static_cast<NodeEntity*>(findExploredNode(currentProtein));
    auto* newCentre = static_cast<NodeEntity*>(findExploredNode(protein));
    const std::string previous = currentProtein;
    currentProtein = protein;

    Array<std::string> ids;
    Array<Vector3> positions;
    placeView(protein, ids, positions);

    // What stays must not be taken by a clean-up that is still pending.
    forgetPending(oldCentre);
    forgetPending(newCentre);
    Array<Entity*> leaving;
    for (Entity* child : children) {
        if (child != oldCentre && child != newCentre) {
            leaving.push_back(child);
        }
    }
    const double half = animationTime / 2;
    for (Entity* entity : leaving) {
        if (entity->getType() == "NodeEntity") {
            static_cast<NodeEntity*>(entity)->animateScale(0.01, half);
        }
    }
    auto clean = std::make_unique<ExploreClean>(this, leaving, half);
    cleanups.push_back(clean.get());
    add(clean.release());

    Array<std::string> glyphIds;
    Array<double> scales;
    if (newCentre == nullptr) {
        newCentre = makeProteinNode(protein, positions[1], centreSize, centreSize);
        glyphIds.push_back(protein);
        scales.push_back(1.0);
    } else {
        newCentre->moveLocal(CoordinateFrame(positions[1]), animationTime);
        // A partner picked while it was still shrinking away grows back; the
        // later activity wins each step.
        const float width = newCentre->getSize().x;
        if (width > 0 && width < centreSize.x) {
            newCentre->animateScale(centreSize.x / width, animationTime);
        }
    }
    if (oldCentre != nullptr && oldCentre != newCentre) {
        const bool important = graph != nullptr && graph->isImportant(protein);
        makeEdge(oldCentre, newCentre, important ? newCentre->getColor() : Color4(0, 1, 0, 1), 3.0f,
                 -0.005f);
    }

    const Color4 plain =
        pathway != nullptr ? pathway->style().explorePlaneInteractionsColor : Color4(1, 1, 1, 1);
    const Color4 large = pathway != nullptr ? pathway->style().largeInteractionsColor : plain;
    const Vector3 small(0.002f, 0.0014f, 0.001f);
    for (std::size_t i = 1; i < ids.size(); ++i) {
        // The protein we came from is already shown, joined by the walked edge.
        if (ids[i] == previous && oldCentre != nullptr) {
            continue;
        }
        if (graph != nullptr) {
            graph->addExplorationScore(ids[i], 0.5);
        }
        NodeEntity* partner = makeProteinNode(ids[i], positions[1], small, small * 100.0f);
        partner->animateScale(100.0, animationTime);
        partner->moveLocal(CoordinateFrame(positions[i + 1]), animationTime);
        const bool important = graph != nullptr && graph->isImportant(ids[i]);
        makeEdge(newCentre, partner, important ? large : plain, 2.0f, -0.001f);
        glyphIds.push_back(ids[i]);
        scales.push_back(0.01);
    }

    for (Entity* child : children) {
        if (child->getType() != "EdgeEntity") {
            continue;
        }
        auto* edge = static_cast<EdgeEntity*>(child);
        const bool walked = (edge->nodeA == oldCentre && edge->nodeB == newCentre) ||
                            (edge->nodeA == newCentre && edge->nodeB == oldCentre);
        if (walked || edge->width <= 0.02) {
            edge->width *= 1.5;
        }
    }
    attachGlyphs(glyphIds, scales);
}

void ExploreEntity::attachGlyphs(Array<std::string> ids, Array<double> startScales) {
    for (std::size_t i = 0; i < ids.size(); ++i) {
        Entity* node = findExploredNode(ids[i]);
        if (node == nullptr) {
            // An edge may not outlive the node it was drawn to: take it out first.
            Array<Entity*> dangling;
            for (Entity* child : children) {
                if (child->getType() == "EdgeEntity") {
                    auto* edge = static_cast<EdgeEntity*>(child);
                    if (!hasChild(edge->nodeA) || !hasChild(edge->nodeB)) {
                        dangling.push_back(edge);
                    }
                }
            }
            for (Entity* edge : dangling) {
                destroyEntity(edge);
            }
            continue;
        }
        const double startScale = i < startScales.size() ? startScales[i] : 1.0;
        for (GlyphFactory* factory : glyphFactories) {
            std::unique_ptr<Glyph> glyph = factory->create(ids[i]);
            if (!glyph) {
                continue;
            }
            glyph->scale(startScale);
            Glyph* raw = adopt(std::move(glyph));
            node->addChild(raw);
        }
    }
}

void ExploreEntity::refreshExplore(const std::string& experiment) {
    for (GlyphFactory* factory : glyphFactories) {
        if (factory->name == "HeatmapGlyph") {
            static_cast<HeatmapGlyphFactory*>(factory)->experiment = experiment;
        }
    }
    Array<std::string> ids;
    Array<double> scales;
    for (Entity* child : children) {
        if (child->getType() != "NodeEntity") {
            continue;
        }
        destroyGlyphsOf(child);
        const std::string id = exploredNodeName(child);
        if (!id.empty()) {
            ids.push_back(id);
            scales.push_back(1.0);
        }
    }
    attachGlyphs(ids, scales);
}

void ExploreEntity::render(RenderDevice* rd) {
    if (!backdrop) {
        backdrop = std::make_unique<NodeEntity>(CoordinateFrame(), "", 1, size, color, false);
    }
    backdrop->shapeName =
        pathway != nullptr && !pathway->neighbourhoods().positionSet() ? "roundcont" : "rectcont";
    backdrop->setColor(color.r, color.g, color.b, color.a);
    backdrop->setSize(size.x, size.y, size.z);
    backdrop->setLocalFrame(CoordinateFrame(Vector3(size.x / 2, -size.y / 2, 0)));
    addChild(backdrop.get());
    backdrop->render(rd);
    removeChild(backdrop.get());
    backdrop->setParent(nullptr);
    if (drawSelf) {
        ContainerEntity::render(rd);
    }
}

bool ExploreEntity::mousePress(const Ray&, int) {
    return true;
}

bool ExploreEntity::mouseRelease(const Ray&, int) {
    return true;
}
