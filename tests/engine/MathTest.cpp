// Vectors, matrices, Euler angles and coordinate frames against hand-computed values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "engine/Clock.h"
#include "engine/Color4.h"
#include "engine/CoordinateFrame.h"
#include "engine/Matrix3.h"
#include "engine/Vector2.h"
#include "engine/Vector3.h"
#include "engine/Vector4.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kEps = 1e-5f;

void expectNear(const Vector3& actual, const Vector3& expected, float eps = kEps) {
    EXPECT_NEAR(actual.x, expected.x, eps);
    EXPECT_NEAR(actual.y, expected.y, eps);
    EXPECT_NEAR(actual.z, expected.z, eps);
}

void expectNear(const Matrix3& actual, const Matrix3& expected, float eps = kEps) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(actual(r, c), expected(r, c), eps) << "element " << r << "," << c;
        }
    }
}

void expectOrthonormal(const Matrix3& m) {
    expectNear(m * m.transpose(), Matrix3::identity());
    EXPECT_NEAR(m.determinant(), 1.0f, kEps);
}

}  // namespace

TEST(Vector3, ProductsAndComponentwiseOperations) {
    Vector3 a(1, 2, 3), b(4, 5, 6);
    EXPECT_FLOAT_EQ(a.dot(b), 32);
    EXPECT_EQ(a.cross(b), Vector3(-3, 6, -3));
    EXPECT_EQ(Vector3::unitX().cross(Vector3::unitY()), Vector3::unitZ());
    EXPECT_EQ(a * b, Vector3(4, 10, 18));
    EXPECT_EQ(2.0f * a - b, Vector3(-2, -1, 0));
    EXPECT_EQ(Vector3(1, -5, 3).min(Vector3(2, -6, 3)), Vector3(1, -6, 3));
}

TEST(Vector3, LengthDirectionAndFiniteness) {
    EXPECT_FLOAT_EQ(Vector3(3, 4, 12).length(), 13);
    EXPECT_FLOAT_EQ(Vector3(3, 4, 12).squaredLength(), 169);
    expectNear(Vector3(0, 3, 4).direction(), Vector3(0, 0.6f, 0.8f));
    // A zero vector has no direction; it must not turn into NaN.
    EXPECT_EQ(Vector3::zero().direction(), Vector3::zero());
    EXPECT_TRUE(Vector3(1, 2, 3).isFinite());
    EXPECT_FALSE(Vector3::inf().isFinite());
    EXPECT_FALSE(Vector3(0, std::numeric_limits<float>::quiet_NaN(), 0).isFinite());
    EXPECT_TRUE(std::isinf(Vector3::inf().x) && Vector3::inf().x > 0);
    EXPECT_FLOAT_EQ(Vector2(3, 4).length(), 5);
    EXPECT_EQ(Vector2(0, 0).direction(), Vector2(0, 0));
    EXPECT_EQ(Vector4(Vector3(1, 2, 3), 4).xyz(), Vector3(1, 2, 3));
    EXPECT_FLOAT_EQ(Vector4(1, 1, 1, 1).length(), 2);
}

TEST(Matrix3, ProductTransposeInverse) {
    Matrix3 a(1, 2, 3, 4, 5, 6, 7, 8, 10);
    Matrix3 swapXY(0, 1, 0, 1, 0, 0, 0, 0, 1);
    // Multiplying on the right by a permutation swaps columns.
    EXPECT_EQ(a * swapXY, Matrix3(2, 1, 3, 5, 4, 6, 8, 7, 10));
    EXPECT_EQ(swapXY * a, Matrix3(4, 5, 6, 1, 2, 3, 7, 8, 10));
    EXPECT_EQ(a * Vector3(1, 0, -1), Vector3(-2, -2, -3));
    EXPECT_EQ(a.transpose(), Matrix3(1, 4, 7, 2, 5, 8, 3, 6, 10));
    EXPECT_EQ(a.row(1), Vector3(4, 5, 6));
    EXPECT_EQ(a.column(1), Vector3(2, 5, 8));
    EXPECT_NEAR(a.determinant(), -3, kEps);
    expectNear(a * a.inverse(), Matrix3::identity());
    expectNear(Matrix3(2, 0, 0, 0, 4, 0, 0, 0, 0.5f).inverse(),
               Matrix3(0.5f, 0, 0, 0, 0.25f, 0, 0, 0, 2));
    EXPECT_EQ(Matrix3(1, 2, 3, 2, 4, 6, 0, 0, 1).inverse(), Matrix3::zero());
    EXPECT_EQ(a(2, 1), 8);
}

TEST(Matrix3, AxisAngleIsRightHanded) {
    Matrix3 rz = Matrix3::fromAxisAngle(Vector3(0, 0, 1), kPi / 2);
    expectNear(rz, Matrix3(0, -1, 0, 1, 0, 0, 0, 0, 1));
    expectNear(rz * Vector3::unitX(), Vector3::unitY());
    expectNear(Matrix3::fromAxisAngle(Vector3(2, 0, 0), kPi / 2) * Vector3::unitY(),
               Vector3::unitZ());
    expectNear(Matrix3::fromAxisAngle(Vector3::unitY(), kPi / 2) * Vector3::unitZ(),
               Vector3::unitX());
    // The tilt of the explore view: 0.2 radians about -x lifts +y towards -z.
    expectNear(Matrix3::fromAxisAngle(Vector3(-1, 0, 0), 0.2f) * Vector3::unitY(),
               Vector3(0, std::cos(0.2f), -std::sin(0.2f)));
    expectOrthonormal(Matrix3::fromAxisAngle(Vector3(1, 2, 3), 0.7f));
    EXPECT_EQ(Matrix3::fromAxisAngle(Vector3::zero(), 1.0f), Matrix3::identity());
}

TEST(Matrix3, EulerXYZComposesXThenYThenZ) {
    Matrix3 r = Matrix3::fromEulerAnglesXYZ(0.1f, 0.2f, 0.3f);
    Matrix3 product = Matrix3::fromAxisAngle(Vector3::unitX(), 0.1f) *
                      Matrix3::fromAxisAngle(Vector3::unitY(), 0.2f) *
                      Matrix3::fromAxisAngle(Vector3::unitZ(), 0.3f);
    expectNear(r, product);
    EXPECT_NEAR(r(0, 2), 0.198669f, kEps);
    EXPECT_NEAR(r(0, 0), 0.936293f, kEps);
    EXPECT_NEAR(r(0, 1), -0.289629f, kEps);
    EXPECT_NEAR(r(1, 2), -0.0978434f, kEps);
    EXPECT_NEAR(r(2, 2), 0.975170f, kEps);
    expectNear(Matrix3::fromEulerAnglesXYZ(kPi / 2, 0, 0) * Vector3::unitY(), Vector3::unitZ());

    float x, y, z;
    EXPECT_TRUE(r.toEulerAnglesXYZ(x, y, z));
    expectNear(Vector3(x, y, z), Vector3(0.1f, 0.2f, 0.3f));
    expectNear(Matrix3::fromEulerAnglesXYZ(-2.5f, 1.2f, 3.0f).toEulerAnglesXYZ(),
               Vector3(-2.5f, 1.2f, 3.0f), 1e-4f);
    expectNear(Matrix3::identity().toEulerAnglesXYZ(), Vector3::zero());
}

TEST(Matrix3, EulerGimbalCasesPutTheWholeTurnIntoX) {
    // y = +pi/2: only x + z is determined.
    Matrix3 up = Matrix3::fromEulerAnglesXYZ(0.3f, kPi / 2, 0.2f);
    float x, y, z;
    EXPECT_FALSE(up.toEulerAnglesXYZ(x, y, z));
    EXPECT_NEAR(x, 0.5f, kEps);
    EXPECT_FLOAT_EQ(y, kPi / 2);
    EXPECT_EQ(z, 0);
    expectNear(Matrix3::fromEulerAnglesXYZ(x, y, z), up);

    // y = -pi/2: only x - z is determined.
    Matrix3 down = Matrix3::fromEulerAnglesXYZ(0.3f, -kPi / 2, 0.2f);
    EXPECT_FALSE(down.toEulerAnglesXYZ(x, y, z));
    EXPECT_NEAR(x, 0.1f, kEps);
    EXPECT_FLOAT_EQ(y, -kPi / 2);
    EXPECT_EQ(z, 0);
    expectNear(Matrix3::fromEulerAnglesXYZ(x, y, z), down);

    // Rounding can push m02 past 1; that must not give NaN.
    Matrix3 past = up;
    past(0, 2) = 1.0000001f;
    Vector3 angles = past.toEulerAnglesXYZ();
    EXPECT_TRUE(angles.isFinite());
    EXPECT_EQ(angles.z, 0);
}

TEST(CoordinateFrame, WorldAndObjectSpace) {
    CoordinateFrame f(Matrix3::fromAxisAngle(Vector3::unitZ(), kPi / 2), Vector3(1, 2, 3));
    expectNear(f.pointToWorldSpace(Vector3(1, 0, 0)), Vector3(1, 3, 3));
    expectNear(f.vectorToWorldSpace(Vector3(1, 0, 0)), Vector3(0, 1, 0));
    expectNear(f.pointToObjectSpace(Vector3(1, 3, 3)), Vector3(1, 0, 0));
    expectNear(f.vectorToObjectSpace(Vector3(0, 1, 0)), Vector3(1, 0, 0));

    CoordinateFrame step(Vector3(1, 0, 0));
    CoordinateFrame fs = f * step;  // the step taken in f's own axes
    expectNear(fs.translation, Vector3(1, 3, 3));
    expectNear(fs.rotation, f.rotation);
    expectNear((step * f).translation, Vector3(2, 2, 3));

    CoordinateFrame back = f.inverse() * f;
    expectNear(back.rotation, Matrix3::identity());
    expectNear(back.translation, Vector3::zero());
    // Local frame from a global one and a parent, as the scene tree does it.
    CoordinateFrame child(Matrix3::fromEulerAnglesXYZ(0.1f, 0.2f, 0.3f), Vector3(4, 5, 6));
    CoordinateFrame local = f.inverse() * child;
    expectNear((f * local).translation, child.translation);
    expectNear((f * local).rotation, child.rotation);
    expectNear(f.toObjectSpace(child).translation, local.translation);
}

TEST(CoordinateFrame, LookAtUsesMinusZAsViewDirection) {
    CoordinateFrame camera(Vector3(0, 0, 4));
    camera.lookAt(Vector3::zero(), Vector3::unitY());
    expectNear(camera.rotation, Matrix3::identity());
    expectNear(camera.lookVector(), Vector3(0, 0, -1));

    CoordinateFrame behind(Vector3(0, 0, -5));
    behind.lookAt(Vector3::zero(), Vector3::unitY());
    expectNear(behind.lookVector(), Vector3(0, 0, 1));
    expectNear(behind.upVector(), Vector3(0, 1, 0));
    expectNear(behind.rightVector(), Vector3(-1, 0, 0));
    expectNear(behind.translation, Vector3(0, 0, -5));

    // An up vector that is not perpendicular is straightened.
    CoordinateFrame slanted;
    slanted.lookAt(Vector3(0, 0, -1), Vector3(0, 1, 1));
    expectNear(slanted.upVector(), Vector3(0, 1, 0));

    // Up along the view direction: another axis stands in, the frame stays valid.
    CoordinateFrame straightUp;
    straightUp.lookAt(Vector3(0, 5, 0), Vector3::unitY());
    expectNear(straightUp.lookVector(), Vector3(0, 1, 0));
    expectOrthonormal(straightUp.rotation);

    CoordinateFrame same(Matrix3::fromAxisAngle(Vector3::unitX(), 0.5f), Vector3(1, 1, 1));
    CoordinateFrame before = same;
    same.lookAt(Vector3(1, 1, 1));
    EXPECT_EQ(same, before);
}

TEST(Color, ScalingAndClear) {
    EXPECT_EQ(Color4(0.5f, 1, 0, 1) * 0.5f, Color4(0.25f, 0.5f, 0, 0.5f));
    EXPECT_EQ(Color4::clear(), Color4(0, 0, 0, 0));
    EXPECT_EQ(Color4(1, 1, 1).a, 1);
    EXPECT_EQ(Color4(Color3(0.1f, 0.2f, 0.3f), 0.5f).rgb(), Color3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(Color3(1, 0, 0) + Color3(0, 1, 0), Color3::yellow());
    EXPECT_FLOAT_EQ(Color3(0, 3, 4).length(), 5);
    EXPECT_FALSE(Color3(std::log(0.0f), 0, 0).isFinite());
}

TEST(Clock, ReplaceableSource) {
    double t1 = systemTime();
    double t2 = systemTime();
    EXPECT_GE(t2, t1);
    setSystemTimeSourceForTesting([] { return 42.5; });
    EXPECT_EQ(systemTime(), 42.5);
    setSystemTimeSourceForTesting(nullptr);
    EXPECT_GE(systemTime(), t2);
}
