// Oriented plane: the points p with normal . p == distance. The side the normal
// points to is the front.
#pragma once

#include "engine/Vector3.h"

class Plane {
public:
    // The plane z = 0 seen from +z.
    constexpr Plane() = default;

    // Through three points; the front is the side from which a, b, c run counter-
    // clockwise. Collinear points give a zero normal (a plane nothing intersects).
    Plane(const Vector3& a, const Vector3& b, const Vector3& c)
        : normal_((b - a).cross(c - a).direction()), distance_(normal_.dot(a)) {}

    static Plane fromNormalAndPoint(const Vector3& normal, const Vector3& point) {
        Plane p;
        p.normal_ = normal.direction();
        p.distance_ = p.normal_.dot(point);
        return p;
    }

    const Vector3& normal() const { return normal_; }
    // Signed distance of the plane from the origin along the normal.
    float distance() const { return distance_; }
    // Positive in front of the plane, negative behind it.
    float signedDistance(const Vector3& p) const { return normal_.dot(p) - distance_; }
    bool halfSpaceContains(const Vector3& p) const { return signedDistance(p) >= 0; }
    Vector3 closestPoint(const Vector3& p) const { return p - normal_ * signedDistance(p); }

private:
    Vector3 normal_ = Vector3::unitZ();
    float distance_ = 0;
};
