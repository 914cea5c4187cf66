// Frame changes rebuild a node's content only when its inputs changed, yet
// stay exact when size, name or texture inputs changed behind the setters'
// backs; corners and label frame always follow the current frame and size.
#include <gtest/gtest.h>

#include "SceneTestSupport.h"
#include "engine/Matrix3.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "scene/NodeEntity.h"

namespace {

CoordinateFrame at(float x, float y, float z) {
    return CoordinateFrame(Vector3(x, y, z));
}

TEST(FrameUpdate, MovesAfterScaleOrDirectWritesUseCurrentInputs) {
    // Both ways of moving: the full frame change and the layout's move within
    // the parent, which compares fewer of the inputs.
    for (bool layoutMove : {false, true}) {
        SCOPED_TRACE(layoutMove ? "moveInParent" : "setLocalFrame");
        NodeEntity parent(at(0, 0, 0), "P", 0, Vector3(10, 10, 0), Color4(1, 1, 1, 1), true);
        NodeEntity node(at(0, 0, 0), "ABCDEF", 0, Vector3(2, 1, 0), Color4(1, 0, 0, 1), true);
        parent.addChild(&node);
        auto move = [&](float x, float y, float z) {
            if (layoutMove) {
                node.moveInParent(Vector3(x, y, z));
            } else {
                node.setLocalFrame(at(x, y, z));
            }
        };
        auto font = fixedAdvanceFont(0.5f);
        node.setFont(font);
        move(1, 0, 0);
        EXPECT_FLOAT_EQ(node.topRight().x, 2.0f);

        // scale does not rebuild; the next move must see the new width and
        // centre the label at its new size.
        node.scale(2.0);
        move(1, 0, 0);
        EXPECT_FLOAT_EQ(node.topRight().x, 3.0f);
        EXPECT_FLOAT_EQ(node.topLeft().x, -1.0f);
        EXPECT_FLOAT_EQ(node.getLabelFrame().translation.x,
                        1 - font->bounds(node.getLabelText(), node.getLabelSize()).x / 2);

        // A shape name written directly is picked up by the next frame operation.
        auto texture = std::make_shared<Texture>("frame-update-test", Image());
        textureCache["frame-update-test"] = texture;
        node.shapeName = "frame-update-test";
        move(0, 0, 0);
        EXPECT_EQ(node.getDrawTexture(), texture);
        textureCache.erase("frame-update-test");

        node.fullLabel = true;
        node.setName("XYZ");
        move(0, 0, 5);
        EXPECT_EQ(node.getLabelText(), "XYZ");
    }
}

TEST(FrameUpdate, MoveInParentMatchesTheFullFrameChange) {
    // Under a turned and under an unturned parent, for a node that is turned
    // itself (which the move undoes, as setLocalFrame with an unturned frame
    // would), for one that was just taken out of its parent, and with a
    // child that must follow.
    const Matrix3 turn = Matrix3::fromEulerAnglesXYZ(0.3f, -0.2f, 1.1f);
    for (const Matrix3& parentTurn : {Matrix3(), turn}) {
        for (bool turnedNode : {false, true}) {
            for (bool detached : {false, true}) {
                NodeEntity parent(CoordinateFrame(parentTurn, Vector3(1, 2, 3)), "P", 0,
                                  Vector3(4, 4, 0), Color4(1, 1, 1, 1), true);
                NodeEntity moved(at(0.5f, 0.5f, 0), "M", 0, Vector3(0.2f, 0.1f, 0),
                                 Color4(1, 0, 0, 1), true);
                NodeEntity twin(at(0.5f, 0.5f, 0), "M", 0, Vector3(0.2f, 0.1f, 0),
                                Color4(1, 0, 0, 1), true);
                NodeEntity child(at(0.1f, 0, 0), "C", 0, Vector3(0.1f, 0.1f, 0), Color4(1, 0, 0, 1),
                                 true);
                NodeEntity twinChild(at(0.1f, 0, 0), "C", 0, Vector3(0.1f, 0.1f, 0),
                                     Color4(1, 0, 0, 1), true);
                for (NodeEntity* n : {&moved, &twin}) {
                    parent.addChild(n);
                    if (turnedNode) {
                        n->setLocalFrame(CoordinateFrame(turn, Vector3(0.5f, 0.5f, 0)));
                    }
                    if (detached) {
                        parent.removeChild(n);
                        n->setParent(nullptr);
                    }
                }
                moved.addChild(&child);
                twin.addChild(&twinChild);

                moved.moveInParent(Vector3(0.25f, -0.75f, 0.125f));
                twin.setLocalFrame(CoordinateFrame(Vector3(0.25f, -0.75f, 0.125f)));
                EXPECT_EQ(moved.getLocalFrame(), twin.getLocalFrame());
                EXPECT_EQ(moved.getGlobalFrame(), twin.getGlobalFrame());
                EXPECT_EQ(moved.topLeft(), twin.topLeft());
                EXPECT_EQ(moved.bottomRight(), twin.bottomRight());
                EXPECT_EQ(moved.getLabelFrame(), twin.getLabelFrame());
                EXPECT_EQ(child.getGlobalFrame(), twinChild.getGlobalFrame());
            }
        }
    }
}

TEST(FrameUpdate, AddChildKeepsOrderAndFramesOfManyChildren) {
    NodeEntity parent(at(0, 0, 1), "P", 0, Vector3(1, 1, 0), Color4(0, 0, 0, 1), true);
    std::vector<std::unique_ptr<NodeEntity>> kids;
    for (int i = 0; i < 200; ++i) {
        const float z = static_cast<float>((i * 37) % 200);
        kids.push_back(std::make_unique<NodeEntity>(at(0, 0, z), "c", 0, Vector3(1, 1, 0),
                                                    Color4(0, 0, 0, 1), true));
        parent.addChild(kids.back().get());
    }
    const auto& children = parent.getChildren();
    ASSERT_EQ(children.size(), 200u);
    for (std::size_t i = 1; i < children.size(); ++i) {
        EXPECT_LE(children[i - 1]->getGlobalFrame().translation.z,
                  children[i]->getGlobalFrame().translation.z);
    }
    for (const auto& kid : kids) {
        EXPECT_FLOAT_EQ(kid->getGlobalFrame().translation.z,
                        kid->getLocalFrame().translation.z + 1.0f);
        EXPECT_FLOAT_EQ(kid->topLeft().z, kid->getGlobalFrame().translation.z);
    }
    // A moved parent still carries every child and its geometry.
    parent.setLocalFrame(at(3, 0, 0));
    for (const auto& kid : kids) {
        EXPECT_FLOAT_EQ(kid->getGlobalFrame().translation.x, 3.0f);
        EXPECT_FLOAT_EQ(kid->topRight().x, 3.5f);
    }
}

}  // namespace
