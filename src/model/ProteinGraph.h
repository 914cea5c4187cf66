// The property graph of one pathway with what the protein model adds: the data
// source it is built from, important proteins and interactions, breadth-first
// distances to the important proteins, unique display names, property ratings,
// the heatmap texts of the experiment store, positions on the pathway plane and
// exploration scores.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "engine/Vector3.h"
#include "model/DataSource.h"
#include "model/HeatmapSeries.h"
#include "model/PropertyGraph.h"

class LineSink;
class TextFileReader;

class ProteinGraph : public PropertyGraph {
public:
    ProteinGraph();
    ~ProteinGraph() override;

    // Set by the owner; the graph deletes it.
    std::unique_ptr<DataSource> source;
    // Scene position = stored position (fractions of the pathway) times the scale.
    float scaleX = 0;
    float scaleY = 0;
    // Rebuilt by load() from the "heatmap" properties; null before.
    std::unique_ptr<HeatmapSeries> heatmaps;
    double scoreCap = 50.0;
    // 0.8 * 0.2^k for k = 0..9: weight of an important protein k + 1 levels away.
    Array<double> levelWeights;

    // The "name" value; a protein without one answers its identifier (with a trace).
    std::string getProteinName(const std::string& node) const;
    // "" when no protein has that display name.
    std::string getNodeByName(const std::string& displayName) const;
    // Gives the node `name`, or name_1, name_2, ... when another protein has it.
    bool setProteinName(const std::string& node, const std::string& name);

    bool isImportant(const std::string& node) const;
    void setImportant(const std::string& node);
    bool isInteractionImportant(const std::string& a, const std::string& b) const;
    void setInteractionImportant(const std::string& a, const std::string& b);
    // Appends the important proteins (the cached set once it is built).
    void getImportantProteins(Array<std::string>& out) const;
    // Rebuilds the important set from the "important" properties of the visible nodes.
    void buildImportantCache();

    void setConfidence(const std::string& a, const std::string& b, int score);
    // Keeps an existing entry for the pair (in either order).
    void setDistance(const std::string& a, const std::string& b, const std::string& text);
    bool getDistance(const std::string& a, const std::string& b, std::string& out) const;
    // Per important protein, in order: "level#via", or "1000#none".
    Array<std::string> getDistancesToImportant(const std::string& node) const;

    // 1: shown as text, 2: shown as links. Refuses names the rating section cannot carry.
    bool setRating(const std::string& propertyName, int rating);
    // Appends the property names with that rating, in the order they were first rated.
    void getPropertiesWithRating(int rating, Array<std::string>& out) const;

    // Adds the source's interactions around the seed graph's nodes and marks the
    // seeds and the seed graph's edges important. False without a source.
    bool buildFromSource(const PropertyGraph& seeds, int levels, int confidence,
                         const std::string& species);
    // Writes the "distance" group: level#via for every protein fewer than
    // maxLevels steps from an important one.
    void breadthFirstSearch(int maxLevels);
    // Names every protein from the source (its identifier when the source has no
    // name). With skipImportant, important proteins that already have a name keep it.
    bool applyNames(bool skipImportant);
    bool loadProperties();
    // Appends the store's colours to the "heatmap" values of its proteins.
    void writeHeatmaps(const HeatmapSeries* store);

    // The whole graph (hidden proteins too) and its rating section.
    void save(LineSink& out);
    void save(Array<std::string>& lines);
    // Replaces the graph by the one `in` holds from its "nodes" line on.
    [[nodiscard]] bool load(TextFileReader& in);

    // Also drops the proteins from the important set and the name table.
    void removeNodes(const Array<std::string>& ids) override;

    // Positions and exploration scores.
    // Scaled (x, y, 0); false, out unchanged, when the protein has no position.
    bool getProteinPosition(const std::string& node, Vector3& out) const;
    void setPosition(const std::string& node, const Vector3& p);
    // Stored position of an important protein, else the level-weighted mean of
    // the important proteins it is near; false (p unchanged) when it cannot tell.
    bool approximatePosition(const std::string& node, Vector3& p) const;
    // Sets "position" and offers "initialPosition" for every visible protein.
    void computePositions(bool approximate);
    double getExplorationScore(const std::string& node) const;
    void setExplorationScore(const std::string& node, double score);
    void addExplorationScore(const std::string& node, double delta);
    // Own score plus half the mean of the neighbours' (depth - 1) scores, capped.
    double neighbourhoodScore(const std::string& node, int depth) const;

private:
    struct ImportantPlaces;
    ImportantPlaces importantPlaces() const;
    // approximatePosition for a visible protein that is not important.
    bool approximateFrom(const std::string& node, ImportantPlaces& places, Vector3& p) const;
    // The stored (unscaled) x and y of a protein, z = 0.
    bool storedPosition(const std::string& node, Vector3& out) const;
    // Sets the first value of a node property, adding the property when missing.
    void setNodeValue(const std::string& node, const std::string& name, const std::string& value);

    Table<std::string, int> ratings;
    Table<std::string, std::string> names;
    Table<std::string, bool> importantSet;
    bool importantCacheBuilt = false;
};
