// RGB colour with float channels, usually in [0, 1].
#pragma once

#include <cmath>

#include <glm/geometric.hpp>
#include <glm/vec3.hpp>

struct Color3 {
    float r = 0, g = 0, b = 0;

    constexpr Color3() = default;
    constexpr Color3(float r_, float g_, float b_) : r(r_), g(g_), b(b_) {}
    glm::vec3 glm() const { return {r, g, b}; }
    bool operator==(const Color3&) const = default;

    static constexpr Color3 black() { return {0, 0, 0}; }
    static constexpr Color3 white() { return {1, 1, 1}; }
    static constexpr Color3 red() { return {1, 0, 0}; }
    static constexpr Color3 green() { return {0, 1, 0}; }
    static constexpr Color3 blue() { return {0, 0, 1}; }
    static constexpr Color3 yellow() { return {1, 1, 0}; }

    float& operator[](int i) { return i == 0 ? r : (i == 1 ? g : b); }
    float operator[](int i) const { return i == 0 ? r : (i == 1 ? g : b); }

    constexpr Color3 operator+(const Color3& o) const { return {r + o.r, g + o.g, b + o.b}; }
    constexpr Color3 operator-(const Color3& o) const { return {r - o.r, g - o.g, b - o.b}; }
    constexpr Color3 operator*(const Color3& o) const { return {r * o.r, g * o.g, b * o.b}; }
    constexpr Color3 operator*(float s) const { return {r * s, g * s, b * s}; }
    constexpr Color3 operator/(float s) const { return {r / s, g / s, b / s}; }
    constexpr Color3& operator+=(const Color3& o) { return *this = *this + o; }
    constexpr Color3& operator*=(float s) { return *this = *this * s; }

    // Euclidean length of (r, g, b): the heatmap's finiteness check uses it.
    float length() const { return glm::length(glm()); }
    bool isFinite() const { return std::isfinite(r) && std::isfinite(g) && std::isfinite(b); }
    Color3 lerp(const Color3& to, float t) const { return *this + (to - *this) * t; }
};

constexpr Color3 operator*(float s, const Color3& c) {
    return c * s;
}
