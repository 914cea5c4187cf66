// The six selector rules and their factories: connectivity, annotation words,
// short paths between a protein set, exploration, experimental data and
// membership of the pathway model. Each rule computes its value per protein
// once, for the proteins visible when it is made.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "model/Selector.h"
#include "model/SelectorFactory.h"

// Selects the nodes whose value is at least the threshold (inverted: below it).
class TableSelector : public Selector {
public:
    void select(int threshold, Array<std::string>& out) override;

protected:
    using Selector::Selector;
    // Node -> value, in the order of the graph's nodes.
    Table<std::string, int> values;
};

class ProteinConnectivitySelector : public TableSelector {
public:
    ProteinConnectivitySelector(std::string name, PropertyGraph* graph, bool mark);
    void describe(std::string& out) const override;
    std::string getDescription() const override;
    std::string getName() const override;
};

class AnnotationSelector : public Selector {
public:
    AnnotationSelector(std::string name, PropertyGraph* graph, bool mark);
    // The threshold is a keyword index, clamped to the keyword list.
    void select(int threshold, Array<std::string>& out) override;
    void describe(std::string& out) const override;
    std::string getDescription() const override;
    std::string getName() const override;

private:
    // Node -> upper-cased long name.
    Table<std::string, std::string> annotations;
    Array<std::string> keywords{"RECEPTOR", "KINASE", "BINDING"};
};

class PathSelector : public Selector {
public:
    // Measures every visible node by the fewest inner proteins of a simple path through
    // it that joins two different members of `proteins` (members measure 0, nodes on no
    // path of at most maxPathLength inner proteins measure maxPathLength + 1).
    PathSelector(std::string name, PropertyGraph* graph, int maxPathLength,
                 const Array<std::string>& proteins, bool mark);
    // Nodes whose measure is at most the threshold (inverted: above it).
    void select(int threshold, Array<std::string>& out) override;
    void describe(std::string& out) const override;
    std::string getDescription() const override;
    std::string getName() const override;

    int getMaxPathLength() const { return maxPathLength; }
    // The measure of a visible node at construction; maxPathLength + 1 for any other.
    int getMeasure(const std::string& node) const;

private:
    int maxPathLength;
    Array<std::string> nodes;
    Array<int> measures;
};

class ExploredSelector : public TableSelector {
public:
    ExploredSelector(std::string name, PropertyGraph* graph, bool mark);
    void describe(std::string& out) const override;
    std::string getDescription() const override;
    std::string getName() const override;
};

class ExperimentalSelector : public TableSelector {
public:
    ExperimentalSelector(std::string name, PropertyGraph* graph, bool mark);
    void describe(std::string& out) const override;
    std::string getDescription() const override;
    std::string getName() const override;
};

class PathwayProteinsSelector : public Selector {
public:
    PathwayProteinsSelector(std::string name, PropertyGraph* graph, bool mark);
    // Threshold 0 selects the important proteins, any other threshold every protein;
    // inverted the other way round.
    void select(int threshold, Array<std::string>& out) override;
    void describe(std::string& out) const override;
    std::string getDescription() const override;
    std::string getName() const override;

private:
    Array<std::string> nodes;
};

// The factory of a selector kind made from the graph alone: its name and
// description as the Analyze tab lists them.
template <typename Kind>
class GraphSelectorFactory : public SelectorFactory {
public:
    GraphSelectorFactory(std::string name, std::string description)
        : name_(std::move(name)), description_(std::move(description)) {}
    std::unique_ptr<Selector> create(std::string name, PropertyGraph* graph, bool mark) override {
        return std::make_unique<Kind>(std::move(name), graph, mark);
    }
    std::string getName() const override { return name_; }
    std::string getDescription() const override { return description_; }

private:
    std::string name_;
    std::string description_;
};

class ProteinConnectivitySelectorFactory
    : public GraphSelectorFactory<ProteinConnectivitySelector> {
public:
    ProteinConnectivitySelectorFactory()
        : GraphSelectorFactory(
              "Protein Connectivity",
              "Selects protein that gave more interactions than a certain number") {}
};

class AnnotationSelectorFactory : public GraphSelectorFactory<AnnotationSelector> {
public:
    AnnotationSelectorFactory()
        : GraphSelectorFactory("Protein Annotation",
                               "Selects protein that have a term in their annotation/name") {}
};

class PathSelectorFactory : public SelectorFactory {
public:
    // A negative length is chosen per graph from its size when a selector is made.
    explicit PathSelectorFactory(int maxPathLength = -1);
    std::unique_ptr<Selector> create(std::string name, PropertyGraph* graph, bool mark) override;
    std::string getName() const override;
    std::string getDescription() const override;

    // The protein set the next selectors join; empty at first.
    void setProteins(Array<std::string> proteins) { this->proteins = std::move(proteins); }
    const Array<std::string>& getProteins() const { return proteins; }
    // The length used for `graph`: 2 above 2000 nodes, 3 above 1000, else 4 (hidden
    // nodes counted), unless the factory was given a length.
    int pathLengthFor(const PropertyGraph* graph) const;

private:
    int maxPathLength;
    Array<std::string> proteins;
};

class ExploredSelectorFactory : public GraphSelectorFactory<ExploredSelector> {
public:
    ExploredSelectorFactory()
        : GraphSelectorFactory("Already explored", "Selects proteins that haven't been looked at") {
    }
};

class ExperimentalSelectorFactory : public GraphSelectorFactory<ExperimentalSelector> {
public:
    ExperimentalSelectorFactory()
        : GraphSelectorFactory("Experimental proteins", "Selects proteins that have heatmaps") {}
};

class PathwayProteinsSelectorFactory : public GraphSelectorFactory<PathwayProteinsSelector> {
public:
    PathwayProteinsSelectorFactory()
        : GraphSelectorFactory("Pathway Proteins",
                               "Selects proteins that are in the pathway model") {}
};
