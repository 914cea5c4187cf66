// The App's side of a network build: the build of the current pathway, and
// its two preparations, the "From Existing" start (which keeps the ends of
// the base's painted interactions) and the proteins and interactions of the
// painted regions of a pathway image.
#pragma once

#include <string>
#include <utility>

#include "app/GraphBuilderParameters.h"
#include "engine/Table.h"

class App;
class ImageProcessorSelection;
class PathwayLayoutEntity;

class NetworkBuildCaller {
public:
    // Painted interaction region -> the labels of its two ends (a pair, as a
    // label may hold "#").
    using PaintedInteractions =
        Table<ImageProcessorSelection*, std::pair<std::string, std::string>>;

    explicit NetworkBuildCaller(App& app) : app_(app) {}
    NetworkBuildCaller(const NetworkBuildCaller&) = delete;
    NetworkBuildCaller& operator=(const NetworkBuildCaller&) = delete;

    // buildNetwork on the App's pathway, saved to its pathway path.
    [[nodiscard]] bool build(const GraphBuilderParameters& parameters, std::string* why);
    // A base just read for "From Existing": notes the ends of its painted
    // interactions, by region, and empties a painted pathway's drawing.
    void keepPaintedInteractions(PathwayLayoutEntity& pathway);
    // Gives every painted region of the App's pathway image its protein or
    // interaction.
    void assignSelectionProteins();

    PaintedInteractions& paintedInteractions() { return painted_; }
    const PaintedInteractions& paintedInteractions() const { return painted_; }

private:
    App& app_;
    PaintedInteractions painted_;
};
