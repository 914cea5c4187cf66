// Planes, rays, segments and boxes: the picking and dragging of the scene rest on them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/AABox.h"
#include "engine/LineSegment.h"
#include "engine/Plane.h"
#include "engine/Ray.h"
#include "engine/Rect2D.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

void expectNear(const Vector3& actual, const Vector3& expected, float eps = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
    EXPECT_NEAR(actual.z, expected.z, eps);
}

}  // namespace

TEST(Plane, FromPointsAndFromNormal) {
    Plane z0(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0));
    EXPECT_EQ(z0.normal(), Vector3(0, 0, 1));
    EXPECT_EQ(z0.distance(), 0);
    // The pathway's plane: points (0,0,0), (0,-1,0), (1,0,0) also face +z.
    EXPECT_EQ(Plane(Vector3(0, 0, 0), Vector3(0, -1, 0), Vector3(1, 0, 0)).normal(),
              Vector3(0, 0, 1));
    Plane raised(Vector3(0, 0, 2), Vector3(1, 0, 2), Vector3(0, 1, 2));
    EXPECT_FLOAT_EQ(raised.distance(), 2);
    EXPECT_FLOAT_EQ(raised.signedDistance(Vector3(5, 5, 3)), 1);
    EXPECT_TRUE(raised.halfSpaceContains(Vector3(0, 0, 3)));
    EXPECT_FALSE(raised.halfSpaceContains(Vector3(0, 0, 1)));

    Plane p = Plane::fromNormalAndPoint(Vector3(0, 0, 2), Vector3(5, 5, 3));
    EXPECT_EQ(p.normal(), Vector3(0, 0, 1));
    EXPECT_FLOAT_EQ(p.distance(), 3);
    expectNear(p.closestPoint(Vector3(1, 2, 7)), Vector3(1, 2, 3));

    Plane collinear(Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(2, 0, 0));
    EXPECT_EQ(collinear.normal(), Vector3::zero());
}

TEST(Ray, PlaneAnswersOnlyOnTheFrontSide) {
    Plane z0 = Plane::fromNormalAndPoint(Vector3::unitZ(), Vector3::zero());
    Ray down = Ray::fromOriginAndDirection(Vector3(0, 0, 4), Vector3(0, 0, -2));
    EXPECT_EQ(down.direction, Vector3(0, 0, -1));
    expectNear(down.intersection(z0), Vector3(0, 0, 0));
    EXPECT_FLOAT_EQ(down.intersectionTime(z0), 4);
    expectNear(Ray::fromOriginAndDirection(Vector3(0, 0, 4), Vector3(1, 0, -1)).intersection(z0),
               Vector3(4, 0, 0));

    // From behind, parallel, and with the plane behind the origin: no point.
    EXPECT_EQ(Ray::fromOriginAndDirection(Vector3(0, 0, -4), Vector3(0, 0, 1)).intersection(z0),
              Vector3::inf());
    EXPECT_EQ(Ray::fromOriginAndDirection(Vector3(0, 0, 4), Vector3(1, 0, 0)).intersection(z0),
              Vector3::inf());
    Plane above = Plane::fromNormalAndPoint(Vector3::unitZ(), Vector3(0, 0, 5));
    EXPECT_EQ(down.intersection(above), Vector3::inf());
    EXPECT_EQ(down.intersectionTime(above), kInf);

    // A tilted plane y + z = 0.
    Plane tilted = Plane::fromNormalAndPoint(Vector3(0, 1, 1), Vector3::zero());
    expectNear(
        Ray::fromOriginAndDirection(Vector3(0, 2, 4), Vector3(0, 0, -1)).intersection(tilted),
        Vector3(0, 2, -2));

    Ray stalled = Ray::fromOriginAndDirection(Vector3(0, 0, 4), Vector3::zero());
    EXPECT_EQ(stalled.intersection(z0), Vector3::inf());
}

TEST(Ray, BoxTimeIsZeroInsideAndInfiniteOnAMiss) {
    AABox box(Vector3(-1, -1, -1), Vector3(1, 1, 1));
    auto ray = [](Vector3 o, Vector3 d) { return Ray::fromOriginAndDirection(o, d); };
    EXPECT_FLOAT_EQ(ray({0, 0, 5}, {0, 0, -1}).intersectionTime(box), 4);
    EXPECT_EQ(ray({0, 0, 0}, {0, 0, -1}).intersectionTime(box), 0);
    EXPECT_EQ(ray({1, 1, 1}, {0, 0, 1}).intersectionTime(box), 0);  // on a corner
    EXPECT_EQ(ray({3, 0, 5}, {0, 0, -1}).intersectionTime(box), kInf);
    EXPECT_EQ(ray({0, 0, 5}, {0, 0, 1}).intersectionTime(box), kInf);  // box behind
    // Crosses x = -1 at y = 2, above the box.
    EXPECT_EQ(ray({-3, 0, 0}, {1, 1, 0}).intersectionTime(box), kInf);
    EXPECT_NEAR(ray({-3, -1.5f, 0}, {1, 1, 0}).intersectionTime(box), 2 * std::sqrt(2.0f), 1e-5f);
    EXPECT_EQ(ray({0, 0, 5}, {0, 0, 0}).intersectionTime(box), kInf);

    // Flat boxes, as the nodes and containers of a plane are.
    AABox flat(Vector3(0, 0, 0), Vector3(1, 1, 0));
    EXPECT_FLOAT_EQ(ray({0.5f, 0.5f, 4}, {0, 0, -1}).intersectionTime(flat), 4);
    EXPECT_EQ(ray({0.5f, 0.5f, 4}, {1, 0, 0}).intersectionTime(flat), kInf);
    EXPECT_EQ(ray({1.5f, 0.5f, 4}, {0, 0, -1}).intersectionTime(flat), kInf);

    Ray bad;
    bad.origin = Vector3(std::nanf(""), 0, 0);
    EXPECT_EQ(bad.intersectionTime(box), kInf);
}

TEST(LineSegment, ClosestPointStaysOnTheSegment) {
    LineSegment s = LineSegment::fromTwoPoints(Vector3(0, 0, 0), Vector3(2, 0, 0));
    EXPECT_EQ(s.closestPoint(Vector3(1, 1, 0)), Vector3(1, 0, 0));
    EXPECT_EQ(s.closestPoint(Vector3(5, 1, 0)), Vector3(2, 0, 0));
    EXPECT_EQ(s.closestPoint(Vector3(-3, 0, 0)), Vector3(0, 0, 0));
    EXPECT_FLOAT_EQ(s.distance(Vector3(1, 0.049f, 0)), 0.049f);
    EXPECT_FLOAT_EQ(s.distance(Vector3(5, 4, 0)), 5);
    EXPECT_FLOAT_EQ(s.length(), 2);
    EXPECT_EQ(s.point(1), Vector3(2, 0, 0));

    LineSegment dot = LineSegment::fromTwoPoints(Vector3(1, 1, 1), Vector3(1, 1, 1));
    EXPECT_EQ(dot.closestPoint(Vector3(7, -3, 2)), Vector3(1, 1, 1));
    EXPECT_FLOAT_EQ(dot.distance(Vector3(1, 1, 4)), 3);
}

TEST(AABox, CornersAreSortedAndBoundsInclusive) {
    AABox b(Vector3(1, -2, 0.001f), Vector3(0, 0, 0));
    EXPECT_EQ(b.low(), Vector3(0, -2, 0));
    EXPECT_EQ(b.high(), Vector3(1, 0, 0.001f));
    EXPECT_TRUE(b.contains(Vector3(1, -2, 0)));
    EXPECT_TRUE(b.contains(Vector3(0.5f, -1, 0.0005f)));
    EXPECT_FALSE(b.contains(Vector3(0.5f, -1, 0.002f)));
    EXPECT_FALSE(b.contains(Vector3(std::nanf(""), -1, 0)));
    EXPECT_EQ(b.center(), Vector3(0.5f, -1, 0.0005f));
    EXPECT_TRUE(b.intersects(AABox(Vector3(1, 0, 0), Vector3(2, 2, 2))));
    EXPECT_FALSE(b.intersects(AABox(Vector3(1.1f, 0, 0), Vector3(2, 2, 2))));
}

TEST(Rect2D, FormsAndContainment) {
    Rect2D r = Rect2D::xywh(10, 20, 30, 40);
    EXPECT_EQ(Rect2D::xyxy(40, 60, 10, 20), r);
    EXPECT_TRUE(r.contains(Vector2(40, 60)));
    EXPECT_TRUE(r.contains(Vector2(10, 20)));
    EXPECT_FALSE(r.contains(Vector2(41, 60)));
}
