// Half-line from an origin along a unit direction: picking rays of the camera.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/AABox.h"
#include "engine/Plane.h"
#include "engine/Vector3.h"

struct Ray {
    Vector3 origin;
    Vector3 direction = -Vector3::unitZ();

    constexpr Ray() = default;

    // The direction is normalised; a zero direction stays zero (a ray that meets nothing).
    static Ray fromOriginAndDirection(const Vector3& origin, const Vector3& direction) {
        Ray r;
        r.origin = origin;
        r.direction = direction.direction();
        return r;
    }

    Vector3 pointAt(float t) const { return origin + direction * t; }

    // Time t >= 0 at which the ray meets the plane's front side, infinity when it
    // runs parallel to the plane, meets it from behind, or the plane lies behind
    // the origin.
    float intersectionTime(const Plane& plane) const {
        float rate = direction.dot(plane.normal());
        if (!(rate < 0)) {
            return std::numeric_limits<float>::infinity();
        }
        float t = -plane.signedDistance(origin) / rate;
        if (!(t >= 0) || !std::isfinite(t)) {
            return std::numeric_limits<float>::infinity();
        }
        return t;
    }

    // The point where the ray meets the plane's front side, Vector3::inf() otherwise.
    Vector3 intersection(const Plane& plane) const {
        float t = intersectionTime(plane);
        return std::isfinite(t) ? pointAt(t) : Vector3::inf();
    }

    // Time of the first point of the box on the ray: 0 when the origin lies inside
    // the box, infinity when the ray misses it.
    float intersectionTime(const AABox& box) const {
        constexpr float kMiss = std::numeric_limits<float>::infinity();
        if (!origin.isFinite() || !direction.isFinite()) {
            return kMiss;
        }
        if (box.contains(origin)) {
            return 0;
        }
        float enter = 0, leave = kMiss;
        for (int axis = 0; axis < 3; ++axis) {
            float o = origin[axis], d = direction[axis];
            float lo = box.low()[axis], hi = box.high()[axis];
            if (d == 0) {
                if (o < lo || o > hi) {
                    return kMiss;
                }
                continue;
            }
            float t1 = (lo - o) / d, t2 = (hi - o) / d;
            if (t1 > t2) {
                std::swap(t1, t2);
            }
            enter = std::max(enter, t1);
            leave = std::min(leave, t2);
            if (!(enter <= leave)) {
                return kMiss;
            }
        }
        return enter;
    }

    Vector3 closestPoint(const Vector3& p) const {
        float t = (p - origin).dot(direction);
        return t > 0 ? pointAt(t) : origin;
    }
    float distance(const Vector3& p) const { return (p - closestPoint(p)).length(); }
};
