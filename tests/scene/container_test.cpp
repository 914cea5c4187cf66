// Container picking with its trace, title-strip presses, dragging children
// inside the allowed area, and scaling about the content centre.
#include "SceneTestSupport.h"
#include "scene/ContainerEntity.h"
#include "scene/EdgeEntity.h"

namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

class ContainerTest : public ::testing::Test {
protected:
    ContainerTest() {
        panel.addChild(&item);
        item.setLocalFrame(CoordinateFrame(Vector3(0.5f, -0.5f, 0)));
        item.draggable = true;
    }

    ContainerEntity panel{CoordinateFrame(), "panel", Vector3(1, 1, 0.01f),
                          Color4(0.5f, 0.6f, 0.7f, 1)};
    NodeEntity item{CoordinateFrame(),  "item", 0, Vector3(0.1f, 0.1f, 0.01f),
                    Color4(1, 0, 0, 1), false};
};

TEST_F(ContainerTest, EveryPickPrintsOneTraceLine) {
    CaptureStdout();
    EXPECT_EQ(panel.pick(downRay(0.5f, -0.5f)), &panel);
    EXPECT_EQ(panel.pick(downRay(5, 5)), nullptr);
    EXPECT_EQ(GetCapturedStdout(),
              "position = (0, 0, 0), vsize = (1, -1, 0.001) , time = 9.999000\n"
              "position = (0, 0, 0), vsize = (1, -1, 0.001) , time = inf\n");
}

TEST_F(ContainerTest, TitleStripPressTakesTheContainer) {
    CaptureStdout();
    EXPECT_FALSE(panel.mousePress(downRay(0.5f, -0.05f), 0));
    EXPECT_TRUE(panel.pressed);
    EXPECT_FALSE(panel.rayEvent(downRay(0.5f, -0.05f), 0));
    // A press on the body goes to the child under it.
    panel.pressed = false;
    EXPECT_TRUE(panel.mousePress(downRay(0.5f, -0.5f), 0));
    EXPECT_TRUE(item.pressed);
    EXPECT_FALSE(panel.pressed);

    // Without a title the same press goes to the child under it.
    NodeEntity top(CoordinateFrame(), "top", 0, Vector3(0.1f, 0.1f, 0.01f), Color4(1, 0, 0, 1),
                   false);
    panel.addChild(&top);
    top.setLocalFrame(CoordinateFrame(Vector3(0.5f, -0.05f, 0)));
    panel.pressed = false;
    panel.titled = false;
    EXPECT_TRUE(panel.mousePress(downRay(0.5f, -0.05f), 0));
    EXPECT_FALSE(panel.pressed);
    EXPECT_TRUE(top.pressed);
    EXPECT_TRUE(panel.mouseRelease(downRay(0, 0), 0));
    EXPECT_FALSE(top.pressed);
    GetCapturedStdout();
}

TEST_F(ContainerTest, DraggedChildMovesAndJumpsBackOutsideTheArea) {
    item.pressed = true;
    CaptureStdout();
    EXPECT_TRUE(panel.drag(downRay(0.5f, -0.5f), downRay(0.6f, -0.4f)));
    EXPECT_EQ(GetCapturedStdout(), "here1\nhere2\n");
    EXPECT_VEC3_NEAR(item.getLocalFrame().translation, Vector3(0.6f, -0.4f, 0), 1e-6);

    CaptureStdout();
    EXPECT_TRUE(panel.drag(downRay(0.5f, -0.5f), downRay(1.5f, -0.5f)));
    EXPECT_EQ(GetCapturedStdout(), "here1\nhere2\ndragged out of allowed area\n");
    EXPECT_VEC3_NEAR(item.getLocalFrame().translation, Vector3(0.6f, -0.4f, 0), 1e-6);

    // With the body hidden any position is kept.
    panel.bodyHidden = true;
    CaptureStdout();
    EXPECT_TRUE(panel.drag(downRay(0.5f, -0.5f), downRay(1.5f, -0.5f)));
    GetCapturedStdout();
    EXPECT_VEC3_NEAR(item.getLocalFrame().translation, Vector3(1.6f, -0.4f, 0), 1e-6);
}

TEST_F(ContainerTest, OnlyPressedMovableDraggableNodesAreDragged) {
    EdgeEntity edge(&item, &item, 0, 1, 1, 1, 1, 1);
    panel.addChild(&edge);
    edge.pressed = true;
    CaptureStdout();
    EXPECT_FALSE(panel.drag(downRay(0.5f, -0.5f), downRay(0.6f, -0.5f)));
    item.pressed = true;
    item.movable = false;
    EXPECT_FALSE(panel.drag(downRay(0.5f, -0.5f), downRay(0.6f, -0.5f)));
    item.movable = true;
    item.draggable = false;
    EXPECT_FALSE(panel.drag(downRay(0.5f, -0.5f), downRay(0.6f, -0.5f)));
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_VEC3_NEAR(item.getLocalFrame().translation, Vector3(0.5f, -0.5f, 0), 1e-6);
}

TEST_F(ContainerTest, PressedRootMovesItselfInItsPlane) {
    panel.pressed = true;
    EXPECT_TRUE(panel.drag(downRay(0, 0), downRay(0.25f, -0.5f)));
    EXPECT_VEC3_NEAR(panel.getGlobalFrame().translation, Vector3(0.25f, -0.5f, 0), 1e-6);
    EXPECT_VEC3_NEAR(item.getGlobalFrame().translation, Vector3(0.75f, -1, 0), 1e-6);
    // A ray from behind the panel meets no plane.
    EXPECT_FALSE(panel.drag(upRay(0, 0), downRay(0.25f, -0.5f)));
}

TEST_F(ContainerTest, ScaleMovesChildrenFromTheContentCentre) {
    // Content centre of a titled 1 x 1 panel: (0.5, -0.555).
    item.setLocalFrame(CoordinateFrame(Vector3(0.2f, -0.3f, 0)));
    panel.scale(2);
    EXPECT_VEC3_NEAR(item.getLocalFrame().translation, Vector3(0.4f, -0.545f, 0), 1e-5);
    EXPECT_EQ(item.getSize(), Vector3(0.2f, 0.2f, 0.02f));
    EXPECT_EQ(panel.getSize(), Vector3(2, 2, 0.02f));
    EXPECT_DOUBLE_EQ(panel.getLabelSize(), 0.06);

    panel.titled = false;
    item.setLocalFrame(CoordinateFrame(Vector3(1, -1, 0)));
    panel.scale(0.5);
    EXPECT_VEC3_NEAR(item.getLocalFrame().translation, Vector3(0.5f, -0.5f, 0), 1e-6);
}

}  // namespace
