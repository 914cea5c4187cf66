// The path measure of the path selector: for every protein, the fewest inner
// proteins of a simple path through it that joins two different members of a
// protein set, without passing through a member on the way.
#pragma once

#include <string>

#include "engine/Table.h"

class PropertyGraph;

// Node -> measure for the members of `proteins` (0) and for every node on such a path
// with at most maxPathLength inner proteins; other nodes are absent. Paths follow the
// graph's neighbour lists (untagged nodes over untagged edges) as a search from each
// member would, so a tagged member can only be where a path starts.
Table<std::string, int> pathMeasures(const PropertyGraph& graph, const Array<std::string>& proteins,
                                     int maxPathLength);
