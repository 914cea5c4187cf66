// The one seam between the network model and the protein databases.
#pragma once

#include <string>

#include "engine/Table.h"

class ProteinGraph;

class DataSource {
public:
    virtual ~DataSource() = default;

    // Identifiers matching the query, each once; a source may append one tag
    // naming itself per identifier to `sources` (which may be null).
    virtual Array<std::string> searchProteins(std::string query, std::string species,
                                              Array<std::string>* sources) = 0;
    // Interaction k joins from[k] and to[k] with score scores[k].
    virtual void expandNetwork(Array<std::string> seeds, Array<std::string>& from,
                               Array<std::string>& to, Array<int>& scores, int confidence,
                               int levels, std::string species) = 0;
    // One display name per id.
    virtual void getNames(Array<std::string> ids, Array<std::string>& names,
                          Array<std::string> sources) = 0;
    // One annotation per id ("" when unknown).
    virtual void getAnnotations(Array<std::string> ids, Array<std::string>& annotations) = 0;
    // Adds the source's extra properties to the visible nodes (and edges) of the graph.
    virtual void getProperties(ProteinGraph* graph) = 0;
    // One interaction count per id (0 when unknown).
    virtual void getInteractionCounts(Array<std::string> ids, Array<int>& counts,
                                      std::string species) = 0;
};
