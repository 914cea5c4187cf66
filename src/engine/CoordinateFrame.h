// Rigid frame: a rotation and a translation. A point p of the frame's own space is
// rotation * p + translation in the space the frame lives in ("world").
#pragma once

#include <cmath>

#include "engine/Matrix3.h"
#include "engine/Vector3.h"

struct CoordinateFrame {
    Matrix3 rotation;
    Vector3 translation;

    constexpr CoordinateFrame() = default;
    constexpr CoordinateFrame(const Matrix3& r, const Vector3& t) : rotation(r), translation(t) {}
    explicit constexpr CoordinateFrame(const Vector3& t) : translation(t) {}
    explicit constexpr CoordinateFrame(const Matrix3& r) : rotation(r) {}
    bool operator==(const CoordinateFrame&) const = default;

    // (this * o) maps o's space into this frame's world: first o, then this.
    CoordinateFrame operator*(const CoordinateFrame& o) const {
        return {rotation * o.rotation, pointToWorldSpace(o.translation)};
    }
    CoordinateFrame& operator*=(const CoordinateFrame& o) { return *this = *this * o; }

    // The rotation is taken as orthonormal, so its inverse is its transpose.
    CoordinateFrame inverse() const {
        Matrix3 back = rotation.transpose();
        return {back, -(back * translation)};
    }

    Vector3 pointToWorldSpace(const Vector3& p) const { return rotation * p + translation; }
    Vector3 vectorToWorldSpace(const Vector3& v) const { return rotation * v; }
    Vector3 pointToObjectSpace(const Vector3& p) const {
        return rotation.transpose() * (p - translation);
    }
    Vector3 vectorToObjectSpace(const Vector3& v) const { return rotation.transpose() * v; }
    CoordinateFrame toWorldSpace(const CoordinateFrame& local) const { return *this * local; }
    CoordinateFrame toObjectSpace(const CoordinateFrame& world) const { return inverse() * world; }

    // The frame looks along its -z axis, with +y up and +x to the right.
    Vector3 lookVector() const { return -rotation.column(2); }
    Vector3 upVector() const { return rotation.column(1); }
    Vector3 rightVector() const { return rotation.column(0); }

    // Turns the frame, keeping its translation, so that it looks at `target` with
    // `up` as near its +y as possible. An up vector along the view direction is
    // replaced by another axis; a target at the frame's own position leaves the
    // rotation unchanged.
    void lookAt(const Vector3& target, Vector3 up = Vector3::unitY()) {
        Vector3 look = (target - translation).direction();
        if (look.isZero()) {
            return;
        }
        up = up.direction();
        if (up.isZero() || std::fabs(look.dot(up)) > 0.99f) {
            up = Vector3::unitY();
            if (std::fabs(look.dot(up)) > 0.99f) {
                up = Vector3::unitX();
            }
        }
        Vector3 z = -look;
        Vector3 x = up.cross(z).direction();
        Vector3 y = z.cross(x);
        rotation.setColumn(0, x);
        rotation.setColumn(1, y);
        rotation.setColumn(2, z);
    }

    bool isFinite() const { return rotation.isFinite() && translation.isFinite(); }
};
