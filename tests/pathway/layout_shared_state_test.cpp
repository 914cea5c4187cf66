// What the layout thread reads - the node and edge lists, the id tables, the
// anchors, the control points and the forces - is written only by operations
// that wait for the layout mutex, so a pass holding it never sees a half-made
// list, a half-written table or a torn set of forces.
#include <gtest/gtest.h>

#include "engine/Ray.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "support/LayoutHeldOff.h"

namespace {

TEST(LayoutSharedState, WritesWaitForTheLayoutMutex) {
    PathwayLayoutEntity p(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    NodeEntity* a = nullptr;
    NodeEntity* b = nullptr;
    EdgeEntity* edge = nullptr;
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.reserveNodes(8); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.reserveEdges(8); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(
        p, [&] { a = p.createNode(CoordinateFrame(Vector3(0.2f, -0.2f, 0)), "A", false); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(
        p, [&] { b = p.createNode(CoordinateFrame(Vector3(0.4f, -0.2f, 0)), "B", false); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { edge = p.createEdge(a, b, false); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.registerNode("a", a); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.registerNode("b", b); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.registerEdge("a", "b", edge); }));
    LayoutForces forces;
    forces.springForce = 3;
    forces.cellSize = 0.5;
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.setLayoutForces(forces); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] {
        p.setInitialPositions({Vector3(0.5f, -0.5f, 0), Vector3(0.6f, -0.5f, 0)});
    }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.addControlPoint(Vector3(0.5f, -0.9f, 0)); }));

    EXPECT_EQ(p.getNode("a"), a);
    EXPECT_EQ(p.nodeTable().size(), 2u);
    EXPECT_EQ(p.findEdge("b", "a"), edge);
    EXPECT_EQ(p.layoutForces().springForce, 3);
    EXPECT_EQ(p.layoutForces().cellSize, 0.5);
    EXPECT_EQ(p.layoutForces().edgeLength, LayoutForces{}.edgeLength);
    ASSERT_EQ(p.nodes().size(), 2u);
    EXPECT_EQ(p.edges().size(), 1u);
    EXPECT_EQ(p.initialPositions().size(), 2u);
    ASSERT_EQ(p.controlPoints().size(), 1u);
    EXPECT_EQ(p.controlPoints()[0], Vector3(0.5f, -0.9f, 0));

    // A press or release reaches the proteins, whose frames the layout moves.
    const Ray down = Ray::fromOriginAndDirection(Vector3(0.2f, -0.2f, 5), Vector3(0, 0, -1));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.mousePress(down, 0); }));
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.mouseRelease(down, 0); }));

    ImageProcessorSelection region(0, 0, 4, 4, false);
    p.nodeSelections()["a"] = &region;
    p.edgeSelections()["a-b"] = &region;
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.forgetSelection(&region); }));
    EXPECT_TRUE(p.nodeSelections().empty());
    EXPECT_TRUE(p.edgeSelections().empty());

    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.removeEdge(edge); }));
    EXPECT_TRUE(p.edges().empty());
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.removeNode(b); }));
    ASSERT_EQ(p.nodes().size(), 1u);
    EXPECT_EQ(p.initialPositions().size(), 1u) << "anchors follow the node list";
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.forgetIds(); }));
    EXPECT_TRUE(p.nodeTable().empty());
    EXPECT_TRUE(waitsForTheLayoutMutex(p, [&] { p.dropEntities(); }));
    EXPECT_TRUE(p.nodes().empty());
    EXPECT_TRUE(p.initialPositions().empty());
    EXPECT_TRUE(p.getChildren().empty());
    EXPECT_EQ(p.controlPoints().size(), 1u) << "control points belong to the file, not the network";
}

}  // namespace
