// The proteins selected in a pathway, by id, and the named selections it keeps
// in its graph's meta table (one group per name holding "selection", and the
// group "selection_names" listing the names), so that a save carries them.
#pragma once

#include <string>

#include "engine/Table.h"

class ProteinGraph;

class PathwaySelection {
public:
    // Without duplicates, in the order added.
    const Array<std::string>& ids() const { return ids_; }
    bool contains(const std::string& id) const;
    // An empty id or one already selected is not added.
    void add(const std::string& id);
    // Keeps the order of the rest; an id not selected is no error.
    void remove(const std::string& id);
    void clear() { ids_.clear(); }
    // Adds one level of neighbours in the graph.
    void expand(const ProteinGraph& graph);
    // Selects every protein of the graph that was not, in the graph's order.
    void invert(const ProteinGraph& graph);

    // Stores the selected ids under `name`. False, storing nothing, for a name
    // that is empty, holds a blank, "|" or a line break, or is already in use.
    bool saveNamed(ProteinGraph& graph, const std::string& name) const;
    void removeNamed(ProteinGraph& graph, const std::string& name) const;
    Array<std::string> names(const ProteinGraph& graph) const;
    Array<std::string> named(const ProteinGraph& graph, const std::string& name) const;

private:
    Array<std::string> ids_;
};
