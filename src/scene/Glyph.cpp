// Glyph base and the two glyph factories.
#include "scene/Glyph.h"

#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "scene/AlreadyExploredGlyph.h"
#include "scene/Heatmap.h"

Glyph::Glyph()
    : NodeEntity(CoordinateFrame(), "", 0, Vector3(1, 1, 1), Color4(0, 0, 0, 1), false) {}

Glyph::~Glyph() = default;

HeatmapGlyphFactory::HeatmapGlyphFactory(const ProteinGraph* g)
    : GlyphFactory("HeatmapGlyph"), graph(g) {}

std::unique_ptr<Glyph> HeatmapGlyphFactory::create(const std::string& proteinId) {
    if (graph == nullptr || !graph->heatmaps) {
        return nullptr;
    }
    Array<HeatmapColours> colourLists;
    Array<std::string> details;
    Array<std::string> notes;
    graph->heatmaps->experimentValues(proteinId, colourLists, details, experiment, notes);
    if (colourLists.empty()) {
        return nullptr;
    }
    // Rows are named by the entry's detail (the measured site or condition).
    Array<Array<Vector3>> rows(colourLists.begin(), colourLists.end());
    auto heatmap = std::make_unique<Heatmap>(CoordinateFrame(Vector3(0.1f, -0.1f, 0)),
                                             std::move(rows), details, 0.035);
    Heatmap* grid = heatmap.get();
    auto glyph = std::make_unique<HeatmapGlyph>(std::move(heatmap));
    glyph->setGlobalFrame(CoordinateFrame());
    grid->setFont(font);
    grid->scale(1.0);
    return glyph;
}

AlreadyExploredGlyphFactory::AlreadyExploredGlyphFactory(const ProteinGraph* g)
    : GlyphFactory("AlreadyExploredGlyph"), graph(g) {}

std::unique_ptr<Glyph> AlreadyExploredGlyphFactory::create(const std::string& proteinId) {
    if (graph == nullptr) {
        return nullptr;
    }
    const double cap = graph->scoreCap;
    const double score = graph->neighbourhoodScore(proteinId, 2);
    return std::make_unique<AlreadyExploredGlyph>(cap != 0 ? score / cap : 0.0);
}
