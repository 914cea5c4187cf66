// RGBA colour with float channels.
#pragma once

struct Color4 {
    float r = 0, g = 0, b = 0, a = 0;

    constexpr Color4() = default;
    constexpr Color4(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}
    bool operator==(const Color4&) const = default;

    static constexpr Color4 clear() { return {0, 0, 0, 0}; }
};
