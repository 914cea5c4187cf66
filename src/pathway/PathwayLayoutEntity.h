// The pathway document and root container of the scene: the protein graph of
// one pathway, the node and edge entities that show it in two tiers, its colour
// scheme and sizes, the layout parameters, the background picture, the image
// regions and the selected and named-selected proteins.
//
// Ownership: the document owns its graph, its edge container, every entity in
// nodes() and edges(), its layouter, its shape finder, the background picture
// it loaded, the regions it keeps (ownSelection) and the rooms it hands work
// to: its style, selection, editor and neighbourhood positions (which keep the
// ".cache" side file). nodeTable(), edgeTable(), nodeSelections() and
// edgeSelections() observe. Children lists observe too: removing a child never
// deletes it. Every field is private; the file's reader and writer, and the
// layouter, are friends.
//
// Threads: the layout thread holds the private `layoutMutex` while it copies
// the node and edge lists, the id tables, the anchors, the control points,
// the forces, the pathway's size and every protein's place and size, and
// while it moves the small proteins; in the first pass after the node list
// changed it also reads the degrees of graph() there. Only the operations of
// this class write the lists, tables, anchors, control points and forces,
// each under the mutex. The graph and the entities stay reachable through
// graph(), nodes() and edges(), so the compiler does not hold their writers
// outside this class to the mutex; those that change what the layout reads
// hold it off through withLayoutLocked (the filters' rules, the window's
// deletions in the graph, the network build's replaceGraph).
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include <QImage>

#include "engine/Color4.h"
#include "engine/CoordinateFrame.h"
#include "engine/Ray.h"
#include "engine/Table.h"
#include "engine/Vector3.h"
#include "scene/ContainerEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

#include "pathway/NeighbourhoodPositions.h"
#include "pathway/PathwayEditor.h"
#include "pathway/PathwaySelection.h"
#include "pathway/PathwayStyle.h"

class Cache;
class Font;
class Image;
class ImageProcessorSelection;
class LineSink;
class PathwayLayouter;
class Property;
class PropertyGraph;
class ProteinGraph;
class RenderDevice;
class ShapeFinder;
class Texture;
class TextFileReader;
class WindowServices;

// A decoded picture handed from a document being closed to the next load, with
// the file whose pixels it holds; empty when there is nothing to hand over.
struct DecodedPicture {
    std::string file;
    QImage pixels;
};

// How the layout pulls and pushes the proteins. The layout thread copies them
// at every pass.
struct LayoutForces {
    double springForce = 1.0;
    double edgeLength = 0.05;
    double repulsiveForce = 1.0;
    double degreeWeight = 0.0;
    double cellSize = 0.1;
};

class PathwayLayoutEntity : public ContainerEntity {
public:
    PathwayLayoutEntity(const Vector3& position, const std::string& name, const Vector3& size,
                        const Color4& colour);
    // Stops and waits for the layouter first, then deletes what it owns.
    ~PathwayLayoutEntity() override;

    // ---- what the pathway file's header holds ----

    // "Standard", "From Image" or "From Existing".
    const std::string& buildMode() const { return buildMode_; }
    void setBuildMode(const std::string& mode) { buildMode_ = mode; }
    // "HPRD" or "String".
    const std::string& dataSourceName() const { return dataSourceName_; }
    void setDataSourceName(const std::string& name) { dataSourceName_ = name; }
    const std::string& noteLine() const { return noteLine_; }
    void setNoteLine(const std::string& note) { noteLine_ = note; }
    // "MM/DD/YY_HH:MM:SS", local time at construction or as the file says.
    const std::string& creationStamp() const { return creationStamp_; }
    // File name of the background picture.
    const std::string& imageName() const { return imageName_; }
    bool hasNetwork() const { return hasNetwork_; }
    void setHasNetwork(bool built) { hasNetwork_ = built; }
    bool fromImage() const { return fromImage_; }
    void setFromImage(bool painted) { fromImage_ = painted; }
    bool dragEnabled() const { return dragEnabled_; }
    void setDragEnabled(bool enabled) { dragEnabled_ = enabled; }
    bool tiltedExplorePlane() const { return tiltedExplorePlane_; }
    void setTiltedExplorePlane(bool tilted) { tiltedExplorePlane_ = tilted; }
    // The NODE_TO_ID lines of the file, verbatim: the seeds placed by hand.
    const Array<std::string>& nodeToIdLines() const { return nodeToIdLines_; }
    Array<std::string>& nodeToIdLines() { return nodeToIdLines_; }

    // ---- what the filters hide ----

    bool noProteins() const { return noProteins_; }
    void setNoProteins(bool hidden) { noProteins_ = hidden; }
    bool noInteractions() const { return noInteractions_; }
    void setNoInteractions(bool hidden) { noInteractions_ = hidden; }
    bool interactionsBetween() const { return interactionsBetween_; }
    void setInteractionsBetween(bool only) { interactionsBetween_ = only; }

    // ---- what the document is part of ----

    // Makes textures and keeps a side file; off in batch mode.
    bool visual() const { return visual_; }
    void setVisual(bool visual) { visual_ = visual; }
    // The main window, null in batch mode; observed.
    WindowServices* windowServices() const { return windowServices_; }
    void setWindowServices(WindowServices* window) { windowServices_ = window; }

    // ---- the protein graph ----

    // Never null. Writers of what the layout reads hold it off through
    // withLayoutLocked (or stop the layouter first).
    ProteinGraph& graph() { return *graph_; }
    const ProteinGraph& graph() const { return *graph_; }
    // Puts `graph` (a fresh one when null) in place of the graph and returns
    // the one it held; under withLayoutLocked while a layouter runs.
    std::unique_ptr<ProteinGraph> replaceGraph(std::unique_ptr<ProteinGraph> graph);

    // Holds the small proteins and small interactions; a child of the pathway
    // only while they are shown (setEdgesVisible). Never null.
    ContainerEntity* edgeContainer() const { return edgeContainer_.get(); }

    // ---- colour scheme and sizes as the file's header stores them ----

    // Read freely; change the entities' looks through the scheme and size
    // operations below, which restyle what is drawn as well.
    const PathwayStyle& style() const { return style_; }
    PathwayStyle& style() { return style_; }
    // The stored colour of a scheme name; null for an unknown name.
    Color4* schemeColor(const std::string& name) { return style_.schemeColor(name); }
    const Color4* schemeColor(const std::string& name) const { return style_.schemeColor(name); }

    // ---- creation and lookups ----

    // A large protein is a child of the pathway, a small one a child of the edge
    // container. Neither is entered in nodeTable (the caller does that).
    NodeEntity* createNode(const CoordinateFrame& frame, const std::string& label, bool large);
    // Large: kind 2, a child of the pathway. Small: kind 0, put in front of the
    // edge container's children with no parent (so drawn under every small
    // protein, whenever it was made), in the pathway's plane.
    // Not entered in edgeTable.
    EdgeEntity* createEdge(NodeEntity* a, NodeEntity* b, bool large);

    // Every protein made by createNode and every interaction made by
    // createEdge, owned here.
    const Array<std::unique_ptr<NodeEntity>>& nodes() const { return nodes_; }
    const Array<std::unique_ptr<EdgeEntity>>& edges() const { return edges_; }
    // Room for that many proteins, or interactions, in the list and the id
    // table, so that filling them does not copy and rehash step by step.
    void reserveNodes(std::size_t count);
    void reserveEdges(std::size_t count);
    // Drops every protein and interaction with the layout anchors, and empties
    // the children of the pathway and of the edge container. The id tables
    // stay (forgetIds).
    void dropEntities();

    // Protein id -> node, and edgeTableKey(a, b) -> interaction.
    const Table<std::string, NodeEntity*>& nodeTable() const { return nodeTable_; }
    const Table<std::string, EdgeEntity*>& edgeTable() const { return edgeTable_; }
    // Enters the node under the protein id (replacing an earlier entry).
    void registerNode(const std::string& id, NodeEntity* node);
    // Empties both tables.
    void forgetIds();

    NodeEntity* getNode(const std::string& id) const;
    // The first id in table order whose node is `node`; "" when none.
    std::string getNodeId(const NodeEntity* node) const;
    NodeEntity* findNodeByName(const std::string& label) const;

    // The edgeTable key of the interaction from a to b (the ids are joined by
    // a separator no id may hold).
    static std::string edgeTableKey(const std::string& a, const std::string& b);
    // Enters an interaction under (a, b).
    void registerEdge(const std::string& a, const std::string& b, EdgeEntity* edge);
    // The interaction under (a, b), else under (b, a); null when neither.
    EdgeEntity* findEdge(const std::string& a, const std::string& b) const;

    // ---- what the layout pulls towards and pushes from ----

    LayoutForces layoutForces() const;
    void setLayoutForces(const LayoutForces& forces);
    // Anchors as fractions of the pathway size, one per entry of nodes(); the
    // layout leaves them out while the counts differ.
    const Array<Vector3>& initialPositions() const { return initialPositions_; }
    void setInitialPositions(Array<Vector3> positions);
    // Points the layout keeps proteins away from.
    const Array<Vector3>& controlPoints() const { return controlPoints_; }
    void addControlPoint(const Vector3& point);

    // Runs `work` between two layout passes and returns what it returns: for
    // reading the frames the layout moves, or changing the entities or the
    // graph it reads, from outside this class. The mutex is not recursive, so
    // `work` may read through the const accessors but must call nothing that
    // takes the mutex itself: the creation, registration, removal, editing,
    // named-selection, scheme, size and visibility operations, the setters of
    // the forces, anchors and control points, the Entity overrides below,
    // pickEntity, layoutForces, renderPathway, applyStimulus, storePositions,
    // the pathway file operations and stopLayouter.
    template <class Work>
    decltype(auto) withLayoutLocked(Work&& work) const {
        std::lock_guard<std::mutex> lock(layoutMutex);
        return std::forward<Work>(work)();
    }

    // ---- scheme and sizes ----

    void applyColorScheme(float r, float g, float b, const std::string& name);
    void setProteinClassSize(double value, const std::string& name);
    void setEdgeAlpha(double alpha);
    void setEdgesVisible(bool visible);

    // ---- geometry ----

    Entity* pickEntity(const Ray& ray);
    void scaleLayout(float sx, float sy, float sz);
    void setLayoutSize(float w, float h, float d);

    // Moving the pathway moves every protein's global frame, so both frame
    // setters take the mutex.
    void setLocalFrame(const CoordinateFrame& frame) override;
    void setGlobalFrame(const CoordinateFrame& frame) override;
    void setFont(std::shared_ptr<Font> font) override;
    void scale(double factor) override;
    // Presses and releases reach the proteins between two layout passes.
    bool mousePress(const Ray& ray, int button) override;
    bool mouseRelease(const Ray& ray, int button) override;
    // Moves the selected proteins with the mouse and stores their positions.
    // Defined here (every virtual must be, for the document to link at all).
    bool drag(const Ray& previous, const Ray& current) override;

    // ---- background ----

    // The picture drawn behind the pathway ("pathway" of the texture cache by default).
    const std::shared_ptr<Texture>& background() const { return background_; }
    void setBackgroundTexture(std::shared_ptr<Texture> texture) {
        background_ = std::move(texture);
    }
    // The picture last loaded by setBackground; null when none.
    Image* sourceImage() const { return sourceImage_.get(); }
    // The file sourceImage was read from (or last saved to).
    const std::string& sourceImageFile() const { return sourceImageFile_; }

    void setBackground(const std::string& path);
    // setBackground with the picture of `path` decoded already (null: decode it).
    void setBackground(const std::string& path, std::unique_ptr<Image> decoded);
    // Whether sourceImage holds, untouched, the pixels of sourceImageFile.
    bool pictureUnchanged() const;
    // The picture (sharing its pixels) and its file while unchanged, else empty.
    DecodedPicture unchangedPicture() const;

    // ---- layout thread (defined with the layouter) ----

    // The layout thread while it exists; observed.
    PathwayLayouter* layouter() const { return layouter_.get(); }
    // Puts a layouter that was not started in place of none.
    void setLayouter(std::unique_ptr<PathwayLayouter> layouter);
    // stopLayouter, then deletes the layouter.
    void dropLayouter();
    // Never leaves an earlier layouter running.
    void startLayouter();
    // Requests the stop and waits for the thread to end.
    void stopLayouter();

    // ---- removal ----

    void removeNode(NodeEntity* node);
    void removeEdge(EdgeEntity* edge);
    // Drops the network and keeps what was placed by hand.
    void clear();
    // Drops an image region from both region tables.
    void forgetSelection(const ImageProcessorSelection* selection);

    // ---- image regions ----

    // The image shape finder; null without one. The pathway is its only owner
    // (shared_ptr only lets the document be destroyed where the finder's
    // definition is not visible).
    const std::shared_ptr<ShapeFinder>& shapeFinder() const { return shapeFinder_; }
    void setShapeFinder(std::shared_ptr<ShapeFinder> finder) { shapeFinder_ = std::move(finder); }
    // Whether the shape finder's image origin follows the pathway's corner.
    bool shapeFinderFollows() const { return shapeFinderFollows_; }
    void setShapeFinderFollows(bool follows) { shapeFinderFollows_ = follows; }
    // Image region of a protein id; of an interaction, keyed "a-b". Observers:
    // edge regions point into the shape finder's list, protein regions into
    // those the document keeps (ownSelection) or the shape finder's list.
    const Table<std::string, ImageProcessorSelection*>& nodeSelections() const {
        return nodeSelections_;
    }
    Table<std::string, ImageProcessorSelection*>& nodeSelections() { return nodeSelections_; }
    const Table<std::string, ImageProcessorSelection*>& edgeSelections() const {
        return edgeSelections_;
    }
    Table<std::string, ImageProcessorSelection*>& edgeSelections() { return edgeSelections_; }
    // Keeps a region that no shape finder holds.
    void ownSelection(std::shared_ptr<ImageProcessorSelection> region) {
        ownedSelections_.push_back(std::move(region));
    }

    // ---- editing (written into the entity and into the graph) ----

    void setNodeColor(NodeEntity* node, float r, float g, float b);
    void setEdgeColor(EdgeEntity* edge, float r, float g, float b);
    void setNodeFontColor(NodeEntity* node, float r, float g, float b);
    void setNodeShape(NodeEntity* node, const std::string& shapeName);
    void scaleNodeSize(NodeEntity* node, double fx, double fy);
    void scaleEdgeSize(EdgeEntity* edge, double f);
    void setNodeRating(NodeEntity* node, int rating);
    void renameNode(NodeEntity* node, const std::string& name);

    // ---- selected proteins ----

    void addSelectedNodeId(const std::string& id) { selection_.add(id); }
    bool isIdSelected(const std::string& id) const { return selection_.contains(id); }
    void selectNode(const NodeEntity* node) { selection_.add(getNodeId(node)); }
    bool isNodeSelected(const NodeEntity* node) const {
        return selection_.contains(getNodeId(node));
    }
    void deselectId(const std::string& id) { selection_.remove(id); }
    void deselectNode(const NodeEntity* node) { selection_.remove(getNodeId(node)); }
    Array<std::string> getSelectedNodes() const { return selection_.ids(); }
    void clearSelectedNodes() { selection_.clear(); }
    void expandSelection() { selection_.expand(*graph_); }
    void invertSelection() { selection_.invert(*graph_); }

    // ---- named selections (kept in the graph's meta table) ----

    // False, storing nothing, for a name that is empty, holds a blank, "|" or a
    // line break, or is already in use.
    bool saveSelection(const std::string& name);
    void removeSelection(const std::string& name);
    Array<std::string> getSelectionNames() const { return selection_.names(*graph_); }
    Array<std::string> getSavedSelection(const std::string& name) const {
        return selection_.named(*graph_, name);
    }

    // ---- visibility, stimulus, stored positions ----

    // Shows what no selector tags. The important proteins (keepPathway) and
    // those with experimental data (keepExperimentals) lose every tag, so they
    // stay listed and pickable, and later filters or their removal hide them
    // only if they tag them anew. A shown protein goes back to its shownLayer.
    void updateVisibility(bool keepPathway, bool keepExperimentals);
    // The depth of a shown protein: important and measured ones just above the
    // plane, over the rest. The reader places proteins there and fixes the small
    // interactions' ends against it, so showing a protein again must use it too.
    static float shownLayer(bool important, bool measured) {
        return important || measured ? 0.001f : 0.0f;
    }
    void applyStimulus(const Array<std::string>& ids, ProteinGraph* target);
    void storePositions();

    // ---- neighbourhood positions of the hubs (the ".cache" side file) ----

    // The set in use and the side file, which only a visual pathway keeps
    // (the file reader opens it beside the file it reads).
    const NeighbourhoodPositions& neighbourhoods() const { return neighbourhoods_; }
    NeighbourhoodPositions& neighbourhoods() { return neighbourhoods_; }
    // Stored neighbourhood positions of ids[0] from the cache.
    bool lookupNeighbourhoodPositions(const Array<std::string>& ids, Array<Vector3>& out,
                                      const Cache* cache) const {
        return neighbourhoods_.lookup(ids, out, cache);
    }
    void cacheNeighbourhoodPositions(Cache* cache) const {
        neighbourhoods_.cacheHubs(*graph_, size, cache);
    }
    void computeNeighbourhoodPositions(const Array<std::string>& ids, Array<Vector3>& out) const {
        neighbourhoods_.compute(*graph_, size, ids, out);
    }
    void storeNeighbourhoodPositions(const Array<std::string>& ids, const Array<Vector3>& positions,
                                     Cache* cache) const {
        neighbourhoods_.store(ids, positions, cache);
    }

    // ---- rendering ----

    void renderPathway(RenderDevice* rd, bool drawShapeFinder);

    // ---- pathway file (PathwayFileWriter and PathwayFileReader) ----

    [[nodiscard]] bool savePathway(const std::string& path);
    void writePathway(LineSink& lines);
    void writePathway(Array<std::string>& lines);
    // `handed` replaces the decode of the very file it names; only for a file
    // nobody can have changed since those pixels were read from or written to it.
    [[nodiscard]] bool loadPathway(const std::string& path, WindowServices* window,
                                   DecodedPicture handed = {});
    [[nodiscard]] bool readPathway(TextFileReader& reader, bool buildEntities,
                                   WindowServices* window);

private:
    // Reads what it shares with this class inside its own lock.
    friend class PathwayLayouter;
    // The pathway file's writer and reader store and restore every field.
    friend class PathwayFileWriter;
    friend class PathwayFileReader;

    std::unique_ptr<PathwayLayouter> layouter_;
    std::shared_ptr<Texture> background_;
    std::unique_ptr<Image> sourceImage_;
    // The file sourceImage_ was read from (or last saved to), and its pixels as
    // they were then, shared with sourceImage_ until either is written: a save
    // copies the file of an unchanged picture instead of encoding it again.
    std::string sourceImageFile_;
    QImage sourceImageAsRead_;
    bool hasNetwork_ = false;
    bool fromImage_ = false;
    std::unique_ptr<ProteinGraph> graph_;
    std::string creationStamp_;
    std::string buildMode_;
    std::string dataSourceName_;
    std::string noteLine_ = "none";
    std::unique_ptr<ContainerEntity> edgeContainer_;
    bool dragEnabled_ = true;
    Array<std::string> nodeToIdLines_;
    bool tiltedExplorePlane_ = false;
    std::string imageName_;
    std::shared_ptr<ShapeFinder> shapeFinder_;
    bool shapeFinderFollows_ = true;
    Table<std::string, ImageProcessorSelection*> nodeSelections_;
    Table<std::string, ImageProcessorSelection*> edgeSelections_;
    Array<std::shared_ptr<ImageProcessorSelection>> ownedSelections_;
    bool noProteins_ = false;
    bool noInteractions_ = false;
    bool interactionsBetween_ = false;
    bool visual_ = true;
    WindowServices* windowServices_ = nullptr;

    // Held by every operation of this class that writes what the layout
    // thread reads, and by the layout thread while it reads and moves.
    mutable std::mutex layoutMutex;
    Array<std::unique_ptr<NodeEntity>> nodes_;
    Array<std::unique_ptr<EdgeEntity>> edges_;
    // Raised whenever a node or an edge is created or destroyed, so the
    // layouter can tell a new one at a freed address from the old one without
    // visiting every node and edge on every pass.
    uint64_t nodeListVersion_ = 0;
    uint64_t edgeListVersion_ = 0;
    Array<Vector3> initialPositions_;
    Array<Vector3> controlPoints_;
    // Protein id -> node.
    Table<std::string, NodeEntity*> nodeTable_;
    // edgeTableKey(a, b) -> interaction; use the helpers, never a + b.
    Table<std::string, EdgeEntity*> edgeTable_;
    LayoutForces forces_;
    PathwayStyle style_;
    PathwaySelection selection_;
    PathwayEditor editor_{*this};
    NeighbourhoodPositions neighbourhoods_;

    // Hidden proteins included.
    bool hasOwnNodeProperty(const std::string& id, const std::string& key) const;
    bool isImportantAnyway(const std::string& id) const;
    Array<std::string> allProteins() const;

    NodeEntity* createNodeLocked(const CoordinateFrame& frame, const std::string& label,
                                 bool large);
    void scaleLayoutLocked(float sx, float sy, float sz);
    // Puts the shape finder's image origin at the pathway's corner, when it follows.
    void moveShapeFinder();
    // Deletes an interaction owned by edges() and forgets it everywhere.
    void destroyEdgeLocked(EdgeEntity* edge);
    // Drops every edgeTable entry that points at `edge`.
    void forgetEdgeEntries(const EdgeEntity* edge);
};
