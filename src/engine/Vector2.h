// Two-component float vector: pixel positions and planar points.
#pragma once

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/vec2.hpp>

struct Vector2 {
    float x = 0, y = 0;

    constexpr Vector2() = default;
    constexpr Vector2(float x_, float y_) : x(x_), y(y_) {}
    explicit Vector2(const glm::vec2& v) : x(v.x), y(v.y) {}
    glm::vec2 glm() const { return {x, y}; }

    static constexpr Vector2 zero() { return {0, 0}; }

    float& operator[](int i) { return i == 0 ? x : y; }
    float operator[](int i) const { return i == 0 ? x : y; }
    bool operator==(const Vector2&) const = default;

    constexpr Vector2 operator-() const { return {-x, -y}; }
    constexpr Vector2 operator+(const Vector2& o) const { return {x + o.x, y + o.y}; }
    constexpr Vector2 operator-(const Vector2& o) const { return {x - o.x, y - o.y}; }
    constexpr Vector2 operator*(const Vector2& o) const { return {x * o.x, y * o.y}; }
    constexpr Vector2 operator/(const Vector2& o) const { return {x / o.x, y / o.y}; }
    constexpr Vector2 operator*(float s) const { return {x * s, y * s}; }
    constexpr Vector2 operator/(float s) const { return {x / s, y / s}; }
    constexpr Vector2& operator+=(const Vector2& o) { return *this = *this + o; }
    constexpr Vector2& operator-=(const Vector2& o) { return *this = *this - o; }
    constexpr Vector2& operator*=(float s) { return *this = *this * s; }
    constexpr Vector2& operator/=(float s) { return *this = *this / s; }

    float dot(const Vector2& o) const { return glm::dot(glm(), o.glm()); }
    float squaredLength() const { return dot(*this); }
    float length() const { return glm::length(glm()); }
    // The zero vector for a zero or non-finite length.
    Vector2 direction() const {
        float len = length();
        if (!(len > 0) || !std::isfinite(len)) {
            return zero();
        }
        return *this / len;
    }
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }
    bool isZero() const { return x == 0 && y == 0; }
};

constexpr Vector2 operator*(float s, const Vector2& v) {
    return v * s;
}
