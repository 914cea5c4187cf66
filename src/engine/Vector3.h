// Three-component float vector: positions, directions and colours of the scene.
#pragma once

#include <cmath>
#include <limits>

#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

struct Vector3 {
    float x = 0, y = 0, z = 0;

    constexpr Vector3() = default;
    constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit Vector3(const glm::vec3& v) : x(v.x), y(v.y), z(v.z) {}
    glm::vec3 glm() const { return {x, y, z}; }

    static constexpr Vector3 zero() { return {0, 0, 0}; }
    static constexpr Vector3 one() { return {1, 1, 1}; }
    static constexpr Vector3 unitX() { return {1, 0, 0}; }
    static constexpr Vector3 unitY() { return {0, 1, 0}; }
    static constexpr Vector3 unitZ() { return {0, 0, 1}; }
    // Every coordinate positive infinity: "no point", e.g. a ray that misses a plane.
    static constexpr Vector3 inf() {
        constexpr float i = std::numeric_limits<float>::infinity();
        return {i, i, i};
    }

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    bool operator==(const Vector3&) const = default;

    constexpr Vector3 operator-() const { return {-x, -y, -z}; }
    constexpr Vector3 operator+(const Vector3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vector3 operator-(const Vector3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    // Componentwise products and quotients.
    constexpr Vector3 operator*(const Vector3& o) const { return {x * o.x, y * o.y, z * o.z}; }
    constexpr Vector3 operator/(const Vector3& o) const { return {x / o.x, y / o.y, z / o.z}; }
    constexpr Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
    constexpr Vector3 operator/(float s) const { return {x / s, y / s, z / s}; }
    constexpr Vector3& operator+=(const Vector3& o) { return *this = *this + o; }
    constexpr Vector3& operator-=(const Vector3& o) { return *this = *this - o; }
    constexpr Vector3& operator*=(const Vector3& o) { return *this = *this * o; }
    constexpr Vector3& operator/=(const Vector3& o) { return *this = *this / o; }
    constexpr Vector3& operator*=(float s) { return *this = *this * s; }
    constexpr Vector3& operator/=(float s) { return *this = *this / s; }

    float dot(const Vector3& o) const { return glm::dot(glm(), o.glm()); }
    Vector3 cross(const Vector3& o) const { return Vector3(glm::cross(glm(), o.glm())); }
    float squaredLength() const { return dot(*this); }
    float length() const { return glm::length(glm()); }
    // The unit vector along this one; the zero vector for a zero (or non-finite) length,
    // so callers never divide by zero behind their back.
    Vector3 direction() const {
        float len = length();
        if (!(len > 0) || !std::isfinite(len)) {
            return zero();
        }
        return *this / len;
    }

    bool isFinite() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }
    bool isZero() const { return x == 0 && y == 0 && z == 0; }
    Vector3 abs() const { return {std::fabs(x), std::fabs(y), std::fabs(z)}; }
    Vector3 min(const Vector3& o) const {
        return {std::fmin(x, o.x), std::fmin(y, o.y), std::fmin(z, o.z)};
    }
    Vector3 max(const Vector3& o) const {
        return {std::fmax(x, o.x), std::fmax(y, o.y), std::fmax(z, o.z)};
    }
    // this + (to - this) * t.
    Vector3 lerp(const Vector3& to, float t) const { return *this + (to - *this) * t; }
};

constexpr Vector3 operator*(float s, const Vector3& v) {
    return v * s;
}
