// The explore view: a panel in front of the pathway that shows one protein
// with its interaction partners, walked one protein at a time, with the
// proteins that drop out shrinking away.
//
// Ownership: the view owns every node, edge and glyph it creates, its glyph
// factories and its backdrop; it deletes each entity exactly once, when a
// clean-up removes it, when glyphs are refreshed, or when the view goes.
// The graph and the pathway are observed. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "scene/Activity.h"
#include "scene/ContainerEntity.h"
#include "scene/Glyph.h"

class EdgeEntity;
class ExploreEntity;
class PathwayLayoutEntity;
class ProteinGraph;

// When over, takes the listed entities out of the explore view (which then
// deletes them).
class ExploreClean : public Activity {
public:
    ExploreClean(ExploreEntity* target, Array<Entity*> entities, double duration);
    ~ExploreClean() override;
    void update() override;

    // Spares an entity that the view keeps after all.
    void spare(const Entity* entity);
    bool lists(const Entity* entity) const;
    const Array<Entity*>& getEntities() const { return entities; }

private:
    ExploreEntity* target;
    Array<Entity*> entities;
};

class ExploreEntity : public ContainerEntity {
public:
    // `protein` is the identifier the first build starts from.
    ExploreEntity(ProteinGraph* graph, PathwayLayoutEntity* pathway, const std::string& protein,
                  const Vector3& size, const std::string& name = "explore");
    ~ExploreEntity() override;

    // Lookups by protein identifier; later registrations win.
    Entity* findExploredNode(const std::string& id) const;
    std::string exploredNodeName(const Entity* entity) const;
    void registerExploredNode(Entity* entity, const std::string& id);
    void unregisterExploredNode(const Entity* entity);

    // A shown protein node, else an interaction, else null.
    Entity* pickChild(const Ray& ray);
    // Explores from a shown protein; nothing for an entity the view does not show.
    void reexplore(Entity* entity);
    // The first build around `currentProtein`.
    void buildExploreView();
    // Moves the centre to another protein (by identifier).
    void explore(const std::string& id);
    // Rebuilds every glyph, the heatmaps showing another experiment.
    void refreshExplore(const std::string& experiment);
    void appendLoadItem(std::unique_ptr<GlyphFactory> factory);
    // Decorates the nodes of these proteins, each glyph scaled by its start scale.
    void attachGlyphs(Array<std::string> ids, Array<double> startScales);

    // Called by a clean-up that is over: takes its entities out and deletes them.
    void finishClean(ExploreClean* clean);
    // Takes one of the view's own nodes or edges out of the view, out of the
    // explored table and out of pending clean-ups, and deletes it (with a
    // node's glyphs and the edges that end at it). Anything else is ignored.
    void destroyEntity(Entity* entity);
    bool ownsEntity(const Entity* entity) const;
    std::size_t ownedEntityCount() const { return owned.size(); }
    std::size_t glyphCount() const { return glyphs.size(); }
    std::size_t pendingCleanCount() const { return pendingCleans.size(); }

    void render(RenderDevice* rd) override;
    bool mousePress(const Ray& ray, int button) override;
    bool mouseRelease(const Ray& ray, int button) override;

    ProteinGraph* graph;
    std::string currentProtein;
    // Minimum x, minimum y, maximum x, maximum y of where the view may lie, in
    // world units on the plane z = 0; an empty range leaves that axis free.
    float bounds[4] = {0, 0, 0, 0};
    bool drawSelf = true;
    PathwayLayoutEntity* pathway;
    Array<std::string> exploredNames;
    Array<Entity*> exploredEntities;
    Table<std::string, std::string> properties;
    double animationTime = 1.0;
    Array<std::unique_ptr<GlyphFactory>> glyphFactories;

private:
    // ids[0] is the protein, the rest its partners; out[0] is the extent of
    // the view, out[k + 1] the place of ids[k] in it.
    void neighbourhoodPositions(const Array<std::string>& ids, Array<Vector3>& out);
    // Takes the scheme colour and the extent, and moves the view over the protein.
    void placeView(const std::string& id, const Array<Vector3>& positions);
    NodeEntity* makeProteinNode(const std::string& id, const Vector3& at, const Vector3& baseSize,
                                double startScale);
    EdgeEntity* makeEdge(NodeEntity* a, NodeEntity* b, const Color4& colour, double width,
                         float offsetZ);
    // The partners of the protein with their nodes flying out of `from`.
    void addPartners(const Array<std::string>& ids, const Array<Vector3>& positions,
                     NodeEntity* centre, const Vector3& baseSize, double edgeWidth, float offsetZ,
                     const Entity* reused, Array<std::string>& glyphIds,
                     Array<double>& glyphScales);
    void deleteGlyphsOf(Entity* node);
    Vector3 viewCentre() const;

    Array<std::unique_ptr<Entity>> owned;
    // Each glyph with the node that carries it.
    struct OwnedGlyph {
        Entity* node;
        std::unique_ptr<Glyph> glyph;
    };
    Array<OwnedGlyph> glyphs;
    // Clean-ups not yet over; the activity manager owns them.
    Array<ExploreClean*> pendingCleans;
    std::unique_ptr<NodeEntity> backdrop;
};
