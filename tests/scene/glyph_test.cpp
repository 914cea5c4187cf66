// Heatmap and already-explored glyphs and their factories.
#include <gtest/gtest.h>

#include "SceneTestSupport.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "scene/AlreadyExploredGlyph.h"
#include "scene/Heatmap.h"

namespace {

// A graph whose store holds one entry of `cells` colours for P1 in experiment "e".
std::unique_ptr<ProteinGraph> graphWithValues(int cells) {
    auto graph = std::make_unique<ProteinGraph>();
    graph->addNode("P1");
    graph->addNode("P2");
    graph->heatmaps = std::make_unique<HeatmapSeries>();
    HeatmapColours colours;
    for (int i = 0; i < cells; ++i) {
        colours.push_back(Vector3(0.1f * static_cast<float>(i), 0, 1));
    }
    graph->heatmaps->addEntry("", "P1", "pY", "", "e", "", colours);
    return graph;
}

Array<const NodeEntity*> cellsOf(const Heatmap& heatmap) {
    Array<const NodeEntity*> cells;
    for (const auto& entity : heatmap.gridEntities()) {
        if (entity->getName().empty()) {
            cells.push_back(entity.get());
        }
    }
    return cells;
}

}  // namespace

TEST(GlyphTest, HeatmapCellsNarrowWithTheNumberOfValuesAndAProteinWithoutValuesGetsNone) {
    for (const auto& [count, width] : {std::pair{2, 0.1f}, std::pair{6, 0.05f}}) {
        auto graph = graphWithValues(count);
        HeatmapGlyphFactory factory(graph.get());
        factory.experiment = "e";
        std::unique_ptr<Glyph> glyph = factory.create("P1");
        ASSERT_TRUE(glyph);
        EXPECT_EQ(glyph->getType(), "HeatmapGlyph");
        auto* heatmap = static_cast<HeatmapGlyph*>(glyph.get())->getHeatmap();
        const auto cells = cellsOf(*heatmap);
        ASSERT_EQ(cells.size(), static_cast<std::size_t>(count));
        EXPECT_NEAR(cells[0]->getSize().x, width, 1e-6);
        EXPECT_EQ(cells[0]->shapeName, "rectcont");
        EXPECT_EQ(heatmap->getChildren().size(), static_cast<std::size_t>(count) + 1);
        // The row is named by its detail.
        EXPECT_EQ(heatmap->gridEntities()[0]->getName(), "pY");

        EXPECT_FALSE(factory.create("P2"));
        factory.experiment = "other";
        EXPECT_FALSE(factory.create("P1"));
    }
}

TEST(GlyphTest, ScalingRebuildsTheGridWithoutStaleChildrenAndHeatmapsNeverPick) {
    auto graph = graphWithValues(3);
    HeatmapGlyphFactory factory(graph.get());
    factory.experiment = "e";
    std::unique_ptr<Glyph> glyph = factory.create("P1");
    auto* heatmap = static_cast<HeatmapGlyph*>(glyph.get())->getHeatmap();
    const double before = heatmap->getCellSize();
    for (int i = 0; i < 5; ++i) {
        glyph->scale(2.0);
    }
    EXPECT_NEAR(heatmap->getCellSize(), before * 32, 1e-9);
    EXPECT_EQ(heatmap->getChildren().size(), 4u);
    EXPECT_EQ(heatmap->gridEntities().size(), 4u);
    EXPECT_EQ(heatmap->pick(downRay(0, 0)), nullptr);
}

TEST(GlyphTest, ExploredBarFractionFollowsTheNeighbourhoodScoreAgainstTheCap) {
    ProteinGraph graph;
    graph.addNode("P1");
    graph.setExplorationScore("P1", 25.0);
    AlreadyExploredGlyphFactory factory(&graph);
    std::unique_ptr<Glyph> glyph = factory.create("P1");
    ASSERT_TRUE(glyph);
    EXPECT_EQ(glyph->getType(), "NodeEntity");
    EXPECT_NEAR(static_cast<AlreadyExploredGlyph*>(glyph.get())->getFraction(), 0.5, 1e-9);

    testing::internal::CaptureStdout();
    AlreadyExploredGlyph over(1.5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR PERCE\n");
    EXPECT_DOUBLE_EQ(over.getFraction(), 1.5);
}
