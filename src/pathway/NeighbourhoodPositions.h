// Where the explore view puts a protein's partners around it: for the hubs of
// a pathway, positions worked out once and kept in the pathway's ".cache" side
// file, one entry per hub under "exppos1" (the set that keeps the
// neighbourhood's proportions) or "exppos0" (the square set). The stored form
// is "hub|partner|...#frame|position|...", the frame size first.
//
// Owns the keeper of the side file. Reads the graph and the pathway size it is
// handed and takes no lock: the document calls it where the layout thread
// does not move what it reads.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "engine/Vector3.h"

class Cache;
class Cacher;
class ProteinGraph;

class NeighbourhoodPositions {
public:
    NeighbourhoodPositions();
    ~NeighbourhoodPositions();

    // Which stored set is used (true: "exppos1").
    bool positionSet() const { return positionSet_; }
    void setPositionSet(bool set) { positionSet_ = set; }

    // The cache of the side file, saved periodically from the event loop; null
    // while there is none (batch mode, a pathway neither read nor saved).
    Cache* cache() const;
    // Loads the side file at `path` and keeps it from now on.
    void openSideFile(const std::string& path);
    // Forgets the side file without writing it.
    void closeSideFile();
    // Writes the side file to `path` beside a pathway file just written; a
    // side file kept elsewhere moves there.
    void saveSideFile(const std::string& path);

    // The stored positions of ids[0]'s neighbourhood `ids` (hub first) in the
    // current set: the frame size, then one per id in the order of `ids`.
    // False when nothing matching is stored.
    bool lookup(const Array<std::string>& ids, Array<Vector3>& out, const Cache* cache) const;
    // Works them out in the current set, from the proteins' places in `graph`
    // as fractions of `pathwaySize`.
    void compute(const ProteinGraph& graph, const Vector3& pathwaySize,
                 const Array<std::string>& ids, Array<Vector3>& out) const;
    void store(const Array<std::string>& ids, const Array<Vector3>& positions, Cache* cache) const;
    // Works out and stores both sets of every hub of `graph` that `cache`
    // lacks; the spreads run on the worker pool.
    void cacheHubs(const ProteinGraph& graph, const Vector3& pathwaySize, Cache* cache) const;

private:
    std::unique_ptr<Cacher> cacher_;
    bool positionSet_ = true;

    static bool lookupIn(bool set, const Array<std::string>& ids, Array<Vector3>& out,
                         const Cache* cache);
    static void storeIn(bool set, const Array<std::string>& ids, const Array<Vector3>& positions,
                        Cache* cache);
};
