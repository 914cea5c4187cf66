// The experiment store: measured values of proteins loaded from experiment
// files, each value turned into a colour for the heatmap glyphs.
#pragma once

#include <string>
#include <unordered_map>

#include "engine/Table.h"
#include "engine/Vector3.h"

// One colour per measured value: red, green, blue in 0..1.
using HeatmapColours = Array<Vector3>;

class HeatmapSeries {
public:
    HeatmapSeries() = default;

    // Appends one entry with an empty colour list.
    void addEntry(std::string label, std::string protein, std::string detail, std::string values,
                  std::string experiment, std::string note);
    // Appends one entry that already carries its colours (a store rebuilt from a saved graph).
    void addEntry(std::string label, std::string protein, std::string detail, std::string values,
                  std::string experiment, std::string note, HeatmapColours colours);
    // Does nothing when i is out of range.
    void removeEntry(int i);

    int entryCount() const { return static_cast<int>(protein.size()); }
    // Entry fields; i must be in [0, entryCount()).
    const std::string& labelAt(int i) const { return label[i]; }
    const std::string& proteinAt(int i) const { return protein[i]; }
    const std::string& detailAt(int i) const { return detail[i]; }
    const std::string& valuesAt(int i) const { return values[i]; }
    const HeatmapColours& coloursAt(int i) const { return colours[i]; }
    const std::string& noteAt(int i) const { return note[i]; }
    const std::string& experimentAt(int i) const { return experiment[i]; }
    // Replaces the colours of entry i; does nothing when i is out of range.
    void setColours(int i, HeatmapColours c);

    // Entry indices of one experiment, ascending; empty for an unknown name. Valid
    // until the store next changes.
    const Array<int>& entriesOfExperiment(const std::string& experimentName) const;
    // Clears `names`, then lists every distinct experiment in entry order.
    void experimentNames(Array<std::string>& names) const;
    // Appends, in entry order, each protein of the experiment that `proteins` does not hold yet.
    void proteinsOfExperiment(Array<std::string>& proteins, std::string experimentName) const;
    // Appends colours, detail and note of every entry of (protein, experiment), in entry order.
    void experimentValues(std::string proteinId, Array<HeatmapColours>& colourLists,
                          Array<std::string>& details, std::string experimentName,
                          Array<std::string>& notes) const;

    // Loads one XML or tab-separated experiment file and colours what it loaded.
    // `flags` is unused (callers pass 0). False when the file cannot be read.
    [[nodiscard]] bool loadExperimentFile(std::string fileName, int flags = 0);
    // Colours every entry of a loaded experiment on a logarithmic scale.
    void computeColours(std::string experimentName);
    // Colours every entry of a ratio experiment on a scale centred on 1.
    void computeRatioColours(std::string experimentName);
    // For every ordered pair of experiments X, Y adds and colours the experiment "X/Y".
    void addRatioExperiments();

private:
    // Room for this many entries in every field list.
    void reserve(size_t entries);
    [[nodiscard]] bool loadTextFile(const std::string& fileName);
    [[nodiscard]] bool loadXmlFile(const std::string& fileName);
    struct ExperimentEntries {
        Array<int> entries;
        std::unordered_map<std::string, Array<int>> byProtein;
    };
    struct Index {
        std::unordered_map<std::string, ExperimentEntries> byExperiment;
        // Experiment names in order of their first entry.
        Array<std::string> names;
        void add(const std::string& experimentName, const std::string& proteinId, int entry);
    };
    // Entry indices by experiment and by protein; kept up to date while entries are
    // appended, rebuilt lazily after a removal.
    const Index& index() const;

    Array<std::string> label;
    Array<std::string> protein;
    Array<std::string> detail;
    Array<std::string> values;
    Array<HeatmapColours> colours;
    Array<std::string> note;
    Array<std::string> experiment;

    mutable Index index_;
    mutable bool indexValid_ = false;
};

// The batch run's store; null until ensureExperimentCache() creates it.
extern HeatmapSeries* experimentCache;
// Creates the global store when there is none yet and returns it.
HeatmapSeries* ensureExperimentCache();
// Deletes the global store and sets experimentCache back to null.
void destroyExperimentCache();
