// The entity tree: depth-ordered insertion (gathered and merged, checked
// against one insertion after the other), removal, and frames that follow the
// parent.
#include <algorithm>
#include <limits>
#include <memory>
#include <random>

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

// One insertion after the other, as the order is defined: in front, latest
// first; by depth, before the first child whose depth is not less.
struct ReferenceList {
    Array<Entity*> items;
    std::size_t front = 0;
    void byDepth(Entity* child) {
        if (std::find(items.begin(), items.end(), child) != items.end()) {
            return;
        }
        const float z = child->getGlobalFrame().translation.z;
        auto at =
            std::find_if(items.begin() + static_cast<std::ptrdiff_t>(front), items.end(),
                         [z](const Entity* e) { return !(e->getGlobalFrame().translation.z < z); });
        items.insert(at, child);
    }
    void inFront(Entity* child) {
        if (std::find(items.begin(), items.end(), child) != items.end()) {
            return;
        }
        items.insert(items.begin(), child);
        ++front;
    }
};

TEST(EntityTree, GatheredInsertionsEqualOneAfterTheOther) {
    // Few distinct depths (many ties), some NaN, entities added twice, children
    // put in front, and reads at random moments between the insertions.
    std::mt19937 rng(7);
    const float depths[] = {0.0f, 0.001f, 0.1f, -0.2f, std::numeric_limits<float>::quiet_NaN()};
    for (int round = 0; round < 40; ++round) {
        const bool withNaN = round % 4 == 3;
        Entity root;
        root.setLocalFrame(CoordinateFrame(Vector3(0, 0, round % 2 == 0 ? 0.0f : 0.5f)));
        ReferenceList reference;
        Array<std::unique_ptr<Probe>> made;
        for (int step = 0; step < 300; ++step) {
            const int choice = static_cast<int>(rng() % 10);
            if (choice < 6 || made.empty()) {
                const float z = depths[rng() % (withNaN ? 5 : 4)];
                made.push_back(std::make_unique<Probe>(z));
                root.addChild(made.back().get());
                reference.byDepth(made.back().get());
            } else if (choice < 8) {
                made.push_back(std::make_unique<Probe>(depths[rng() % 4]));
                root.putChildInFront(made.back().get());
                reference.inFront(made.back().get());
            } else if (choice == 8) {
                Entity* again = made[rng() % made.size()].get();
                root.addChild(again);
                reference.byDepth(again);
            } else {
                ASSERT_EQ(root.getChildren(), reference.items) << "round " << round;
            }
        }
        ASSERT_EQ(root.getChildren(), reference.items) << "round " << round;
        for (const auto& child : made) {
            EXPECT_TRUE(root.hasChild(child.get()));
        }
    }
}

TEST(EntityTree, ParentLinksAndDirectEditsOfTheList) {
    Entity root;
    Probe a(0.1f), b(0.2f), edge(0.0f), late(0.0f);
    root.addChild(&b);
    root.addChild(&a);
    root.putChildInFront(&edge);
    // In front stays in front: a later child of the same depth goes after it.
    root.addChild(&late);
    EXPECT_EQ(root.getChildren(), (Array<Entity*>{&edge, &late, &a, &b}));
    EXPECT_EQ(a.getParent(), &root);
    EXPECT_EQ(late.getParent(), &root);
    EXPECT_EQ(edge.getParent(), nullptr);

    root.removeChild(&edge);
    root.removeChild(&late);
    EXPECT_FALSE(root.hasChild(&late));
    root.addChild(&late);
    EXPECT_EQ(root.getChildren(), (Array<Entity*>{&late, &a, &b}));

    // An owner's own order is kept, and later insertions go by depth into it.
    root.childList() = Array<Entity*>{&b, &a};
    Probe middle(0.15f);
    root.addChild(&middle);
    EXPECT_EQ(root.getChildren(), (Array<Entity*>{&middle, &b, &a}));
    root.childList().clear();
    EXPECT_TRUE(root.getChildren().empty());
    EXPECT_FALSE(root.hasChild(&a));
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
