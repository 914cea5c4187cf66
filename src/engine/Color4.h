// RGBA colour with float channels; alpha 1 is opaque.
#pragma once

#include <cmath>

#include <glm/vec4.hpp>

#include "engine/Color3.h"

struct Color4 {
    float r = 0, g = 0, b = 0, a = 0;

    constexpr Color4() = default;
    constexpr Color4(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}
    constexpr Color4(const Color3& c, float a_ = 1.0f) : r(c.r), g(c.g), b(c.b), a(a_) {}
    glm::vec4 glm() const { return {r, g, b, a}; }
    bool operator==(const Color4&) const = default;

    static constexpr Color4 clear() { return {0, 0, 0, 0}; }

    constexpr Color3 rgb() const { return {r, g, b}; }

    float& operator[](int i) { return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }
    float operator[](int i) const { return i == 0 ? r : (i == 1 ? g : (i == 2 ? b : a)); }

    // All four channels, alpha included.
    constexpr Color4 operator+(const Color4& o) const {
        return {r + o.r, g + o.g, b + o.b, a + o.a};
    }
    constexpr Color4 operator-(const Color4& o) const {
        return {r - o.r, g - o.g, b - o.b, a - o.a};
    }
    constexpr Color4 operator*(const Color4& o) const {
        return {r * o.r, g * o.g, b * o.b, a * o.a};
    }
    constexpr Color4 operator*(float s) const { return {r * s, g * s, b * s, a * s}; }
    constexpr Color4 operator/(float s) const { return {r / s, g / s, b / s, a / s}; }
    constexpr Color4& operator+=(const Color4& o) { return *this = *this + o; }
    constexpr Color4& operator*=(float s) { return *this = *this * s; }

    bool isFinite() const { return rgb().isFinite() && std::isfinite(a); }
};

constexpr Color4 operator*(float s, const Color4& c) {
    return c * s;
}
