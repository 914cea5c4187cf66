// The one seam between the network model and the protein databases: everything
// known about a protein that the user did not type in is asked of a source.
//
// Contract of every implementation: an operation clears its output lists first,
// and the per-identifier operations answer exactly one element per input
// identifier, so callers may index the results by position. Identifiers may
// carry a copy suffix (everything from the first "_"); each implementation says
// whether it strips it. The operations answer nothing themselves: a source that
// could not load or whose operation failed says so through failure(), which the
// caller asks after the calls it depends on. A ProteinGraph owns its source.
#pragma once

#include <string>

#include "engine/Table.h"

class ProteinGraph;

class DataSource {
public:
    virtual ~DataSource() = default;

    // Identifiers matching the query, each once; a source may append one tag
    // naming itself per identifier to `sources`, which may be null.
    virtual Array<std::string> searchProteins(std::string query, std::string species,
                                              Array<std::string>* sources) = 0;
    // Interaction k joins from[k] and to[k] with score scores[k]; the three lists
    // have equal length. Each undirected pair comes once per combination of copy
    // suffixes of the seeds.
    virtual void expandNetwork(Array<std::string> seeds, Array<std::string>& from,
                               Array<std::string>& to, Array<int>& scores, int confidence,
                               int levels, std::string species) = 0;
    // One display name per id; `sources` is the tag list searchProteins gave for
    // these ids, or empty.
    virtual void getNames(Array<std::string> ids, Array<std::string>& names,
                          Array<std::string> sources) = 0;
    // One annotation per id ("" when unknown).
    virtual void getAnnotations(Array<std::string> ids, Array<std::string>& annotations) = 0;
    // Adds the source's extra properties (and their ratings) to the visible nodes
    // and edges of the graph.
    virtual void getProperties(ProteinGraph* graph) = 0;
    // One interaction count per id (0 when unknown).
    virtual void getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                                      std::string species) = 0;
    // Why the source cannot give (or did not give) a whole answer, as a sentence
    // for a message; "" while it works.
    [[nodiscard]] virtual std::string failure() const = 0;
};
