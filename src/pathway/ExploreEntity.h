// The explore view: a panel in front of the pathway that shows one protein with
// its partners, animates the walk from protein to protein and records which
// node shows which protein. The view owns every node, edge and glyph it makes
// and deletes each exactly once: when a clean-up removes it, when glyphs are
// refreshed, or when the view goes. Graph, pathway and glyph factories are
// observed. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "scene/Activity.h"
#include "scene/ContainerEntity.h"

class EdgeEntity;
class GlyphFactory;
class PathwayLayoutEntity;
class ProteinGraph;
class ExploreEntity;

// Takes the listed entities out of the explore view (which deletes them) when over.
class ExploreClean : public Activity {
public:
    ExploreClean(ExploreEntity* target, Array<Entity*> entities, double duration);
    ~ExploreClean() override;
    void update() override;

    const Array<Entity*>& pending() const { return entities; }

private:
    friend class ExploreEntity;
    ExploreEntity* target;
    Array<Entity*> entities;
};

class ExploreEntity : public ContainerEntity {
public:
    ExploreEntity(ProteinGraph* graph, PathwayLayoutEntity* pathway, const CoordinateFrame& frame,
                  const std::string& name, const Vector3& size, const Color4& color);
    ~ExploreEntity() override;

    Entity* findExploredNode(const std::string& name) const;
    std::string exploredNodeName(const Entity* entity) const;
    void registerExploredNode(Entity* entity, const std::string& name);
    void unregisterExploredNode(const Entity* entity);

    Entity* pickChild(const Ray& ray);
    void reexplore(Entity* entity);
    void buildExploreView(const std::string& protein);
    void explore(const std::string& protein);
    void refreshExplore(const std::string& experiment);
    void appendLoadItem(GlyphFactory* factory);
    void attachGlyphs(Array<std::string> ids, Array<double> startScales);

    void render(RenderDevice* rd) override;
    bool mousePress(const Ray& ray, int button) override;
    bool mouseRelease(const Ray& ray, int button) override;

    // Takes the entity out of the view, the name table and every pending
    // clean-up, and deletes it with the glyphs it carries and the edges that end at it.
    void destroyEntity(Entity* entity);
    bool ownsEntity(const Entity* entity) const;
    std::size_t ownedCount() const { return owned.size(); }
    std::size_t pendingCleanups() const { return cleanups.size(); }

    ProteinGraph* graph;
    std::string currentProtein;
    float bounds[4] = {0, 0, 0, 0};  // min x, min y, max x, max y on the pathway
    bool drawSelf = true;
    PathwayLayoutEntity* pathway;
    Array<std::string> exploredNames;
    Array<Entity*> exploredEntities;
    Table<std::string, std::string> notes;
    double animationTime = 1.0;
    Array<GlyphFactory*> glyphFactories;

private:
    friend class ExploreClean;

    // Positions of ids in the view; the first entry is the view's size.
    Array<Vector3> neighbourhoodPositions(const Array<std::string>& ids);
    // Scores, colour, size and placement of a build; answers the ids and positions.
    void placeView(const std::string& protein, Array<std::string>& ids, Array<Vector3>& positions);
    NodeEntity* makeProteinNode(const std::string& id, const Vector3& position,
                                const Vector3& startSize, const Vector3& fullSize);
    EdgeEntity* makeEdge(NodeEntity* a, NodeEntity* b, const Color4& color, float width,
                         float offsetZ);
    template <class T>
    T* adopt(std::unique_ptr<T> entity);
    void destroyGlyphsOf(Entity* node);
    void forgetPending(Entity* entity);

    Array<std::unique_ptr<Entity>> owned;
    Array<ExploreClean*> cleanups;
    std::unique_ptr<NodeEntity> backdrop;
};
