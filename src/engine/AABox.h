// Axis-aligned box between a low and a high corner (both inclusive).
#pragma once

#include "engine/Vector3.h"

class AABox {
public:
    constexpr AABox() = default;
    explicit constexpr AABox(const Vector3& point) : low_(point), high_(point) {}
    // The corners may be given in any order; each coordinate is sorted.
    AABox(const Vector3& a, const Vector3& b) : low_(a.min(b)), high_(a.max(b)) {}

    const Vector3& low() const { return low_; }
    const Vector3& high() const { return high_; }
    Vector3 center() const { return (low_ + high_) * 0.5f; }
    Vector3 extent() const { return high_ - low_; }

    bool contains(const Vector3& p) const {
        return p.x >= low_.x && p.x <= high_.x && p.y >= low_.y && p.y <= high_.y &&
               p.z >= low_.z && p.z <= high_.z;
    }
    bool intersects(const AABox& o) const {
        return low_.x <= o.high_.x && o.low_.x <= high_.x && low_.y <= o.high_.y &&
               o.low_.y <= high_.y && low_.z <= o.high_.z && o.low_.z <= high_.z;
    }
    bool operator==(const AABox&) const = default;

private:
    Vector3 low_;
    Vector3 high_;
};
