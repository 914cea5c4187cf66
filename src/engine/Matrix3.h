// 3x3 float matrix stored by rows; element (row, column).
#pragma once

#include "engine/Vector3.h"

struct Matrix3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    constexpr Matrix3() = default;
    float& operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
    bool operator==(const Matrix3& o) const = default;

    static constexpr Matrix3 identity() { return Matrix3(); }
};
