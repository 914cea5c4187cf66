// Axis-aligned rectangle in the plane, from (x0, y0) to (x1, y1).
#pragma once

#include <algorithm>

#include "engine/Vector2.h"

class Rect2D {
public:
    constexpr Rect2D() = default;

    // Corners in any order; they are sorted.
    static Rect2D xyxy(float x0, float y0, float x1, float y1) {
        Rect2D r;
        r.min_ = {std::min(x0, x1), std::min(y0, y1)};
        r.max_ = {std::max(x0, x1), std::max(y0, y1)};
        return r;
    }
    static Rect2D xyxy(const Vector2& a, const Vector2& b) { return xyxy(a.x, a.y, b.x, b.y); }
    // A negative width or height extends the rectangle to the other side of (x, y).
    static Rect2D xywh(float x, float y, float w, float h) { return xyxy(x, y, x + w, y + h); }

    float x0() const { return min_.x; }
    float y0() const { return min_.y; }
    float x1() const { return max_.x; }
    float y1() const { return max_.y; }
    float width() const { return max_.x - min_.x; }
    float height() const { return max_.y - min_.y; }
    float area() const { return width() * height(); }
    const Vector2& x0y0() const { return min_; }
    const Vector2& x1y1() const { return max_; }
    Vector2 center() const { return (min_ + max_) * 0.5f; }

    // Edges included.
    bool contains(const Vector2& p) const {
        return p.x >= min_.x && p.x <= max_.x && p.y >= min_.y && p.y <= max_.y;
    }
    bool operator==(const Rect2D&) const = default;

private:
    Vector2 min_;
    Vector2 max_;
};
