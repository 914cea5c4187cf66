// 3x3 float matrix stored by rows; element (row, column). Rotations act on column
// vectors: the product m * v turns v, and a * b applies b first.
#pragma once

#include <cmath>
#include <numbers>

#include <glm/gtc/quaternion.hpp>
#include <glm/mat3x3.hpp>
#include <glm/matrix.hpp>

#include "engine/Vector3.h"

struct Matrix3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    constexpr Matrix3() = default;
    constexpr Matrix3(float m00, float m01, float m02, float m10, float m11, float m12, float m20,
                      float m21, float m22)
        : m{{m00, m01, m02}, {m10, m11, m12}, {m20, m21, m22}} {}
    // glm stores by columns: g[column][row].
    explicit Matrix3(const glm::mat3& g) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m[r][c] = g[c][r];
            }
        }
    }
    glm::mat3 glm() const {
        glm::mat3 g;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                g[c][r] = m[r][c];
            }
        }
        return g;
    }

    float& operator()(int row, int col) { return m[row][col]; }
    float operator()(int row, int col) const { return m[row][col]; }
    bool operator==(const Matrix3& o) const = default;

    static constexpr Matrix3 identity() { return Matrix3(); }
    static constexpr Matrix3 zero() { return {0, 0, 0, 0, 0, 0, 0, 0, 0}; }

    constexpr Vector3 row(int r) const { return {m[r][0], m[r][1], m[r][2]}; }
    constexpr Vector3 column(int c) const { return {m[0][c], m[1][c], m[2][c]}; }
    constexpr void setRow(int r, const Vector3& v) {
        m[r][0] = v.x;
        m[r][1] = v.y;
        m[r][2] = v.z;
    }
    constexpr void setColumn(int c, const Vector3& v) {
        m[0][c] = v.x;
        m[1][c] = v.y;
        m[2][c] = v.z;
    }

    // The products sit on every frame update, so they are written out rather
    // than routed through glm's column layout (same sums, same order).
    constexpr Matrix3 operator*(const Matrix3& o) const {
        Matrix3 p;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                p.m[r][c] = m[r][0] * o.m[0][c] + m[r][1] * o.m[1][c] + m[r][2] * o.m[2][c];
            }
        }
        return p;
    }
    constexpr Vector3 operator*(const Vector3& v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
                m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    Matrix3 operator*(float s) const { return Matrix3(glm() * s); }
    Matrix3 operator+(const Matrix3& o) const { return Matrix3(glm() + o.glm()); }
    Matrix3 operator-(const Matrix3& o) const { return Matrix3(glm() - o.glm()); }
    Matrix3& operator*=(const Matrix3& o) { return *this = *this * o; }

    constexpr Matrix3 transpose() const {
        return {m[0][0], m[1][0], m[2][0], m[0][1], m[1][1], m[2][1], m[0][2], m[1][2], m[2][2]};
    }
    float determinant() const { return glm::determinant(glm()); }
    // A singular matrix has no inverse: the answer is then the zero matrix rather
    // than a matrix of infinities that would poison every frame it touches.
    Matrix3 inverse() const {
        float det = determinant();
        if (det == 0 || !std::isfinite(det)) {
            return zero();
        }
        return Matrix3(glm::inverse(glm()));
    }

    // Right-handed rotation by `radians` about `axis` (normalised here; a zero axis
    // gives the identity).
    static Matrix3 fromAxisAngle(const Vector3& axis, float radians) {
        Vector3 a = axis.direction();
        if (a.isZero()) {
            return identity();
        }
        return Matrix3(glm::mat3_cast(glm::angleAxis(radians, a.glm())));
    }

    // R = Rx(x) * Ry(y) * Rz(z).
    static Matrix3 fromEulerAnglesXYZ(float x, float y, float z) {
        float cx = std::cos(x), sx = std::sin(x);
        float cy = std::cos(y), sy = std::sin(y);
        float cz = std::cos(z), sz = std::sin(z);
        Matrix3 rx(1, 0, 0, 0, cx, -sx, 0, sx, cx);
        Matrix3 ry(cy, 0, sy, 0, 1, 0, -sy, 0, cy);
        Matrix3 rz(cz, -sz, 0, sz, cz, 0, 0, 0, 1);
        return rx * ry * rz;
    }

    // Inverse of fromEulerAnglesXYZ. At y = +-pi/2 only x + z (or x - z) is
    // determined; z is then 0. Answers false in that case.
    bool toEulerAnglesXYZ(float& x, float& y, float& z) const {
        float s = m[0][2];
        if (s >= 1) {
            x = std::atan2(m[1][0], m[1][1]);
            y = std::numbers::pi_v<float> / 2;
            z = 0;
            return false;
        }
        if (s <= -1) {
            x = -std::atan2(m[1][0], m[1][1]);
            y = -std::numbers::pi_v<float> / 2;
            z = 0;
            return false;
        }
        x = std::atan2(-m[1][2], m[2][2]);
        y = std::asin(s);
        z = std::atan2(-m[0][1], m[0][0]);
        return true;
    }
    Vector3 toEulerAnglesXYZ() const {
        Vector3 a;
        toEulerAnglesXYZ(a.x, a.y, a.z);
        return a;
    }

    bool isFinite() const {
        for (const auto& r : m) {
            for (float v : r) {
                if (!std::isfinite(v)) {
                    return false;
                }
            }
        }
        return true;
    }
};

inline Matrix3 operator*(float s, const Matrix3& a) {
    return a * s;
}
