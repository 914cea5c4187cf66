// Edge picking in the parent's plane.
#include "SceneTestSupport.h"
#include "scene/ContainerEntity.h"
#include "scene/EdgeEntity.h"

namespace {

class EdgePickTest : public ::testing::Test {
protected:
    NodeEntity a{CoordinateFrame(Vector3(0, 0, 0)),
                 "a",
                 0,
                 Vector3(0.01f, 0.01f, 0.01f),
                 Color4(1, 1, 1, 1),
                 false};
    NodeEntity b{CoordinateFrame(Vector3(1, 0, 0)),
                 "b",
                 0,
                 Vector3(0.01f, 0.01f, 0.01f),
                 Color4(1, 1, 1, 1),
                 false};
    EdgeEntity edge{&a, &b, 2, 0.5f, 0.5f, 0.5f, 1.0f, 3.0};
};

TEST_F(EdgePickTest, PicksWithinTheFixedDistanceOfTheSegment) {
    EXPECT_EQ(edge.pick(downRay(0.5f, 0.049f)), &edge);
    EXPECT_EQ(edge.pick(downRay(0.5f, -0.049f)), &edge);
    EXPECT_EQ(edge.pick(downRay(0.5f, 0.05f)), nullptr);
    // Beyond an end the distance is to that end, not to the line.
    EXPECT_EQ(edge.pick(downRay(1.04f, 0)), &edge);
    EXPECT_EQ(edge.pick(downRay(1.04f, 0.04f)), nullptr);

    EdgeEntity loop(&a, &a, 0, 1, 1, 1, 1, 1);
    EXPECT_EQ(loop.pick(downRay(0.03f, 0.03f)), &loop);
    EXPECT_EQ(loop.pick(downRay(0.04f, 0.04f)), nullptr);
}

TEST_F(EdgePickTest, MissesFromBehindWhenHiddenAndWithoutNodes) {
    EXPECT_EQ(edge.pick(upRay(0.5f, 0)), nullptr);
    edge.hidden = true;
    EXPECT_EQ(edge.pick(downRay(0.5f, 0)), nullptr);
    EdgeEntity dangling(&a, nullptr, 0, 1, 1, 1, 1, 1);
    EXPECT_EQ(dangling.pick(downRay(0, 0)), nullptr);
}

TEST_F(EdgePickTest, UsesThePlaneOfItsParent) {
    // A parent turned half around y faces -z: only rays from below hit its plane.
    ContainerEntity panel(
        CoordinateFrame(Matrix3::fromEulerAnglesXYZ(0, 3.14159265f, 0), Vector3(0, 0, 0)), "panel",
        Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    panel.addChild(&edge);
    EXPECT_EQ(edge.pick(downRay(0.5f, 0)), nullptr);
    EXPECT_EQ(edge.pick(upRay(0.5f, 0.03f)), &edge);
}

TEST_F(EdgePickTest, ScaleChangesOnlyTheWidthAndOffsetsMoveEnds) {
    edge.scale(2);
    EXPECT_DOUBLE_EQ(edge.width, 6.0);
    EXPECT_EQ(edge.color, Color4(0.5f, 0.5f, 0.5f, 1));
    edge.offsetB = CoordinateFrame(Vector3(0, 0, -0.5f));
    b.setLocalFrame(CoordinateFrame(Vector3(2, 1, 0.5f)));
    EXPECT_VEC3_NEAR(edge.endPointB(), Vector3(2, 1, 0), 1e-6);
}

}  // namespace
