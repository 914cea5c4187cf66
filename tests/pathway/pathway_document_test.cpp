// The pathway document: defaults, the two tiers of proteins and interactions,
// picking, colour scheme and sizes, dragging, removal and clearing.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>

#include <unistd.h>

#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

// A pathway of size (2, 1, 0.01) at the origin, as the scene core makes it.
std::unique_ptr<PathwayLayoutEntity> makePathway(Vector3 size = Vector3(2, 1, 0.01f)) {
    return std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway", size,
                                                 Color4(1, 1, 1, 1));
}

// A protein of the network: in the graph, with an entity in the node table.
NodeEntity* addProtein(PathwayLayoutEntity& p, const std::string& id, Vector3 at, bool large) {
    p.graph().addNode(id);
    if (large) {
        p.graph().setImportant(id);
    }
    NodeEntity* node = p.createNode(CoordinateFrame(at), id, large);
    p.registerNode(id, node);
    return node;
}

EdgeEntity* addInteraction(PathwayLayoutEntity& p, const std::string& a, const std::string& b,
                           bool large) {
    p.graph().addEdge(a, b);
    EdgeEntity* edge = p.createEdge(p.getNode(a), p.getNode(b), large);
    p.registerEdge(a, b, edge);
    return edge;
}

// Straight down the -z axis onto (x, y).
Ray downAt(float x, float y) {
    return Ray::fromOriginAndDirection(Vector3(x, y, 5), Vector3(0, 0, -1));
}

bool holds(const Entity& parent, const Entity* child) {
    return parent.hasChild(child);
}

}  // namespace

TEST(PathwayDocument, ConstructorDefaults) {
    auto p = makePathway();
    EXPECT_EQ(p->getType(), "PathwayLayoutEntity");
    EXPECT_EQ(p->noteLine(), "none");
    EXPECT_EQ(p->buildMode(), "");
    EXPECT_EQ(p->dataSourceName(), "");
    EXPECT_TRUE(
        std::regex_match(p->creationStamp(), std::regex(R"(\d\d/\d\d/\d\d_\d\d:\d\d:\d\d)")))
        << p->creationStamp();
    EXPECT_EQ(p->style().largeLabelFactor, 0.3499999940395355);
    EXPECT_EQ(p->style().experimentalLabelFactor, 0.3499999940395355);
    EXPECT_EQ(doubleToString(p->style().smallLabelFactor), doubleToString(1.0 / 3.0));
    EXPECT_EQ(color4ToString(p->style().backgroundColor), "(1, 0.803922, 0.411765, 1)");
    EXPECT_EQ(color4ToString(p->style().smallProteinsColor), "(0.333333, 0.666667, 0.498039, 1)");
    EXPECT_EQ(color4ToString(p->style().explorePlaneColor), "(1, 0.670588, 0.270588, 1)");
    ASSERT_NE(&p->graph(), nullptr);
    ASSERT_NE(p->edgeContainer(), nullptr);
    EXPECT_TRUE(p->edgeContainer()->bodyHidden);
    EXPECT_FALSE(holds(*p, p->edgeContainer()));

    // Every scheme name reaches its own colour.
    EXPECT_EQ(p->schemeColor("Cell Membrane"), &p->style().cellMembraneColor);
    EXPECT_EQ(p->schemeColor("Experimental Proteins Font"),
              &p->style().experimentalProteinsFontColor);
    EXPECT_EQ(p->schemeColor("Membrane"), nullptr);
}

TEST(PathwayDocument, TwoTiersOfProteinsAndInteractions) {
    auto p = makePathway();
    p->setEdgesVisible(true);
    p->setEdgesVisible(true);
    EXPECT_EQ(std::count(p->getChildren().begin(), p->getChildren().end(),
                         static_cast<Entity*>(p->edgeContainer())),
              1);

    NodeEntity* big = p->createNode(CoordinateFrame(Vector3(0.5f, -0.5f, 0.001f)), "BIG", true);
    NodeEntity* small = p->createNode(CoordinateFrame(Vector3(1, -0.5f, 0)), "small", false);
    EXPECT_TRUE(holds(*p, big));
    EXPECT_TRUE(holds(*p->edgeContainer(), small));
    EXPECT_EQ(big->shapeName, "ovalglow");
    EXPECT_EQ(small->shapeName, "empty");
    EXPECT_EQ(big->getColor(), p->style().largeProteinsColor);
    EXPECT_EQ(small->getColor(), Color4(1, 0, 0, 1));
    EXPECT_TRUE(big->draggable && small->draggable);
    EXPECT_FLOAT_EQ(big->getSize().x, 2 * 0.05f);
    EXPECT_FLOAT_EQ(big->getSize().y, 0.027f);
    EXPECT_DOUBLE_EQ(big->getLabelSize(), big->getSize().y * p->style().largeLabelFactor);
    EXPECT_TRUE(p->nodeTable().empty());
    EXPECT_EQ(p->findNodeByName("small"), small);
    EXPECT_EQ(p->findNodeByName("none"), nullptr);

    EdgeEntity* large = p->createEdge(big, small, true);
    EdgeEntity* thin = p->createEdge(small, big, false);
    EXPECT_EQ(large->kind, 2);
    EXPECT_TRUE(holds(*p, large));
    EXPECT_DOUBLE_EQ(large->width, 2 * 0.7);
    EXPECT_EQ(thin->kind, 0);
    EXPECT_EQ(p->edgeContainer()->getChildren().front(), thin);
    EXPECT_EQ(thin->getParent(), nullptr);
    EXPECT_FLOAT_EQ(thin->color.a, 0.2f);
    // Both ends drawn in the pathway's plane.
    EXPECT_FLOAT_EQ(thin->offsetB.translation.z, -0.001f);
    EXPECT_FLOAT_EQ(thin->offsetA.translation.z, 0.0f);
    EXPECT_EQ(p->edges().size(), 2u);
    EXPECT_EQ(p->createEdge(big, nullptr, true), nullptr);

    p->setEdgesVisible(false);
    EXPECT_FALSE(holds(*p, p->edgeContainer()));
    EXPECT_EQ(p->edgeContainer()->getChildren().size(), 2u);
}

TEST(PathwayDocument, SmallInteractionsStayUnderSmallProteinsWhateverTheOrder) {
    // Made one at a time, interleaved as an editor would: every small
    // interaction is drawn before every small protein, the latest first, and
    // the proteins follow by depth, the latest first among equals.
    auto p = makePathway();
    Array<NodeEntity*> small;
    Array<EdgeEntity*> thin;
    NodeEntity* hub = p->createNode(CoordinateFrame(Vector3(0.5f, -0.5f, 0.001f)), "hub", true);
    for (int i = 0; i < 6; ++i) {
        const float z = i % 3 == 2 ? 0.001f : 0.0f;
        small.push_back(p->createNode(CoordinateFrame(Vector3(0.1f * i, -0.3f, z)),
                                      "s" + std::to_string(i), false));
        thin.push_back(p->createEdge(hub, small.back(), false));
    }
    const Array<Entity*> expected{thin[5],  thin[4],  thin[3],  thin[2],  thin[1],  thin[0],
                                  small[4], small[3], small[1], small[0], small[5], small[2]};
    EXPECT_EQ(p->edgeContainer()->getChildren(), expected);
    for (NodeEntity* node : small) {
        EXPECT_EQ(node->getParent(), p->edgeContainer());
    }
    for (EdgeEntity* edge : thin) {
        EXPECT_EQ(edge->getParent(), nullptr);
    }
    EXPECT_EQ(hub->getParent(), p.get());
    EXPECT_TRUE(p->edgeContainer()->hasChild(thin[3]));

    // Removal keeps the rest in order.
    p->removeEdge(thin[2]);
    p->removeNode(small[1]);
    const Array<Entity*> after{thin[5],  thin[4],  thin[3],  thin[0], small[4],
                               small[3], small[0], small[5], small[2]};
    EXPECT_EQ(p->edgeContainer()->getChildren(), after);
}

TEST(PathwayDocument, EdgeTableKeysDoNotCollide) {
    auto p = makePathway();
    NodeEntity* a = p->createNode(CoordinateFrame(), "a", true);
    NodeEntity* b = p->createNode(CoordinateFrame(), "b", true);
    EdgeEntity* first = p->createEdge(a, b, true);
    EdgeEntity* second = p->createEdge(b, a, true);
    p->registerEdge("12", "345", first);
    p->registerEdge("123", "45", second);
    EXPECT_EQ(p->findEdge("12", "345"), first);
    EXPECT_EQ(p->findEdge("345", "12"), first);
    EXPECT_EQ(p->findEdge("123", "45"), second);
    EXPECT_EQ(p->findEdge("1", "2345"), nullptr);
}

TEST(PathwayDocument, PickPrefersLargeProteinsAndSkipsHiddenLayers) {
    auto p = makePathway();
    p->setEdgesVisible(true);
    NodeEntity* big = addProtein(*p, "L", Vector3(0.5f, -0.5f, 0.001f), true);
    NodeEntity* small = addProtein(*p, "s", Vector3(0.52f, -0.5f, 0), false);
    // The ray hits both boxes, the small protein's centre is nearer.
    EXPECT_EQ(p->pickEntity(downAt(0.53f, -0.5f)), big);

    // A protein behind the plane (filtered out) is ignored.
    big->setLocalFrame(CoordinateFrame(Vector3(0.5f, -0.5f, -0.5f)));
    EXPECT_EQ(p->pickEntity(downAt(0.53f, -0.5f)), small);

    // Nothing under the ray but an interaction.
    NodeEntity* left = addProtein(*p, "a", Vector3(1.2f, -0.2f, 0.001f), true);
    NodeEntity* right = addProtein(*p, "b", Vector3(1.8f, -0.2f, 0.001f), true);
    EdgeEntity* edge = addInteraction(*p, "a", "b", true);
    EXPECT_EQ(p->pickEntity(downAt(1.5f, -0.2f)), edge);
    edge->hidden = true;
    EXPECT_EQ(p->pickEntity(downAt(1.5f, -0.2f)), nullptr);
    EXPECT_EQ(p->pickEntity(downAt(1.2f, -0.2f)), left);
    EXPECT_NE(left, right);
}

TEST(PathwayDocument, PickTiesKeepTheFirstChildAndHiddenSmallTierIsNotPicked) {
    auto p = makePathway();
    addProtein(*p, "A", Vector3(0.5f, -0.5f, 0.001f), true);
    addProtein(*p, "B", Vector3(0.5f, -0.5f, 0.001f), true);
    // Equally near: the one earlier among the children wins.
    ASSERT_EQ(p->getChildren().size(), 2u);
    EXPECT_EQ(p->pickEntity(downAt(0.5f, -0.5f)), p->getChildren()[0]);
    EXPECT_EQ(p->pickEntity(downAt(0.51f, -0.5f)), p->getChildren()[0]);

    NodeEntity* small = addProtein(*p, "s", Vector3(1.5f, -0.5f, 0), false);
    EXPECT_EQ(p->pickEntity(downAt(1.5f, -0.5f)), nullptr);
    p->setEdgesVisible(true);
    EXPECT_EQ(p->pickEntity(downAt(1.5f, -0.5f)), small);
}

TEST(PathwayDocument, ColorSchemeLeavesOwnColoursAlone) {
    auto p = makePathway();
    NodeEntity* plain = addProtein(*p, "P1", Vector3(0.2f, -0.2f, 0.001f), true);
    NodeEntity* own = addProtein(*p, "P2", Vector3(0.4f, -0.2f, 0.001f), true);
    NodeEntity* small = addProtein(*p, "s", Vector3(0.6f, -0.2f, 0), false);
    p->setNodeColor(own, 0, 1, 0);
    p->setNodeFontColor(own, 0, 0.5f, 0);
    // Hidden by a filter: its own colour still wins.
    p->graph().addTag("P2", "sel");

    p->applyColorScheme(0, 0, 1, "Large Proteins");
    EXPECT_EQ(plain->getColor(), Color4(0, 0, 1, 1));
    EXPECT_EQ(own->getColor(), Color4(0, 1, 0, 1));
    EXPECT_EQ(small->getColor(), Color4(1, 0, 0, 1));
    EXPECT_EQ(p->style().largeProteinsColor, Color4(0, 0, 1, 1));

    p->applyColorScheme(1, 1, 0, "Large Proteins Font");
    EXPECT_EQ(plain->getFontColor(), Color4(1, 1, 0, 1));
    EXPECT_EQ(own->getFontColor(), Color4(0, 0.5f, 0, 1));

    p->applyColorScheme(0.5f, 0.5f, 0.5f, "Small Proteins");
    EXPECT_EQ(small->getColor(), Color4(0.5f, 0.5f, 0.5f, 1));
    EXPECT_EQ(plain->getColor(), Color4(0, 0, 1, 1));

    addProtein(*p, "t", Vector3(0.8f, -0.2f, 0), false);
    EdgeEntity* thin = addInteraction(*p, "s", "t", false);
    p->applyColorScheme(1, 0, 1, "Small Interactions");
    EXPECT_EQ(thin->color, Color4(1, 0, 1, 1));

    // Stored only.
    p->applyColorScheme(0.1f, 0.2f, 0.3f, "Highlighting");
    EXPECT_EQ(p->style().highlightingColor, Color4(0.1f, 0.2f, 0.3f, 1));
}

TEST(PathwayDocument, ProteinClassSizeFollowsThePathwaySize) {
    auto p = makePathway(Vector3(2, 1, 0.01f));
    NodeEntity* big = p->createNode(CoordinateFrame(), "L", true);
    NodeEntity* small = p->createNode(CoordinateFrame(), "s", false);
    const Vector3 smallBefore = small->getSize();

    p->setProteinClassSize(1.0, "Large Proteins");
    EXPECT_FLOAT_EQ(p->style().largeProteinSize.x, 0.04f);
    EXPECT_FLOAT_EQ(p->style().largeProteinSize.y, 0.02f);
    EXPECT_FLOAT_EQ(p->style().largeProteinSize.z, 0.0002f);
    EXPECT_FLOAT_EQ(big->getSize().x, 0.08f);
    EXPECT_FLOAT_EQ(big->getSize().y, 0.02f);
    EXPECT_FLOAT_EQ(big->getSize().z, 0.000002f);
    EXPECT_EQ(small->getSize(), smallBefore);

    p->setProteinClassSize(0.5, "Small Proteins Font");
    EXPECT_DOUBLE_EQ(small->getLabelSize(), small->getSize().y * 0.5);
    EXPECT_DOUBLE_EQ(p->style().smallLabelFactor, 0.5);

    NodeEntity* other = p->createNode(CoordinateFrame(), "o", true);
    EdgeEntity* large = p->createEdge(big, other, true);
    p->setProteinClassSize(0.3, "Large Interactions");
    EXPECT_DOUBLE_EQ(large->width, 2 * 0.3);
}

TEST(PathwayDocument, DragMovesSelectedProteinsAndTheirStoredPositions) {
    auto p = makePathway(Vector3(2, 1, 0.01f));
    NodeEntity* node = addProtein(*p, "P1", Vector3(0.5f, -0.5f, 0.001f), true);
    addProtein(*p, "P2", Vector3(1, -0.5f, 0.001f), true);
    p->graph().setPosition("P1", Vector3(0.25f, -0.5f, 0));
    p->addSelectedNodeId("P1");

    EXPECT_TRUE(p->drag(downAt(0.3f, -0.3f), downAt(0.4f, -0.3f)));
    EXPECT_NEAR(node->getLocalFrame().translation.x, 0.6f, 1e-6);
    EXPECT_NEAR(p->getNode("P2")->getLocalFrame().translation.x, 1.0f, 1e-6);
    const Vector3 stored = p->graph().findNodeProperty("P1", "position")->getVector3();
    EXPECT_NEAR(stored.x, 0.3f, 1e-6);
    EXPECT_NEAR(stored.y, -0.5f, 1e-6);

    p->setDragEnabled(false);
    EXPECT_FALSE(p->drag(downAt(0.3f, -0.3f), downAt(0.4f, -0.3f)));
}

TEST(PathwayDocument, ZeroExtentsNeverStoreInfinity) {
    auto p = makePathway(Vector3(2, 1, 0));
    NodeEntity* node = addProtein(*p, "P1", Vector3(0.5f, -0.5f, 0.001f), true);
    node->setSize(0.1f, 0.05f, 0.01f);
    p->scaleNodeSize(node, 2, 2);
    const Property* prefsize = p->graph().findNodeProperty("P1", "prefsize");
    ASSERT_NE(prefsize, nullptr);
    ASSERT_EQ(prefsize->values.size(), 3u);
    EXPECT_EQ(prefsize->values[0], doubleToString(static_cast<double>(0.2f / 2.0f)));
    EXPECT_EQ(prefsize->values[2], "");

    p->setSize(0, 0, 0);
    p->graph().setPosition("P1", Vector3(0.1f, -0.2f, 0));
    p->storePositions();
    p->addSelectedNodeId("P1");
    (void)p->drag(downAt(0.3f, -0.3f), downAt(0.4f, -0.3f));
    const std::string text = p->graph().findNodeProperty("P1", "position")->getValue();
    EXPECT_EQ(text.find("inf"), std::string::npos) << text;
    EXPECT_EQ(text.find("nan"), std::string::npos) << text;
    const Vector3 stored = stringToVector3(text);
    EXPECT_FLOAT_EQ(stored.x, 0.1f);
    EXPECT_FLOAT_EQ(stored.y, -0.2f);
}

TEST(PathwayDocument, ScaleAndSizeOfTheLayout) {
    auto p = makePathway(Vector3(2, 1, 0.01f));
    NodeEntity* hand = p->createNode(CoordinateFrame(Vector3(1, -0.5f, 0.1f)), "h", true);
    p->scaleLayout(2, 3, 1);
    EXPECT_EQ(hand->getLocalFrame().translation, Vector3(2, -1.5f, 0.1f));
    EXPECT_FLOAT_EQ(p->getSize().x, 4);
    EXPECT_FLOAT_EQ(p->getSize().y, 3);

    // A hand-placed pathway scales to the new size; a zero extent takes it directly.
    p->setSize(4, 0, 0.01f);
    p->setLayoutSize(2, 2, 0.01f);
    EXPECT_FLOAT_EQ(p->getSize().x, 2);
    EXPECT_FLOAT_EQ(p->getSize().y, 2);
    EXPECT_TRUE(hand->getLocalFrame().translation.isFinite());

    // With a network every protein goes to its stored position.
    auto q = makePathway(Vector3(2, 1, 0.01f));
    NodeEntity* n = addProtein(*q, "P1", Vector3(0, 0, 0.001f), true);
    addProtein(*q, "P2", Vector3(0, 0, 0), false);  // no stored position: left alone
    q->graph().setPosition("P1", Vector3(0.5f, -0.25f, 0));
    q->setLayoutSize(4, 2, 0.01f);
    EXPECT_EQ(n->getLocalFrame().translation, Vector3(2, -0.5f, 0.001f));
    EXPECT_FLOAT_EQ(q->graph().scaleX, 4);
}

TEST(PathwayDocument, MovingThePathwayCarriesBothTiers) {
    auto p = makePathway();
    p->setEdgesVisible(true);
    NodeEntity* big = p->createNode(CoordinateFrame(Vector3(0.5f, -0.5f, 0.001f)), "L", true);
    NodeEntity* small = p->createNode(CoordinateFrame(Vector3(1, -0.5f, 0)), "s", false);
    p->setGlobalFrame(CoordinateFrame(Vector3(1, 2, 0)));
    EXPECT_EQ(big->getGlobalFrame().translation, Vector3(1.5f, 1.5f, 0.001f));
    EXPECT_EQ(small->getGlobalFrame().translation, Vector3(2, 1.5f, 0));
    p->setLocalFrame(CoordinateFrame());
    EXPECT_EQ(big->getGlobalFrame().translation, Vector3(0.5f, -0.5f, 0.001f));
}

TEST(PathwayDocument, RemoveNodeCleansEveryTable) {
    auto p = makePathway();
    p->setEdgesVisible(true);
    NodeEntity* hub = addProtein(*p, "H", Vector3(0.5f, -0.5f, 0.001f), true);
    addProtein(*p, "a", Vector3(0.7f, -0.5f, 0), false);
    addProtein(*p, "b", Vector3(0.9f, -0.5f, 0), false);
    addInteraction(*p, "H", "a", false);
    addInteraction(*p, "H", "b", true);
    EdgeEntity* kept = addInteraction(*p, "a", "b", false);
    p->addSelectedNodeId("H");
    p->addSelectedNodeId("a");
    p->setInitialPositions(Array<Vector3>(3, Vector3(0.1f, -0.1f, 0)));

    p->removeNode(hub);
    EXPECT_EQ(p->getNode("H"), nullptr);
    EXPECT_FALSE(p->graph().hasNode("H"));
    EXPECT_FALSE(p->graph().isImportant("H"));
    EXPECT_EQ(p->getSelectedNodes(), Array<std::string>{"a"});
    ASSERT_EQ(p->edges().size(), 1u);
    EXPECT_EQ(p->edges()[0].get(), kept);
    ASSERT_EQ(p->edgeTable().size(), 1u);
    EXPECT_EQ(p->findEdge("a", "b"), kept);
    EXPECT_EQ(p->nodes().size(), 2u);
    EXPECT_EQ(p->initialPositions().size(), 2u);
    for (Entity* child : p->getChildren()) {
        EXPECT_NE(child, static_cast<Entity*>(hub));
    }
    EXPECT_EQ(p->edgeContainer()->getChildren().size(), 3u);  // a, b and a-b

    // Something the pathway does not own is left alone.
    NodeEntity stranger(CoordinateFrame(), "x", 0, Vector3(1, 1, 1), Color4(), false);
    p->removeNode(&stranger);
    p->removeNode(nullptr);
    EXPECT_EQ(p->nodes().size(), 2u);

    p->removeEdge(kept);
    EXPECT_TRUE(p->edges().empty());
    EXPECT_TRUE(p->edgeTable().empty());
    EXPECT_FALSE(p->graph().hasEdge("a", "b"));
}

TEST(PathwayDocument, ClearKeepsHandPlacedPartAndNoPointer) {
    auto p = makePathway();
    p->setEdgesVisible(true);
    p->setHasNetwork(true);
    NodeEntity* big = addProtein(*p, "L", Vector3(0.5f, -0.5f, 0.001f), true);
    NodeEntity* other = addProtein(*p, "M", Vector3(0.8f, -0.5f, 0.001f), true);
    addProtein(*p, "s", Vector3(0.7f, -0.5f, 0), false);
    addProtein(*p, "t", Vector3(0.9f, -0.5f, 0), false);
    addInteraction(*p, "L", "s", false);
    addInteraction(*p, "s", "t", false);
    EdgeEntity* large = addInteraction(*p, "L", "M", true);
    p->addSelectedNodeId("s");
    p->addSelectedNodeId("L");

    p->clear();
    EXPECT_FALSE(p->hasNetwork());
    EXPECT_EQ(p->graph().nodeCount(), 0);
    EXPECT_TRUE(p->nodeTable().empty());
    EXPECT_TRUE(p->getSelectedNodes().empty());
    EXPECT_TRUE(p->edgeContainer()->getChildren().empty());
    ASSERT_EQ(p->nodes().size(), 2u);
    EXPECT_EQ(p->nodes()[0].get(), big);
    EXPECT_EQ(p->nodes()[1].get(), other);
    ASSERT_EQ(p->edges().size(), 1u);
    EXPECT_EQ(p->edges()[0].get(), large);
    for (const auto& [key, edge] : p->edgeTable()) {
        EXPECT_EQ(edge, large) << key;
    }
    // Every child is still alive and owned.
    for (Entity* child : p->getChildren()) {
        const bool owned =
            child == p->edgeContainer() || child == big || child == other || child == large;
        EXPECT_TRUE(owned);
    }
}

TEST(PathwayDocument, BackgroundPictureAndItsName) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("corvidane_pathway_bg_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "Photo.png").string();
    ASSERT_TRUE(Image(4, 2, 3).save(file));

    auto p = makePathway();
    p->setBackground(file);
    ASSERT_NE(p->sourceImage(), nullptr);
    EXPECT_EQ(p->sourceImage()->width(), 4);
    ASSERT_NE(p->background(), nullptr);
    EXPECT_EQ(p->background()->name(), "background");
    EXPECT_EQ(p->imageName(), "Photo.png");

    // Batch mode makes no texture; an unreadable file keeps no image.
    auto batch = makePathway();
    batch->setVisual(false);
    const auto before = batch->background();
    batch->setBackground(file);
    EXPECT_EQ(batch->background(), before);
    EXPECT_NE(batch->sourceImage(), nullptr);
    batch->setBackground((dir / "missing.png").string());
    EXPECT_EQ(batch->sourceImage(), nullptr);
    EXPECT_EQ(batch->imageName(), "missing.png");
    std::filesystem::remove_all(dir);
}
