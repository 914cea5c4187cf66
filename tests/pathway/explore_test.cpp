// The explore view: the explored-name table, building, walking, clean-ups and glyphs.
#include <gtest/gtest.h>

#include "engine/Clock.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "pathway/ExploreEntity.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/Glyph.h"
#include "scene/NodeEntity.h"

namespace {

class ExploreTest : public ::testing::Test {
protected:
    void SetUp() override {
        setSystemTimeSourceForTesting([this] { return now; });
        pathway = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway",
                                                        Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
        ProteinGraph& g = pathway->graph();
        // A - B - C - D, and A - E; D has neither name nor position.
        for (const char* id : {"A", "B", "C", "D", "E"}) {
            g.addNode(id);
        }
        g.addEdge("A", "B");
        g.addEdge("B", "C");
        g.addEdge("C", "D");
        g.addEdge("A", "E");
        for (const char* id : {"A", "B", "C", "E"}) {
            g.setProteinName(id, std::string("name") + id);
        }
        g.setPosition("A", Vector3(0.2f, -0.2f, 0));
        g.setPosition("B", Vector3(0.4f, -0.4f, 0));
        g.setPosition("C", Vector3(0.6f, -0.6f, 0));
        g.setPosition("E", Vector3(0.8f, -0.8f, 0));
        view = std::make_unique<ExploreEntity>(&g, pathway.get(), CoordinateFrame(), "explore",
                                               Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
        view->bounds[2] = 10;
        view->bounds[1] = -10;
        view->bounds[3] = 10;
        view->animationTime = 1.0;
    }
    void TearDown() override {
        view.reset();
        pathway.reset();
        setSystemTimeSourceForTesting(nullptr);
    }
    // Runs every animation of the view to its end.
    void finishAnimations() {
        now += 10;
        view->updateActivities();
    }
    std::size_t childrenOfType(const std::string& type) const {
        std::size_t n = 0;
        for (const Entity* child : view->getChildren()) {
            n += child->getType() == type ? 1 : 0;
        }
        return n;
    }

    double now = 100.0;
    std::unique_ptr<PathwayLayoutEntity> pathway;
    std::unique_ptr<ExploreEntity> view;
};

}  // namespace

TEST_F(ExploreTest, NameTableAnswersTheLatestPairAndIgnoresUnknownEntities) {
    NodeEntity first(CoordinateFrame(), "x", 0, Vector3(1, 1, 1), Color4(), false);
    NodeEntity second(CoordinateFrame(), "x", 0, Vector3(1, 1, 1), Color4(), false);
    view->registerExploredNode(&first, "P");
    view->registerExploredNode(&first, "P");
    view->registerExploredNode(&second, "P");
    EXPECT_EQ(view->exploredNames.size(), 2u);
    EXPECT_EQ(view->findExploredNode("P"), &second);
    EXPECT_EQ(view->exploredNodeName(&first), "P");
    NodeEntity stranger(CoordinateFrame(), "y", 0, Vector3(1, 1, 1), Color4(), false);
    EXPECT_EQ(view->exploredNodeName(&stranger), "");
    view->reexplore(&stranger);  // not registered: nothing happens
    EXPECT_TRUE(view->currentProtein.empty());
    view->unregisterExploredNode(&second);
    EXPECT_EQ(view->findExploredNode("P"), &first);
}

TEST_F(ExploreTest, BuildShowsTheCentreItsPartnersAndOneEdgeEach) {
    view->buildExploreView("A");
    EXPECT_EQ(childrenOfType("NodeEntity"), 3u);
    EXPECT_EQ(childrenOfType("EdgeEntity"), 2u);
    auto* centre = static_cast<NodeEntity*>(view->findExploredNode("A"));
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(centre->getName(), "nameA");
    EXPECT_DOUBLE_EQ(pathway->graph().getExplorationScore("A"), 1.0);
    EXPECT_DOUBLE_EQ(pathway->graph().getExplorationScore("B"), 0.5);
    finishAnimations();
    auto* partner = static_cast<NodeEntity*>(view->findExploredNode("B"));
    ASSERT_NE(partner, nullptr);
    EXPECT_NEAR(partner->getSize().x, 0.22f, 1e-4);
    // The view sits one unit in front of the pathway.
    EXPECT_NEAR(view->getGlobalFrame().translation.z, 1.0f, 1e-5);
}

TEST_F(ExploreTest, BoundsKeepTheViewInsideTheAreaOnEachSide) {
    view->bounds[0] = 0.5f;
    view->buildExploreView("A");
    finishAnimations();
    EXPECT_GE(view->getGlobalFrame().translation.x, 0.5f - 1e-5);

    view = std::make_unique<ExploreEntity>(&pathway->graph(), pathway.get(), CoordinateFrame(),
                                           "explore", Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    view->bounds[0] = -10;
    view->bounds[1] = -10;
    view->bounds[2] = 0.5f;
    view->bounds[3] = 0.1f;
    view->buildExploreView("E");
    finishAnimations();
    const Vector3 at = view->getGlobalFrame().translation;
    EXPECT_LE(at.x + view->getSize().x, 0.5f + 1e-4);
    EXPECT_LE(at.y, 0.1f + 1e-5);
}

TEST_F(ExploreTest, WalkingOnShrinksTheOldNeighbourhoodAndRemovesItAfterHalfTheTime) {
    view->buildExploreView("A");
    finishAnimations();
    Entity* leaving = view->findExploredNode("E");
    ASSERT_NE(leaving, nullptr);
    view->explore("B");
    EXPECT_EQ(view->currentProtein, "B");
    // Still shown while it shrinks.
    now += 0.25;
    view->updateActivities();
    EXPECT_EQ(view->findExploredNode("E"), leaving);
    now += 0.5;
    view->updateActivities();
    EXPECT_EQ(view->findExploredNode("E"), nullptr);
    EXPECT_NE(view->findExploredNode("A"), nullptr);
    EXPECT_NE(view->findExploredNode("B"), nullptr);
    // C joined as B's new partner; the neighbour D of C has no name or position.
    ASSERT_NE(view->findExploredNode("C"), nullptr);
    view->explore("C");
    finishAnimations();
    auto* d = static_cast<NodeEntity*>(view->findExploredNode("D"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->getName(), "D");
    EXPECT_TRUE(d->getGlobalFrame().translation.isFinite());
    // Every entity the view still owns is shown, directly or as a glyph.
    EXPECT_EQ(view->ownedCount(), view->getChildren().size());
}

TEST_F(ExploreTest, ReexploringDuringACleanUpNeverRemovesTheNewCentre) {
    view->buildExploreView("A");
    finishAnimations();
    view->explore("B");  // E starts shrinking; A and B stay
    now += 0.1;
    view->updateActivities();
    Entity* a = view->findExploredNode("A");
    view->reexplore(a);  // back to A while the clean-up of the first step is pending
    finishAnimations();
    EXPECT_EQ(view->findExploredNode("A"), a);
    EXPECT_TRUE(view->hasChild(a));
    EXPECT_NE(view->findExploredNode("B"), nullptr);
    EXPECT_EQ(view->pendingCleanups(), 0u);
    // B was shrinking when it became a neighbour again; A, picked while it
    // shrank in the first walk, is back at full size.
    EXPECT_NEAR(static_cast<NodeEntity*>(a)->getSize().x, 0.22f, 1e-3);
    for (const Entity* child : view->getChildren()) {
        if (child->getType() == "EdgeEntity") {
            const auto* edge = static_cast<const EdgeEntity*>(child);
            EXPECT_TRUE(view->hasChild(edge->nodeA));
            EXPECT_TRUE(view->hasChild(edge->nodeB));
        }
    }
}

TEST_F(ExploreTest, ImportantProteinWithoutPathwayNodeTakesTheLargeColours) {
    pathway->graph().setImportant("A");
    view->buildExploreView("A");
    auto* centre = static_cast<NodeEntity*>(view->findExploredNode("A"));
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(centre->getColor(), pathway->style().largeProteinsColor);
    EXPECT_FALSE(centre->getTexture());
}

TEST_F(ExploreTest, RefreshingGlyphsLeavesOneGlyphPerNodeAndNoStaleChild) {
    ProteinGraph& g = pathway->graph();
    g.heatmaps = std::make_unique<HeatmapSeries>();
    g.heatmaps->addEntry("", "A", "pY", "", "e1", "", HeatmapColours{Vector3(1, 0, 0)});
    g.heatmaps->addEntry("", "A", "pY", "", "e2", "", HeatmapColours{Vector3(0, 1, 0)});
    HeatmapGlyphFactory heat(&g);
    heat.experiment = "e1";
    AlreadyExploredGlyphFactory explored(&g);
    view->appendLoadItem(&heat);
    view->appendLoadItem(&explored);
    view->buildExploreView("A");
    Entity* a = view->findExploredNode("A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->getChildren().size(), 2u);                            // heatmap and bar
    EXPECT_EQ(view->findExploredNode("B")->getChildren().size(), 1u);  // bar only
    const std::size_t owned = view->ownedCount();
    for (int i = 0; i < 4; ++i) {
        view->refreshExplore(i % 2 ? "e1" : "e2");
    }
    EXPECT_EQ(a->getChildren().size(), 2u);
    EXPECT_EQ(view->ownedCount(), owned);
    view->refreshExplore("none");
    EXPECT_EQ(a->getChildren().size(), 1u);
}
