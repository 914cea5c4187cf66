// The activity manager's stepping pass, progress against the clock, and the
// move and scale activities.
#include <cmath>
#include <numbers>

#include "SceneTestSupport.h"
#include "scene/NodeEntity.h"

namespace {

// Counts its steps and its destruction; may add a follower from its first step.
class CountingActivity : public Activity {
public:
    CountingActivity(double duration, int* counts, ActivityManager* spawnInto = nullptr)
        : Activity(duration), counts(counts), spawnInto(spawnInto) {}
    ~CountingActivity() override { ++counts[1]; }
    void update() override {
        Activity::update();
        ++counts[0];
        lastProgress = progress();
        if (spawnInto != nullptr) {
            spawnInto->add(new CountingActivity(0, counts));
            spawnInto = nullptr;
        }
    }
    static inline double lastProgress = -1;

private:
    int* counts;  // steps, destructions
    ActivityManager* spawnInto;
};

using ActivityTest = ManualClockTest;

TEST_F(ActivityTest, ManagerReportsWorkAndDeletesFinishedActivities) {
    int counts[2] = {0, 0};
    {
        ActivityManager manager;
        EXPECT_FALSE(manager.update());
        manager.add(nullptr);
        manager.add(new CountingActivity(1.0, counts));
        EXPECT_TRUE(manager.update());
        now += 1.0;
        // Still true in the step in which the last activity finishes.
        EXPECT_TRUE(manager.update());
        EXPECT_EQ(counts[1], 1);
        EXPECT_FALSE(manager.update());

        // Duration 0: one step with progress 1, then gone.
        manager.add(new CountingActivity(0, counts));
        manager.update();
        EXPECT_EQ(CountingActivity::lastProgress, 1.0);
        EXPECT_EQ(counts[1], 2);

        // One added during the pass is stepped in the same pass.
        manager.add(new CountingActivity(5.0, counts, &manager));
        counts[0] = 0;
        manager.update();
        EXPECT_EQ(counts[0], 2);
        EXPECT_EQ(manager.activityCount(), 1u);
    }
    // The manager deletes what is left when it goes.
    EXPECT_EQ(counts[1], 4);
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
    EXPECT_EQ(Activity(-1.0).progress(), 1.0);
}

TEST_F(ActivityTest, MoveInterpolatesAndLaterMoveWins) {
    Entity entity;
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
    }
    // Linear in the angles: halfway from -89 to +89 degrees of y is upright.
    const CoordinateFrame a(Matrix3::fromEulerAnglesXYZ(0, -89 * deg, 0), Vector3());
    const CoordinateFrame b(Matrix3::fromEulerAnglesXYZ(0, 89 * deg, 0), Vector3());
    EXPECT_NEAR(interpolateFrames(a, b, 0.5).rotation.toEulerAnglesXYZ().y, 0, 1e-5);
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
    node.mouseMove(on, off);  // only the crossing back acts now
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
