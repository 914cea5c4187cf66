// Solid and wire shapes from quads, fans and lines in the current object space.
#include "engine/render/Draw.h"

#include <algorithm>
#include <cmath>

#include "engine/render/RenderDevice.h"

namespace {

constexpr int kSlices = 16;
constexpr int kStacks = 8;
constexpr float kPi = 3.14159265358979f;

void boxFaces(const Vector3& l, const Vector3& h, RenderDevice* rd) {
    // Counter-clockwise seen from outside, so culling keeps the faces towards the viewer.
    const Vector3 faces[6][4] = {
        {{l.x, l.y, h.z}, {h.x, l.y, h.z}, {h.x, h.y, h.z}, {l.x, h.y, h.z}},
        {{l.x, l.y, l.z}, {l.x, h.y, l.z}, {h.x, h.y, l.z}, {h.x, l.y, l.z}},
        {{h.x, l.y, l.z}, {h.x, h.y, l.z}, {h.x, h.y, h.z}, {h.x, l.y, h.z}},
        {{l.x, l.y, l.z}, {l.x, l.y, h.z}, {l.x, h.y, h.z}, {l.x, h.y, l.z}},
        {{l.x, h.y, l.z}, {l.x, h.y, h.z}, {h.x, h.y, h.z}, {h.x, h.y, l.z}},
        {{l.x, l.y, l.z}, {h.x, l.y, l.z}, {h.x, l.y, h.z}, {l.x, l.y, h.z}},
    };
    const Vector3 normals[6] = {{0, 0, 1},  {0, 0, -1}, {1, 0, 0},
                                {-1, 0, 0}, {0, 1, 0},  {0, -1, 0}};
    rd->beginPrimitive(RenderDevice::QUADS);
    for (int f = 0; f < 6; ++f) {
        rd->setNormal(normals[f]);
        for (const Vector3& v : faces[f])
            rd->sendVertex(v);
    }
    rd->endPrimitive();
}

// Draws the faces drawFaces sends in the solid colour: one culled pass when
// opaque, back faces then front faces blended and without depth writes when
// translucent.
template <class Faces>
void solidPasses(RenderDevice* rd, const Color4& solid, Faces drawFaces) {
    if (!(solid.a > 0))
        return;
    rd->pushState();
    rd->setColor(solid);
    if (solid.a < 1) {
        rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
        rd->setDepthWrite(false);
        rd->setCullFace(RenderDevice::CULL_FRONT);
        drawFaces();
        rd->setCullFace(RenderDevice::CULL_BACK);
        drawFaces();
    } else {
        rd->setCullFace(RenderDevice::CULL_BACK);
        drawFaces();
    }
    rd->popState();
}

void beginWire(RenderDevice* rd, const Color4& wire) {
    rd->pushState();
    rd->disableLighting();
    rd->setLineWidth(2);
    if (wire.a < 1)
        rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setColor(wire);
}

// Two unit vectors perpendicular to axis and to each other, (u, v, axis) right-handed.
void basis(const Vector3& axis, Vector3* u, Vector3* v) {
    Vector3 other = std::fabs(axis.x) < 0.9f ? Vector3(1, 0, 0) : Vector3(0, 1, 0);
    *u = axis.cross(other).direction();
    *v = axis.cross(*u);
}

}  // namespace

void Draw::box(const AABox& b, RenderDevice* rd, const Color4& solid, const Color4& wire) {
    box(b.low(), b.high(), rd, solid, wire);
}

void Draw::box(const Vector3& a, const Vector3& b, RenderDevice* rd, const Color4& solid,
               const Color4& wire) {
    if (!rd)
        return;
    Vector3 l = a.min(b), h = a.max(b);
    solidPasses(rd, solid, [&] { boxFaces(l, h, rd); });
    if (wire.a > 0) {
        beginWire(rd, wire);
        rd->beginPrimitive(RenderDevice::LINES);
        for (int axis = 0; axis < 3; ++axis) {
            int i = (axis + 1) % 3, j = (axis + 2) % 3;
            for (int k = 0; k < 4; ++k) {
                Vector3 p = l, q;
                p[i] = (k & 1) ? h[i] : l[i];
                p[j] = (k & 2) ? h[j] : l[j];
                q = p;
                q[axis] = h[axis];
                rd->sendVertex(p);
                rd->sendVertex(q);
            }
        }
        rd->endPrimitive();
        rd->popState();
    }
}

void Draw::cylinder(const Vector3& p1, const Vector3& p2, float radius, RenderDevice* rd,
                    const Color4& solid, const Color4& wire) {
    if (!rd)
        return;
    Vector3 axis = (p2 - p1).direction();
    if (axis.isZero())
        return;
    Vector3 u, v;
    basis(axis, &u, &v);
    auto ring = [&](int i) {
        float t = 2 * kPi * float(i % kSlices) / kSlices;
        return u * std::cos(t) + v * std::sin(t);
    };
    auto faces = [&] {
        rd->beginPrimitive(RenderDevice::QUADS);
        for (int i = 0; i < kSlices; ++i) {
            Vector3 d0 = ring(i), d1 = ring(i + 1);
            rd->setNormal((d0 + d1).direction());
            rd->sendVertex(p1 + d0 * radius);
            rd->sendVertex(p1 + d1 * radius);
            rd->sendVertex(p2 + d1 * radius);
            rd->sendVertex(p2 + d0 * radius);
        }
        rd->endPrimitive();
        rd->beginPrimitive(RenderDevice::TRIANGLE_FAN);
        rd->setNormal(axis);
        rd->sendVertex(p2);
        for (int i = 0; i <= kSlices; ++i)
            rd->sendVertex(p2 + ring(i) * radius);
        rd->endPrimitive();
        rd->beginPrimitive(RenderDevice::TRIANGLE_FAN);
        rd->setNormal(-axis);
        rd->sendVertex(p1);
        for (int i = kSlices; i >= 0; --i)
            rd->sendVertex(p1 + ring(i) * radius);
        rd->endPrimitive();
    };
    solidPasses(rd, solid, faces);
    if (wire.a > 0) {
        beginWire(rd, wire);
        for (const Vector3& c : {p1, p2}) {
            rd->beginPrimitive(RenderDevice::LINE_STRIP);
            for (int i = 0; i <= kSlices; ++i)
                rd->sendVertex(c + ring(i) * radius);
            rd->endPrimitive();
        }
        rd->popState();
    }
}

void Draw::sphere(const Vector3& center, float radius, RenderDevice* rd, const Color4& solid,
                  const Color4& wire) {
    if (!rd)
        return;
    auto point = [&](int stack, int slice) {
        float phi = kPi * float(stack) / kStacks;
        float theta = 2 * kPi * float(slice % kSlices) / kSlices;
        return Vector3(std::sin(phi) * std::cos(theta), std::cos(phi),
                       -std::sin(phi) * std::sin(theta));
    };
    auto faces = [&] {
        rd->beginPrimitive(RenderDevice::QUADS);
        for (int s = 0; s < kStacks; ++s) {
            for (int i = 0; i < kSlices; ++i) {
                // From the top pole down, theta turning clockwise seen from above:
                // these four run counter-clockwise seen from outside.
                Vector3 a = point(s, i), b = point(s + 1, i), c = point(s + 1, i + 1),
                        d = point(s, i + 1);
                rd->setNormal((a + b + c + d).direction());
                for (const Vector3& n : {a, b, c, d})
                    rd->sendVertex(center + n * radius);
            }
        }
        rd->endPrimitive();
    };
    solidPasses(rd, solid, faces);
    if (wire.a > 0) {
        beginWire(rd, wire);
        rd->beginPrimitive(RenderDevice::LINE_STRIP);
        for (int i = 0; i <= kSlices; ++i)
            rd->sendVertex(center + point(kStacks / 2, i) * radius);
        rd->endPrimitive();
        rd->popState();
    }
}

void Draw::arrow(const Vector3& start, const Vector3& direction, RenderDevice* rd,
                 const Color4& color, float scale) {
    if (!rd)
        return;
    float length = direction.length();
    Vector3 axis = direction.direction();
    if (axis.isZero())
        return;
    Vector3 tip = start + direction;
    float headLength = std::min(0.3f * scale, length);
    float headRadius = 0.1f * scale;
    Vector3 back = tip - axis * headLength;
    if (headLength < length)
        cylinder(start, back, 0.02f * scale, rd, color, Color4::clear());
    Vector3 u, v;
    basis(axis, &u, &v);
    auto ring = [&](int i) {
        float t = 2 * kPi * float(i % kSlices) / kSlices;
        return u * std::cos(t) + v * std::sin(t);
    };
    solidPasses(rd, color, [&] {
        rd->beginPrimitive(RenderDevice::TRIANGLES);
        for (int i = 0; i < kSlices; ++i) {
            Vector3 d0 = ring(i), d1 = ring(i + 1);
            rd->setNormal(
                (d0 + d1 + axis * (headRadius / std::max(headLength, 1e-6f))).direction());
            rd->sendVertex(back + d0 * headRadius);
            rd->sendVertex(back + d1 * headRadius);
            rd->sendVertex(tip);
        }
        rd->endPrimitive();
        rd->beginPrimitive(RenderDevice::TRIANGLE_FAN);
        rd->setNormal(-axis);
        rd->sendVertex(back);
        for (int i = kSlices; i >= 0; --i)
            rd->sendVertex(back + ring(i) * headRadius);
        rd->endPrimitive();
    });
}
