// Camera defaults, placement and the rays through viewport pixels (no OpenGL).
#include <cmath>

#include <gtest/gtest.h>

#include "engine/Plane.h"
#include "engine/render/Camera.h"

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

Vector3 hitZ0(const Ray& ray) {
    return ray.pointAt(-ray.origin.z / ray.direction.z);
}

}  // namespace

TEST(Camera, DefaultsToFiftyFiveDegreesAndNearPlaneAtATenth) {
    Camera camera;
    EXPECT_NEAR(camera.fieldOfView(), 55 * kDegree, 1e-9);
    EXPECT_FLOAT_EQ(camera.nearPlaneZ(), -0.1f);
    EXPECT_EQ(camera.coordinateFrame(), CoordinateFrame());
    Ray ray = camera.worldRay(50, 50, Rect2D::xywh(0, 0, 100, 100));
    EXPECT_NEAR(ray.direction.z, -1, 1e-6);
}

TEST(Camera, LookAtTurnsMinusZTowardsTheTarget) {
    Camera camera;
    camera.setPosition(Vector3(0, 0, 4));
    camera.lookAt(Vector3(0, 0, 0));
    Vector3 look = camera.coordinateFrame().lookVector();
    EXPECT_NEAR(look.z, -1, 1e-6);
    EXPECT_NEAR(camera.coordinateFrame().upVector().y, 1, 1e-6);

    camera.setPosition(Vector3(1, 2, 3));
    camera.lookAt(Vector3(1, 2, 3));  // at itself: nothing changes
    EXPECT_NEAR(camera.coordinateFrame().lookVector().z, -1, 1e-6);
    camera.lookAt(Vector3(1, 10, 3));  // straight along up: still a valid frame
    EXPECT_NEAR(camera.coordinateFrame().lookVector().y, 1, 1e-6);
    EXPECT_TRUE(camera.coordinateFrame().isFinite());
}

TEST(Camera, RaysThroughCentreAndCornersOfTheViewport) {
    Camera camera;
    camera.setPosition(Vector3(0, 0, 4));
    camera.lookAt(Vector3(0, 0, 0));
    const float w = 800, h = 600;
    Rect2D viewport = Rect2D::xywh(0, 0, w, h);

    Vector3 centre = hitZ0(camera.worldRay(w / 2, h / 2, viewport));
    EXPECT_NEAR(centre.x, 0, 1e-5);
    EXPECT_NEAR(centre.y, 0, 1e-5);

    // The top and bottom edges lie half the field of view off the axis; the
    // sides by the aspect ratio times that.
    double halfHeight = 4 * std::tan(27.5 * kDegree);
    Vector3 topLeft = hitZ0(camera.worldRay(0, 0, viewport));
    Vector3 bottomRight = hitZ0(camera.worldRay(w, h, viewport));
    EXPECT_NEAR(topLeft.y, halfHeight, 1e-4);
    EXPECT_NEAR(topLeft.x, -halfHeight * w / h, 1e-4);
    EXPECT_NEAR(bottomRight.y, -halfHeight, 1e-4);
    EXPECT_NEAR(bottomRight.x, halfHeight * w / h, 1e-4);
    Vector3 topRight = hitZ0(camera.worldRay(w, 0, viewport));
    EXPECT_NEAR(topRight.x, halfHeight * w / h, 1e-4);
    EXPECT_NEAR(topRight.y, halfHeight, 1e-4);

    // Rays start at the camera and have unit length.
    Ray ray = camera.worldRay(0, 0, viewport);
    EXPECT_EQ(ray.origin, Vector3(0, 0, 4));
    EXPECT_NEAR(ray.direction.length(), 1, 1e-6);
}

TEST(Camera, RaysFollowTheCameraFrame) {
    Camera camera;
    camera.setPosition(Vector3(2, -1, 4));
    camera.lookAt(Vector3(2, -1, 0));
    Rect2D viewport = Rect2D::xywh(0, 0, 640, 480);
    Vector3 centre = hitZ0(camera.worldRay(320, 240, viewport));
    EXPECT_NEAR(centre.x, 2, 1e-5);
    EXPECT_NEAR(centre.y, -1, 1e-5);
    // Seen from behind (looking towards +z), left and right swap.
    camera.setPosition(Vector3(0, 0, -4));
    camera.lookAt(Vector3(0, 0, 0));
    EXPECT_GT(hitZ0(camera.worldRay(0, 240, viewport)).x, 0);
    // The ray meets the front of a plane facing the camera.
    camera.setPosition(Vector3(0, 0, 4));
    camera.lookAt(Vector3(0, 0, 0));
    Ray ray = camera.worldRay(10, 20, viewport);
    Plane plane = Plane::fromNormalAndPoint(Vector3(0, 0, 1), Vector3(0, 0, 0));
    EXPECT_TRUE(std::isfinite(ray.intersectionTime(plane)));
}

TEST(Camera, ProjectionMapsTheNearPlaneToMinusOneAndFarPointsInsideTheDepthRange) {
    Camera camera;
    double m[16];
    camera.projectionMatrix(200, 100, m);
    auto depth = [&](double z) { return (m[10] * z + m[14]) / (m[11] * z); };
    EXPECT_NEAR(depth(-0.1), -1, 1e-5);
    EXPECT_LT(depth(-1e6), 1);
    EXPECT_GT(depth(-1e6), 0.99);
    // Aspect 2: x is squeezed by half against y.
    EXPECT_NEAR(m[0] * 2, m[5], 1e-9);
}
