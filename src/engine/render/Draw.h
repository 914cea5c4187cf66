// Shapes drawn in the current object space of a render device: boxes, cylinders,
// spheres and arrows. A wire or outline colour with alpha 0 draws no lines.
#pragma once

#include "engine/AABox.h"
#include "engine/Color4.h"
#include "engine/Vector3.h"

class RenderDevice;

class Draw {
public:
    // The solid is lit and culled; a translucent solid is drawn in two passes,
    // back faces first, blended and without depth writes. Wire edges are lines of width 2.
    static void box(const Vector3& low, const Vector3& high, RenderDevice* rd,
                    const Color4& solid = Color4(1, 1, 1, 0.2f),
                    const Color4& wire = Color4(0, 0, 0, 1));
    static void box(const AABox& box, RenderDevice* rd, const Color4& solid = Color4(1, 1, 1, 0.2f),
                    const Color4& wire = Color4(0, 0, 0, 1));
    // A tube of the given radius from p1 to p2, closed at both ends.
    static void cylinder(const Vector3& p1, const Vector3& p2, float radius, RenderDevice* rd,
                         const Color4& solid = Color4(1, 1, 1, 0.2f),
                         const Color4& wire = Color4::clear());
    static void sphere(const Vector3& center, float radius, RenderDevice* rd,
                       const Color4& solid = Color4(1, 1, 1, 0.2f),
                       const Color4& wire = Color4::clear());
    // A shaft with a cone at its head, from start to start + direction.
    static void arrow(const Vector3& start, const Vector3& direction, RenderDevice* rd,
                      const Color4& color = Color4(1, 1, 1, 1), float scale = 1.0f);
};
