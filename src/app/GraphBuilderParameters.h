// The arguments of one network build: which pathway proteins are seeds, how far
// and how strongly to expand, the experiment data to attach and the filters.
#pragma once

#include <string>

#include "engine/Table.h"

class HeatmapSeries;

struct GraphBuilderParameters {
    // Label of a protein on the pathway -> its protein identifier.
    Table<std::string, std::string> seeds;
    // Interaction levels to expand; "" means "2".
    std::string levels;
    // Minimum confidence, read as a number and truncated; "" means "900".
    std::string conf;
    // Becomes the pathway's label (the file goes to App::pathwayPath).
    std::string path;
    // Handed to the data source unchanged.
    std::string species;
    // Observed; may be null.
    HeatmapSeries* experiments = nullptr;
    // Adds every protein of every experiment as a stimulus seed.
    bool entire = false;
    // Connectivity threshold; 0 or less is off unless the path filter is on.
    int filterConnectivity = -1;
    // Path threshold; -1 is off, 0 only switches the connectivity filter on.
    int filterPaths = -1;
};
