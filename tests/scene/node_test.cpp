// Node rebuilding: label fitting, texture choice, corners, picking, pressing
// and scaling.
#include <numbers>

#include "SceneTestSupport.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "scene/NodeEntity.h"

namespace {

NodeEntity makeNode(const std::string& name, Vector3 size = Vector3(0.2f, 0.1f, 0.01f)) {
    return NodeEntity(CoordinateFrame(), name, 0, size, Color4(0.2f, 0.4f, 0.6f, 1), false);
}

TEST(FitLabel, CutsToTheLongestPrefixNarrowerThanTheWidth) {
    auto font = fixedAdvanceFont(0.5f);  // 0.05 per character at size 0.1
    EXPECT_EQ(NodeEntity::fitLabel("ABCDEFG", 0.1, 0.2, font.get()), "ABC_");
    EXPECT_EQ(NodeEntity::fitLabel("ABC", 0.1, 0.2, font.get()), "ABC");
    // Exactly as wide as the node is not narrower.
    EXPECT_EQ(NodeEntity::fitLabel("ABCD", 0.1, 0.2, font.get()), "ABC_");
    EXPECT_EQ(NodeEntity::fitLabel("W", 0.1, 0.01, font.get()), "W");
    EXPECT_EQ(NodeEntity::fitLabel("WW", 0.1, 0.01, font.get()), "");
    EXPECT_EQ(NodeEntity::fitLabel("ABCDEFG", 0.1, 0.2, nullptr), "ABCDEFG");
    // A two-byte character is dropped whole.
    EXPECT_EQ(NodeEntity::fitLabel("AB\xC3\xA9", 0.1, 0.15, font.get()), "AB_");
}

// A name of megabytes is cut where it stops fitting without being measured
// whole, and no label lays out more than the bound, however wide the node.
TEST(FitLabel, LongNamesCostTheirFitAndStayBounded) {
    auto font = fixedAdvanceFont(0.5f);
    const std::string huge(4'000'000, 'A');
    EXPECT_EQ(NodeEntity::fitLabel(huge, 0.1, 0.2, font.get()), "AAA_");
    const std::string cut = NodeEntity::fitLabel(huge, 0.1, 1e9, font.get());
    EXPECT_EQ(cut, std::string(NodeEntity::LONGEST_LABEL, 'A') + "_");
    std::string wide;
    for (int i = 0; i < 1000; ++i) {
        wide += "\xC3\xA9";
    }
    EXPECT_EQ(NodeEntity::fitLabel(wide, 0.1, 1e9, font.get()).size(),
              NodeEntity::LONGEST_LABEL + 1);

    NodeEntity node = makeNode(huge);
    node.fullLabel = true;
    node.setFont(font);
    EXPECT_EQ(node.getLabelText(), cut);
}

TEST(NodeLabel, FittedUnlessFullLabelAndCentredOnTheNode) {
    NodeEntity node = makeNode("ABCDEFG");
    EXPECT_DOUBLE_EQ(node.getLabelSize(), 0.05f);
    node.setLabelSize(0.1);
    node.setFont(fixedAdvanceFont(0.5f));
    EXPECT_EQ(node.getLabelText(), "ABC_");
    // Width 4 * 0.05 = 0.2, height 1.5 * 0.1: top-left corner at (-0.1, 0.075).
    EXPECT_VEC3_NEAR(node.getLabelFrame().translation, Vector3(-0.1f, 0.075f, 0), 1e-6);
    node.fullLabel = true;
    node.update();
    EXPECT_EQ(node.getLabelText(), "ABCDEFG");
    // Every input of the fitting counts: width, label size and name.
    node.fullLabel = false;
    node.setSize(0.1f, 0.1f, 0.01f);
    EXPECT_EQ(node.getLabelText(), "A_");
    node.setLabelSize(0.02);
    EXPECT_EQ(node.getLabelText(), "ABCDEFG");
    node.setName("XYZXYZXYZXYZ");
    EXPECT_EQ(node.getLabelText(), "XYZXYZXYZ_");
}

TEST(NodeTexture, CacheMissKeepsTheOldTextureAndExplicitTextureTintsWhite) {
    auto tex = Texture::fromImage("scene-test-glow", Image(2, 2, 4));
    textureCache["scene-test-glow"] = tex;
    NodeEntity node = makeNode("n");
    node.shapeName = "scene-test-glow";
    node.update();
    EXPECT_EQ(node.getDrawTexture(), tex);
    node.shapeName = "scene-test-absent";
    node.update();
    EXPECT_EQ(node.getDrawTexture(), tex);
    EXPECT_EQ(node.getDrawColor(), Color4(0.2f, 0.4f, 0.6f, 1));
    EXPECT_FALSE(node.isTextured());

    auto own = Texture::fromImage("own", Image(1, 1, 3));
    node.setTexture(own);
    EXPECT_EQ(node.getDrawTexture(), own);
    EXPECT_EQ(node.getDrawColor(), Color4(1, 1, 1, 1));
    EXPECT_TRUE(node.isTextured());
    textureCache.erase("scene-test-glow");
}

TEST(NodeGeometry, CornersFollowTheNodeAndItsParent) {
    NodeEntity parent = makeNode("p", Vector3(1, 1, 1));
    NodeEntity node = makeNode("n", Vector3(0.2f, 0.1f, 0));
    parent.addChild(&node);
    node.setLocalFrame(CoordinateFrame(Vector3(1, 0, 0)));
    EXPECT_VEC3_NEAR(node.topLeft(), Vector3(0.9f, 0.05f, 0), 1e-6);
    parent.setLocalFrame(CoordinateFrame(Vector3(0, 2, 0)));
    EXPECT_VEC3_NEAR(node.bottomRight(), Vector3(1.1f, 1.95f, 0), 1e-6);
}

TEST(NodePick, RotatedNodeUsesTheBoxOfItsTwoCorners) {
    const float eighth = std::numbers::pi_v<float> / 4;
    NodeEntity node(CoordinateFrame(Matrix3::fromEulerAnglesXYZ(0, 0, eighth), Vector3()), "r", 0,
                    Vector3(1, 0.2f, 0.01f), Color4(1, 1, 1, 1), false);
    // The images of (-0.5, -0.1) and (0.5, 0.1) span x in +-0.283, y in +-0.424.
    EXPECT_EQ(node.pick(downRay(0.25f, 0)), &node);
    EXPECT_EQ(node.pick(downRay(0, 0.4f)), &node);
    EXPECT_EQ(node.pick(downRay(0.3f, 0)), nullptr);
    // A point inside the rotated rectangle but outside that box is missed.
    EXPECT_EQ(node.pick(downRay(0.4f, 0.3f)), nullptr);
}

TEST(NodePick, ChildrenAnswerAndPressMarksOnlyTheHitNode) {
    NodeEntity parent = makeNode("p", Vector3(0.1f, 0.1f, 0.01f));
    NodeEntity child = makeNode("c", Vector3(0.1f, 0.1f, 0.01f));
    parent.addChild(&child);
    child.setLocalFrame(CoordinateFrame(Vector3(1, 0, 0)));
    EXPECT_EQ(parent.pick(downRay(1, 0)), &child);
    EXPECT_EQ(parent.pick(downRay(3, 0)), nullptr);
    EXPECT_EQ(parent.pick(downRay(0, 0, -1)), nullptr);  // behind the ray

    // The parent's own pick answers the child, so only the child is pressed.
    EXPECT_FALSE(parent.mousePress(downRay(1, 0), 0));
    EXPECT_TRUE(child.pressed);
    EXPECT_FALSE(parent.pressed);
    EXPECT_TRUE(parent.mousePress(downRay(0, 0), 0));
    EXPECT_TRUE(parent.mouseRelease(downRay(0, 0), 0));
    EXPECT_FALSE(parent.pressed || child.pressed);
}

using NodeTree = ManualClockTest;

TEST_F(NodeTree, ScaleFontAndActivitiesReachEveryDescendant) {
    NodeEntity parent = makeNode("p", Vector3(0.2f, 0.1f, 0.01f));
    NodeEntity child = makeNode("c", Vector3(0.4f, 0.2f, 0.02f));
    NodeEntity grandchild = makeNode("g", Vector3(1, 1, 1));
    parent.addChild(&child);
    child.addChild(&grandchild);
    parent.scale(2);
    EXPECT_EQ(parent.getSize(), Vector3(0.4f, 0.2f, 0.02f));
    EXPECT_DOUBLE_EQ(parent.getLabelSize(), 2 * 0.05f);
    EXPECT_EQ(child.getSize(), Vector3(0.8f, 0.4f, 0.04f));
    EXPECT_DOUBLE_EQ(grandchild.getLabelSize(), 1.0);

    auto font = fixedAdvanceFont();
    parent.setFont(font);
    EXPECT_EQ(grandchild.getFont(), font);

    EXPECT_FALSE(parent.updateActivities());
    grandchild.animateScale(2, 1);
    EXPECT_TRUE(parent.updateActivities());
    now += 2;
    EXPECT_TRUE(parent.updateActivities());
    EXPECT_NEAR(grandchild.getSize().x, 4, 1e-6);
    EXPECT_FALSE(parent.updateActivities());
}

}  // namespace
