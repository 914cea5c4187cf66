// The force-directed layout of one pathway: a pass spreads the proteins out in
// the pathway plane, keeps them near their anchors, pulls interacting proteins
// together and pushes them off the walls and the control points. In window
// mode the passes run back to back on this thread; the batch job calls
// layoutPass directly.
//
// Threads: a pass copies what it needs under the document's `layoutMutex`,
// computes without it and writes the moves back under it, skipping nodes that
// left the pathway meanwhile. Nothing else of the document is touched.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <unordered_map>

#include <QThread>

#include "engine/Table.h"
#include "engine/Vector3.h"
#include "pathway/PathwayLayoutEntity.h"

class NodeEntity;
class PathwayLayoutEntity;

class PathwayLayouter : public QThread {
public:
    // Largest displacement of one protein in one pass.
    static constexpr float MAX_STEP = 0.01f;
    // Floor of the free distance between two boxes, so repulsion stays finite.
    static constexpr double MIN_GAP = 1e-05;

    // The proteins of each grid cell, by index into the node list of the
    // pass's snapshot, ascending within a cell. Stored flat: `start` has one
    // entry per cell plus one, cell c holds items[start[c] .. start[c+1]).
    struct CellGrid {
        int nx = 0;
        int ny = 0;
        // Side of a cell; a multiple of the pathway's cell size when the
        // pathway is so large that its own grid would not fit in memory.
        double side = 0;
        Array<int32_t> start;
        Array<int32_t> items;

        std::span<const int32_t> cell(int x, int y) const {
            const std::size_t c = static_cast<std::size_t>(x) * static_cast<std::size_t>(ny) +
                                  static_cast<std::size_t>(y);
            return {items.data() + start[c], items.data() + start[c + 1]};
        }
    };

    explicit PathwayLayouter(PathwayLayoutEntity* owner);
    // Requests the stop and waits, in case the owner did not.
    ~PathwayLayouter() override;

    // One pass: snapshot, forces, write-back. Prints its two timing lines.
    void layoutPass();
    // Rebuilds `cells` from the positions of the current snapshot.
    void prepareCells();
    // Free distance between the boxes of two proteins along the line joining
    // their centres (negative when they overlap; 1e-05 for equal centres).
    // Reads the nodes directly: hold the document's mutex or own the nodes.
    static double boxGap(const NodeEntity* a, const NodeEntity* b);

    // Sets the stop flag under the mutex; the thread ends after the pass in
    // progress.
    void requestStop();
    bool isStopRequested() const;

    // Graph degree of every protein of the last snapshot, in node-list order;
    // refreshed whenever the node list has changed.
    Array<int32_t> degrees;
    CellGrid cells;
    PathwayLayoutEntity* owner;
    // 0 while running, 1 to stop; written under `mutex` (atomic as well so the
    // destructor can set it when the document is already half gone).
    std::atomic<int32_t> stopRequested{0};
    // The document's layoutMutex.
    std::mutex& mutex;
    // Factor from force to displacement.
    double step = 1.0;
    // Threads that share a pass (the work team): 0 for all it has,
    // 1 for the pass's own thread alone. The positions are the same either way.
    int threads = 0;

    // While the view moves and its frames are slow, passes leave their shared
    // work to the team's low-priority helpers instead of taking a core from
    // the drawing; the positions are the same. Set by the scene core.
    static void yieldToDrawing(bool yield);

protected:
    void run() override;

private:
    // What a pass reads of the pathway, copied under the mutex.
    struct Snapshot {
        Array<const NodeEntity*> nodes;
        // The document's node list version when `nodes` was taken.
        uint64_t nodeListVersion = 0;
        // Position (local translation) and half box size per node.
        Array<float> x, y, z;
        Array<float> halfWidth, halfHeight;
        // A node with a non-finite position takes no part in the pass.
        Array<uint8_t> active;
        Array<int32_t> edgeA, edgeB;
        Array<Vector3> initialPositions;
        Array<Vector3> controlPoints;
        LayoutForces forces;
        float width = 0, height = 0, depth = 0;
    };

    void takeSnapshotLocked();
    void refreshIndicesLocked(bool nodesChanged);
    void computeForces(Array<double>& fx, Array<double>& fy);
    void addRepulsion(Array<double>& fx, Array<double>& fy, double c, double degreeWeight);
    // Forces to this pass's moves: times the step, cut to the step limit, NaN
    // where the force is not finite (that protein stays where it is).
    void forcesToMoves(Array<double>& fx, Array<double>& fy) const;
    void writeBackLocked(const Array<double>& moveX, const Array<double>& moveY);

    Snapshot snap;
    // Node index of the previous snapshot, to reuse it, the degrees and the
    // edge end indices while the node and edge lists stay the same.
    std::unordered_map<const NodeEntity*, int32_t> nodeIndex;
    uint64_t lastEdgeListVersion = 0;
    bool indicesValid = false;
    // Per snapshot node: the column and row of the pathway's own grid.
    Array<int32_t> fineColumn, fineRow;
    // Index into `cells` per snapshot node, -1 for one that takes no part.
    Array<int32_t> cellOf;
    // How many of the pathway's own cells share one cell of `cells` per axis.
    int cellMerge = 1;
    // Per protein in cell order: the first protein of its place and of its
    // group of alike proteins there (itself when alone).
    Array<int32_t> stackOf, entryOf;
};
