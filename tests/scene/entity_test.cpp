// The entity tree: depth-ordered insertion, removal, and frames that follow
// the parent.
#include <limits>

#include "SceneTestSupport.h"
#include "scene/Entity.h"

namespace {

class Probe : public Entity {
public:
    explicit Probe(float z, int* destroyed = nullptr) : destroyed(destroyed) {
        setLocalFrame(CoordinateFrame(Vector3(0, 0, z)));
    }
    ~Probe() override {
        if (destroyed != nullptr) {
            ++*destroyed;
        }
    }
    int* destroyed;
};

TEST(EntityTree, ChildrenSortedByGlobalZAtInsertion) {
    Entity root;
    Probe a(0.5f), b(0.1f), c(0.3f), equal(0.3f);
    root.addChild(nullptr);
    root.addChild(&a);
    root.addChild(&a);
    root.addChild(&b);
    root.addChild(&c);
    root.addChild(&equal);
    EXPECT_EQ(root.getChildren(), (Array<Entity*>{&b, &equal, &c, &a}));
    EXPECT_EQ(a.getParent(), &root);

    // The global z counts: a lifted parent lifts its new children.
    Entity lifted;
    lifted.setLocalFrame(CoordinateFrame(Vector3(0, 0, 1)));
    Probe low(-0.5f), high(0.2f);
    lifted.addChild(&high);
    lifted.addChild(&low);
    EXPECT_EQ(lifted.getChildren().front(), &low);

    // A later move does not re-sort.
    a.setLocalFrame(CoordinateFrame(Vector3(0, 0, -5)));
    EXPECT_EQ(root.getChildren().back(), &a);
}

TEST(EntityTree, NaNDepthStopsTheSearch) {
    Entity root;
    Probe a(0.1f), b(0.5f), n(std::numeric_limits<float>::quiet_NaN()), late(0.3f);
    root.addChild(&a);
    root.addChild(&b);
    root.addChild(&n);
    root.addChild(&late);
    EXPECT_EQ(root.getChildren(), (Array<Entity*>{&late, &n, &a, &b}));
}

TEST(EntityTree, RemovingOrDestroyingNeverDestroysChildren) {
    int destroyed = 0;
    Probe a(0, &destroyed), b(0, &destroyed);
    {
        Entity root;
        root.addChild(&a);
        root.addChild(&b);
        root.childList().push_back(&a);
        root.removeChild(&a);
        EXPECT_EQ(root.getChildren(), (Array<Entity*>{&b}));
        EXPECT_EQ(a.getParent(), &root);
    }
    EXPECT_EQ(destroyed, 0);
}

TEST(EntityTree, FramesFollowTheParent) {
    Entity root, child, grandchild;
    const CoordinateFrame rootFrame(Matrix3::fromEulerAnglesXYZ(0, 0, 0.7f), Vector3(1, 2, 3));
    root.setLocalFrame(rootFrame);
    EXPECT_EQ(root.getGlobalFrame(), rootFrame);

    root.addChild(&child);
    child.addChild(&grandchild);
    const CoordinateFrame wanted(Matrix3::fromEulerAnglesXYZ(0.1f, 0.2f, 0.3f), Vector3(-1, 4, 0));
    child.setGlobalFrame(wanted);
    grandchild.setLocalFrame(CoordinateFrame(Vector3(1, 0, 0)));
    EXPECT_VEC3_NEAR(child.getGlobalFrame().translation, wanted.translation, 1e-5);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(child.getGlobalFrame().rotation.m[r][c], wanted.rotation.m[r][c], 1e-5);
        }
    }

    // Moving the root carries both descendants; their local frames stay.
    const CoordinateFrame childLocal = child.getLocalFrame();
    const CoordinateFrame grandLocal = grandchild.getLocalFrame();
    root.setLocalFrame(CoordinateFrame(Vector3(10, 0, 0)));
    EXPECT_EQ(child.getLocalFrame(), childLocal);
    EXPECT_EQ(grandchild.getLocalFrame(), grandLocal);
    const CoordinateFrame expectedChild = root.getGlobalFrame() * childLocal;
    EXPECT_VEC3_NEAR(child.getGlobalFrame().translation, expectedChild.translation, 1e-5);
    EXPECT_VEC3_NEAR(grandchild.getGlobalFrame().translation,
                     (expectedChild * grandLocal).translation, 1e-5);
}

}  // namespace
