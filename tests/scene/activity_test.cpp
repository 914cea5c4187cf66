// The activity manager's stepping pass, progress against the clock, and the
// move and scale activities.
#include <cmath>
#include <numbers>

#include "SceneTestSupport.h"
#include "scene/Entity.h"
#include "scene/NodeEntity.h"

namespace {

// Counts its steps and its destruction; may add a follower from its first step.
class CountingActivity : public Activity {
public:
    CountingActivity(double duration, int* steps, int* destroyed,
                     ActivityManager* spawnInto = nullptr, double* progressSeen = nullptr)
        : Activity(duration),
          steps(steps),
          destroyed(destroyed),
          spawnInto(spawnInto),
          progressSeen(progressSeen) {}
    ~CountingActivity() override { ++*destroyed; }
    void update() override {
        Activity::update();
        ++*steps;
        if (progressSeen != nullptr) {
            *progressSeen = progress();
        }
        if (spawnInto != nullptr) {
            spawnInto->add(new CountingActivity(0, steps, destroyed));
            spawnInto = nullptr;
        }
    }

private:
    int* steps;
    int* destroyed;
    ActivityManager* spawnInto;
    double* progressSeen;
};

using ActivityTest = ManualClockTest;

TEST_F(ActivityTest, ManagerReportsWorkAndDeletesFinishedActivities) {
    ActivityManager manager;
    EXPECT_FALSE(manager.update());

    int steps = 0, destroyed = 0;
    manager.add(nullptr);
    EXPECT_EQ(manager.activityCount(), 0u);
    manager.add(new CountingActivity(1.0, &steps, &destroyed));
    EXPECT_TRUE(manager.update());
    EXPECT_EQ(destroyed, 0);
    now += 1.0;
    // Still true in the step in which the last activity finishes.
    EXPECT_TRUE(manager.update());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(steps, 2);
    EXPECT_FALSE(manager.update());
}

TEST_F(ActivityTest, ZeroDurationAppliesOnceWithFullProgress) {
    ActivityManager manager;
    int steps = 0, destroyed = 0;
    double seen = -1;
    manager.add(new CountingActivity(0, &steps, &destroyed, nullptr, &seen));
    manager.update();
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(seen, 1.0);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(manager.activityCount(), 0u);
}

TEST_F(ActivityTest, ActivityAddedDuringPassRunsInSamePass) {
    ActivityManager manager;
    int steps = 0, destroyed = 0;
    manager.add(new CountingActivity(5.0, &steps, &destroyed, &manager));
    manager.update();
    // The first stepped once, the one it added stepped once and finished.
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(manager.activityCount(), 1u);
}

TEST_F(ActivityTest, DestroyedManagerDeletesWhatIsLeft) {
    int steps = 0, destroyed = 0;
    {
        ActivityManager manager;
        manager.add(new CountingActivity(5.0, &steps, &destroyed));
        manager.add(new CountingActivity(5.0, &steps, &destroyed));
    }
    EXPECT_EQ(destroyed, 2);
}

TEST_F(ActivityTest, ProgressIsClampedAndFollowsTheClock) {
    Activity activity(2.0);
    EXPECT_EQ(activity.progress(), 0.0);
    now += 0.5;
    EXPECT_DOUBLE_EQ(activity.progress(), 0.25);
    now -= 10.0;  // a clock source that jumps back must not give a negative progress
    EXPECT_EQ(activity.progress(), 0.0);
    now += 100.0;
    EXPECT_EQ(activity.progress(), 1.0);
    Activity empty(-1.0);
    EXPECT_EQ(empty.progress(), 1.0);
    empty.update();
    EXPECT_TRUE(empty.isDone());
}

TEST_F(ActivityTest, MoveInterpolatesAndLaterMoveWins) {
    Entity entity;
    entity.setLocalFrame(CoordinateFrame());
    entity.moveLocal(CoordinateFrame(Vector3(2, 0, 0)), 1.0);
    now += 0.5;
    entity.ActivityManager::update();
    EXPECT_VEC3_NEAR(entity.getLocalFrame().translation, Vector3(1, 0, 0), 1e-6);

    entity.moveLocal(CoordinateFrame(Vector3(0, 4, 0)), 1.0);
    now += 0.5;
    entity.ActivityManager::update();
    // The first move ends at (2, 0, 0); the second, from (1, 0, 0) and stepped
    // after it, overrides that with its own halfway frame.
    EXPECT_VEC3_NEAR(entity.getLocalFrame().translation, Vector3(0.5f, 2, 0), 1e-6);
    now += 1.0;
    entity.ActivityManager::update();
    EXPECT_EQ(entity.getLocalFrame().translation, Vector3(0, 4, 0));
    EXPECT_EQ(entity.activityCount(), 0u);
}

TEST_F(ActivityTest, GlobalMoveOfChildLandsOnWorldTarget) {
    Entity parent, child;
    parent.setLocalFrame(CoordinateFrame(Vector3(1, 1, 0)));
    parent.addChild(&child);
    const CoordinateFrame target(Matrix3::fromEulerAnglesXYZ(0, 0, 0.5f), Vector3(3, 1, 0));
    child.moveGlobal(target, 0);
    child.ActivityManager::update();
    EXPECT_VEC3_NEAR(child.getGlobalFrame().translation, target.translation, 1e-6);
    EXPECT_VEC3_NEAR(child.getLocalFrame().translation, Vector3(2, 0, 0), 1e-6);
}

TEST(FrameInterpolation, NearQuarterTurnOfYEndsOnTarget) {
    const float deg = std::numbers::pi_v<float> / 180;
    for (float toY : {89.0f, 90.0f, -90.0f}) {
        const CoordinateFrame from(Matrix3::fromEulerAnglesXYZ(0.2f, -89 * deg, 0.1f), Vector3());
        const CoordinateFrame to(Matrix3::fromEulerAnglesXYZ(0.3f, toY * deg, 0), Vector3(1, 2, 3));
        const CoordinateFrame end = interpolateFrames(from, to, 1.0);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_NEAR(end.rotation.m[r][c], to.rotation.m[r][c], 1e-5) << toY;
            }
        }
        EXPECT_EQ(interpolateFrames(from, to, 0.0).rotation.toEulerAnglesXYZ().y,
                  from.rotation.toEulerAnglesXYZ().y);
    }
    // Halfway from -89 to +89 degrees of y is upright, linear in the angles.
    const CoordinateFrame a(Matrix3::fromEulerAnglesXYZ(0, -89 * deg, 0), Vector3());
    const CoordinateFrame b(Matrix3::fromEulerAnglesXYZ(0, 89 * deg, 0), Vector3());
    const Vector3 mid = interpolateFrames(a, b, 0.5).rotation.toEulerAnglesXYZ();
    EXPECT_NEAR(mid.y, 0, 1e-5);
    EXPECT_NEAR(interpolateFrames(a, b, 0.75).rotation.toEulerAnglesXYZ().y, 44.5f * deg, 1e-4);
}

TEST_F(ActivityTest, ScaleFollowsWidthAndSkipsZeroWidth) {
    NodeEntity node(CoordinateFrame(), "n", 0, Vector3(1, 0.5f, 0.1f), Color4(1, 0, 0, 1), false);
    node.animateScale(2.0, 1.0);
    now += 0.5;
    node.updateActivities();
    EXPECT_NEAR(node.getSize().x, 1.5f, 1e-6);
    EXPECT_NEAR(node.getSize().y, 0.75f, 1e-6);
    EXPECT_NEAR(node.getLabelSize(), 0.375, 1e-6);

    NodeEntity flat(CoordinateFrame(), "f", 0, Vector3(0, 0.5f, 0.1f), Color4(1, 0, 0, 1), false);
    flat.add(new NodeEntity::ActivityScale(Vector3(0, 0.5f, 0.1f), Vector3(2, 1, 1), &flat, 0));
    flat.updateActivities();
    EXPECT_EQ(flat.getSize(), Vector3(0, 0.5f, 0.1f));
    EXPECT_TRUE(std::isfinite(flat.getLabelSize()));
}

TEST_F(ActivityTest, HoverUpAndDownDriftsBelowOriginalSize) {
    NodeEntity node(CoordinateFrame(), "n", 0, Vector3(1, 1, 1), Color4(1, 0, 0, 1), false);
    const Ray on = downRay(0, 0), off = downRay(5, 5);
    EXPECT_FALSE(node.mouseMove(on, off));
    now += 0.02;
    node.updateActivities();
    EXPECT_TRUE(node.scaledUp);
    EXPECT_NEAR(node.getSize().x, 1.2f, 1e-6);
    // Only the crossing in the scaled-up direction acts now.
    node.mouseMove(on, off);
    EXPECT_EQ(node.activityCount(), 0u);
    node.mouseMove(off, on);
    now += 0.02;
    node.updateActivities();
    EXPECT_FALSE(node.scaledUp);
    EXPECT_NEAR(node.getSize().x, 0.99996f, 1e-6);

    node.pressed = true;
    EXPECT_TRUE(node.mouseMove(on, off));
    EXPECT_EQ(node.activityCount(), 0u);
}

}  // namespace
