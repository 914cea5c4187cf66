// Decorations the explore view hangs on a protein's node: a heatmap of its
// experiment values or a bar of how far its neighbourhood was explored. The
// view asks each factory by protein identifier and owns what comes back.
#pragma once

#include <memory>
#include <string>

#include "scene/NodeEntity.h"

class Font;
class ProteinGraph;

class Glyph : public NodeEntity {
public:
    Glyph();
    ~Glyph() override;
};

class GlyphFactory {
public:
    explicit GlyphFactory(std::string factoryName) : name(std::move(factoryName)) {}
    virtual ~GlyphFactory() = default;

    // The decoration of the protein, or null when it gets none.
    virtual std::unique_ptr<Glyph> create(const std::string& proteinId) = 0;

    std::string name;
    int value = 0;
};

// Heatmap of the protein's entries for `experiment` in the graph's heatmap store.
class HeatmapGlyphFactory : public GlyphFactory {
public:
    explicit HeatmapGlyphFactory(const ProteinGraph* graph = nullptr);
    std::unique_ptr<Glyph> create(const std::string& proteinId) override;

    const ProteinGraph* graph;
    std::shared_ptr<Font> font;
    std::string experiment;
};

// Bar of the protein's neighbourhood score against the graph's score cap.
class AlreadyExploredGlyphFactory : public GlyphFactory {
public:
    explicit AlreadyExploredGlyphFactory(const ProteinGraph* graph = nullptr);
    std::unique_ptr<Glyph> create(const std::string& proteinId) override;

    const ProteinGraph* graph;
};
