// Four-component float vector: homogeneous points and the text form of colours.
#pragma once

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/vec4.hpp>

#include "engine/Vector3.h"

struct Vector4 {
    float x = 0, y = 0, z = 0, w = 0;

    constexpr Vector4() = default;
    constexpr Vector4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    constexpr Vector4(const Vector3& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
    explicit Vector4(const glm::vec4& v) : x(v.x), y(v.y), z(v.z), w(v.w) {}
    glm::vec4 glm() const { return {x, y, z, w}; }

    constexpr Vector3 xyz() const { return {x, y, z}; }

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w)); }
    bool operator==(const Vector4&) const = default;

    constexpr Vector4 operator-() const { return {-x, -y, -z, -w}; }
    constexpr Vector4 operator+(const Vector4& o) const {
        return {x + o.x, y + o.y, z + o.z, w + o.w};
    }
    constexpr Vector4 operator-(const Vector4& o) const {
        return {x - o.x, y - o.y, z - o.z, w - o.w};
    }
    constexpr Vector4 operator*(float s) const { return {x * s, y * s, z * s, w * s}; }
    constexpr Vector4 operator/(float s) const { return {x / s, y / s, z / s, w / s}; }

    float dot(const Vector4& o) const { return glm::dot(glm(), o.glm()); }
    float length() const { return glm::length(glm()); }
    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && std::isfinite(w);
    }
};

constexpr Vector4 operator*(float s, const Vector4& v) {
    return v * s;
}
