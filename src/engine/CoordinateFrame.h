// Rigid frame: a rotation and a translation.
#pragma once

#include "engine/Matrix3.h"
#include "engine/Vector3.h"

struct CoordinateFrame {
    Matrix3 rotation;
    Vector3 translation;

    constexpr CoordinateFrame() = default;
    constexpr CoordinateFrame(const Matrix3& r, const Vector3& t) : rotation(r), translation(t) {}
    explicit constexpr CoordinateFrame(const Vector3& t) : translation(t) {}
    bool operator==(const CoordinateFrame&) const = default;
};
