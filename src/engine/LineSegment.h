// Segment between two points; distances are measured to the segment, not its line.
#pragma once

#include <algorithm>

#include "engine/Vector3.h"

class LineSegment {
public:
    constexpr LineSegment() = default;

    static LineSegment fromTwoPoints(const Vector3& a, const Vector3& b) {
        LineSegment s;
        s.a_ = a;
        s.b_ = b;
        return s;
    }

    // Point 0 or 1.
    Vector3 point(int i) const { return i == 0 ? a_ : b_; }
    float length() const { return (b_ - a_).length(); }

    // A segment of zero length answers its one point.
    Vector3 closestPoint(const Vector3& p) const {
        Vector3 ab = b_ - a_;
        float len2 = ab.squaredLength();
        if (!(len2 > 0)) {
            return a_;
        }
        float t = std::clamp((p - a_).dot(ab) / len2, 0.0f, 1.0f);
        return a_ + ab * t;
    }
    float distance(const Vector3& p) const { return (p - closestPoint(p)).length(); }

private:
    Vector3 a_;
    Vector3 b_;
};
