// Tests of the point spreading: determinism under a seed, the anchor, the
// per-round step limit, coincident points and the degenerate inputs.
#include <cmath>

#include <gtest/gtest.h>

#include "pathway/PointSpreading.h"

namespace {

Array<Vector3> ring(int n, float w, float h) {
    Array<Vector3> points{Vector3(w / 2, -h / 2, 0.005f)};
    for (int i = 1; i < n; ++i) {
        const float a = 0.3f * static_cast<float>(i);
        points.push_back(Vector3(w / 2 + 0.2f * std::cos(a), -h / 2 + 0.2f * std::sin(a), 0.005f));
    }
    return points;
}

bool allFinite(const Array<Vector3>& points) {
    for (const Vector3& p : points) {
        if (!p.isFinite()) {
            return false;
        }
    }
    return true;
}

}  // namespace

TEST(PointSpreading, SameSeedSameResultAndAnchorFixed) {
    for (bool keep : {false, true}) {
        Array<Vector3> a = ring(30, 3, 2), b = a, c = a;
        spreadPoints(200, 400.0, 10000.0, 3, 2, a, keep, 7);
        spreadPoints(200, 400.0, 10000.0, 3, 2, b, keep, 7);
        spreadPoints(200, 400.0, 10000.0, 3, 2, c, keep, 8);
        EXPECT_EQ(a, b) << keep;
        EXPECT_NE(a, c) << keep;
        EXPECT_TRUE(allFinite(a));
        EXPECT_EQ(a[0], Vector3(1.5f, -1.0f, 0.005f));
        for (const Vector3& p : a) {
            EXPECT_FLOAT_EQ(p.z, 0.005f);
        }
    }
}

TEST(PointSpreading, MovesAtMostOneHundredthPerRound) {
    // Without keep, zero rounds show the re-seeded start of the same seed.
    Array<Vector3> seeded = ring(40, 2, 2), moved = seeded;
    spreadPoints(0, 400.0, 10000.0, 2, 2, seeded, false, 3);
    spreadPoints(25, 400.0, 10000.0, 2, 2, moved, false, 3);
    EXPECT_NE(seeded, moved);
    for (std::size_t i = 1; i < seeded.size(); ++i) {
        EXPECT_LE((moved[i] - seeded[i]).length(), 25 * 0.01f + 1e-4f) << i;
        EXPECT_LE(seeded[i].x, 2.0f);
        EXPECT_LE(seeded[i].y, 0.0f);
    }

    // With keep the caller's positions are the start; more than 100 points
    // and more than 50 take the weaker pull back.
    for (int n : {20, 60, 120}) {
        const Array<Vector3> start = ring(n, 4, 3);
        Array<Vector3> points = start;
        spreadPoints(10, 400.0, 10000.0, 4, 3, points, true, 5);
        EXPECT_EQ(points[0], start[0]);
        for (std::size_t i = 1; i < points.size(); ++i) {
            EXPECT_LE((points[i] - start[i]).length(), 10 * 0.01f + 1e-4f) << n << " " << i;
        }
        EXPECT_TRUE(allFinite(points));
    }
}

TEST(PointSpreading, SeparatesCoincidentPointsAndPointsOnTheAnchor) {
    const Vector3 hub(1, -1, 0.005f);
    Array<Vector3> points{hub, hub, Vector3(1.5f, -1.2f, 0.005f), Vector3(1.5f, -1.2f, 0.005f)};
    spreadPoints(50, 400.0, 10000.0, 2, 2, points, true, 11);
    ASSERT_TRUE(allFinite(points));
    EXPECT_EQ(points[0], hub);
    EXPECT_GT((points[1] - hub).length(), 0.05f);
    EXPECT_GT((points[2] - points[3]).length(), 0.05f);
}

TEST(PointSpreading, DegenerateInputsAreLeftAlone) {
    Array<Vector3> empty;
    spreadPoints(1000, 400.0, 10000.0, 1, 1, empty, false);
    EXPECT_TRUE(empty.empty());

    const Array<Vector3> start = ring(5, 1, 1);
    for (auto [w, h] : {std::pair{0.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}, {-1.0f, 1.0f}}) {
        Array<Vector3> points = start;
        spreadPoints(100, 400.0, 10000.0, w, h, points, false);
        EXPECT_EQ(points, start);
    }

    // A single point only moves when it is re-seeded to the centre.
    Array<Vector3> single{Vector3(0.3f, -0.2f, 0.1f)};
    spreadPoints(100, 400.0, 10000.0, 2, 1, single, true);
    EXPECT_EQ(single[0], Vector3(0.3f, -0.2f, 0.1f));
    spreadPoints(100, 400.0, 10000.0, 2, 1, single, false);
    EXPECT_EQ(single[0], Vector3(1.0f, -0.5f, 0.005f));
}

TEST(PointSpreading, UnitVectorsAreUnitAndSeeded) {
    UnitVectorSource a(42), b(42);
    for (int i = 0; i < 100; ++i) {
        const Vector3 u = a.next();
        EXPECT_NEAR(u.length(), 1.0f, 1e-5f);
        EXPECT_EQ(u, b.next());
    }
}
