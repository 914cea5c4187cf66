// Container panel drawing, picking with its trace, child dragging and scaling.
#include "scene/ContainerEntity.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/Plane.h"
#include "engine/Vector2.h"
#include "engine/render/Draw.h"
#include "engine/render/Font.h"
#include "engine/render/RenderDevice.h"
#include "model/TextConversions.h"

namespace {

void trace(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// "%f" without the C locale.
std::string fixed6(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

bool hitTime(float t) {
    return std::isfinite(t) && t >= 0;
}

// Every kind of entity but the edge is a node; the plain Entity has no type.
NodeEntity* asNode(Entity* entity) {
    const std::string& type = entity->getType();
    if (type.empty() || type == "EdgeEntity") {
        return nullptr;
    }
    return static_cast<NodeEntity*>(entity);
}

}  // namespace

ContainerEntity::ContainerEntity(const CoordinateFrame& frame, const std::string& name_,
                                 const Vector3& size_, const Color4& color_)
    : NodeEntity(frame, name_, 0, size_, color_, false) {
    type = "ContainerEntity";
    childrenFirst = false;
    bodyHidden = false;
    clip = false;
    framed = true;
    titled = true;
    setLabelSize(0.06);
    frameColor = Color4(color_.r - 0.3f, color_.g - 0.3f, color_.b - 0.3f, 1.0f);
    frameWidth = 0.007;
}

ContainerEntity::~ContainerEntity() = default;

Plane ContainerEntity::panelPlane() const {
    return Plane(globalFrame.pointToWorldSpace(Vector3(0, 0, 0)),
                 globalFrame.pointToWorldSpace(Vector3(1, 0, 0)),
                 globalFrame.pointToWorldSpace(Vector3(0, 1, 0)));
}

Entity* ContainerEntity::pick(const Ray& ray) {
    const Vector3 p = globalFrame.translation;
    const Vector3 extent(size.x, -size.y, 0.001f);
    const float t = ray.intersectionTime(AABox(p, p + extent));
    trace("position = " + vector3ToString(p) + ", vsize = " + vector3ToString(extent) +
          " , time = " + fixed6(t) + "\n");
    if (hitTime(t)) {
        return this;
    }
    for (Entity* child : children) {
        if (Entity* hit = child->pick(ray)) {
            return hit;
        }
    }
    return nullptr;
}

bool ContainerEntity::hitsBody(const Ray& ray) const {
    if (!titled) {
        return true;
    }
    const Vector3 p = globalFrame.translation;
    const AABox body(Vector3(p.x, p.y - BODY_TOP, p.z - 0.001f),
                     Vector3(p.x + size.x, p.y - size.y, p.z - 0.001f));
    return hitTime(ray.intersectionTime(body));
}

bool ContainerEntity::rayEvent(const Ray& ray, int value) {
    if (!hitsBody(ray)) {
        return false;
    }
    bool answer = false;
    for (Entity* child : children) {
        answer = child->rayEvent(ray, value);
    }
    return answer;
}

bool ContainerEntity::mousePress(const Ray& ray, int button) {
    if (pick(ray) == this && !hitsBody(ray)) {
        // A press on the title strip takes the whole container.
        pressed = true;
        return false;
    }
    for (Entity* child : children) {
        if (child->pick(ray) != nullptr && child->mousePress(ray, button)) {
            return true;
        }
    }
    return false;
}

bool ContainerEntity::mouseRelease(const Ray& ray, int button) {
    NodeEntity::mouseRelease(ray, button);
    return true;
}

bool ContainerEntity::mouseMove(const Ray& first, const Ray& second) {
    bool any = false;
    for (Entity* child : children) {
        if (child->mouseMove(first, second)) {
            any = true;
        }
    }
    return any;
}

bool ContainerEntity::drag(const Ray& previous, const Ray& current) {
    const Plane plane = panelPlane();
    if (pressed && parent == nullptr) {
        const Vector3 a = previous.intersection(plane);
        const Vector3 b = current.intersection(plane);
        if (!a.isFinite() || !b.isFinite()) {
            return false;
        }
        CoordinateFrame moved = globalFrame;
        moved.translation += b - a;
        setGlobalFrame(moved);
        return true;
    }

    bool noted = false;
    // By index: a child's drag may not change this list, but stay safe if it does.
    for (std::size_t i = 0; i < children.size(); ++i) {
        Entity* child = children[i];
        if (child->drag(previous, current)) {
            noted = true;
            continue;
        }
        NodeEntity* node = asNode(child);
        if (node == nullptr || !node->pressed || !node->movable || !node->draggable) {
            continue;
        }
        trace("here1\n");
        const Vector3 a = previous.intersection(plane);
        const Vector3 b = current.intersection(plane);
        if (!a.isFinite() || !b.isFinite()) {
            continue;
        }
        const CoordinateFrame before = node->getGlobalFrame();
        CoordinateFrame moved = before;
        moved.translation += b - a;
        node->setGlobalFrame(moved);
        trace("here2\n");
        const AABox allowed(Vector3(0, -size.y, -size.z / 2), Vector3(size.x, 0, size.z / 2));
        if (!allowed.contains(node->getLocalFrame().translation) && !bodyHidden) {
            trace("dragged out of allowed area\n");
            node->setGlobalFrame(before);
        }
        noted = true;
    }
    return noted;
}

bool ContainerEntity::userEvent(int value) {
    for (Entity* child : children) {
        child->userEvent(value);
    }
    return true;
}

void ContainerEntity::scale(double factor) {
    const float f = static_cast<float>(factor);
    auto centre = [this](float w, float h) {
        if (titled) {
            return Vector3(w / 2, -(BODY_TOP + (h - BODY_TOP) / 2), 0);
        }
        return Vector3(w / 2, -h / 2, 0);
    };
    const Vector3 oldCentre = centre(size.x, size.y);
    const Vector3 newCentre = centre(size.x * f, size.y * f);
    for (Entity* child : children) {
        CoordinateFrame frame = child->getLocalFrame();
        frame.translation = newCentre + (frame.translation - oldCentre) * f;
        child->setLocalFrame(frame);
        child->scale(factor);
    }
    size = Vector3(size.x * f, size.y * f, size.z * f);
    invalidateContent();
}

void ContainerEntity::renderPanel(RenderDevice* rd) {
    const float w = size.x, h = size.y, d = size.z;
    const float front = d / 2, back = -d / 2;
    const float r = static_cast<float>(frameWidth);
    const CoordinateFrame objectToWorld = rd->objectToWorldMatrix();
    rd->setObjectToWorldMatrix(globalFrame);

    // Horizontal rectangles (top, divider, bottom) at the given heights, each
    // with its four corner spheres, joined by the four vertical corner edges.
    auto rectangle = [&](float y) {
        const Vector3 c[4] = {{0, y, front}, {w, y, front}, {w, y, back}, {0, y, back}};
        for (int i = 0; i < 4; ++i) {
            Draw::cylinder(c[i], c[(i + 1) % 4], r, rd, frameColor, Color4::clear());
            Draw::sphere(c[i], r, rd, frameColor, Color4::clear());
        }
    };
    auto verticals = [&]() {
        const float xz[4][2] = {{0, front}, {w, front}, {w, back}, {0, back}};
        for (const auto& p : xz) {
            Draw::cylinder(Vector3(p[0], 0, p[1]), Vector3(p[0], -h, p[1]), r, rd, frameColor,
                           Color4::clear());
        }
    };

    if (!titled) {
        Draw::box(Vector3(0, 0, back), Vector3(w, -h, front), rd, color, Color4::clear());
        if (framed) {
            rectangle(0);
            rectangle(-h);
            verticals();
        }
    } else {
        Draw::box(Vector3(0, 0, back), Vector3(w, -TITLE_HEIGHT, front), rd, color,
                  Color4::clear());
        Draw::box(Vector3(0, -BODY_TOP, back), Vector3(w, -h, front), rd, color, Color4::clear());
        if (framed) {
            // Sixteen tubes and twelve spheres: the top edge, the foot of the
            // title strip and the bottom edge, joined at the corners.
            rectangle(0);
            rectangle(-TITLE_HEIGHT);
            rectangle(-h);
            verticals();
        }
    }
    rd->setObjectToWorldMatrix(objectToWorld);

    if (titled && font != nullptr) {
        const std::string title = fitLabel(name, labelSize, w, font.get());
        const Vector2 extent = font->bounds(title, labelSize);
        const CoordinateFrame at(
            Vector3(w / 2 - extent.x / 2, -0.06f + extent.y / 2, front + 0.001f));
        font->draw3D(rd, title, globalFrame * at, labelSize, fontColor, Color4::clear(),
                     Font::XALIGN_LEFT, Font::YALIGN_TOP, Font::PROPORTIONAL_SPACING);
    }
}

void ContainerEntity::render(RenderDevice* rd) {
    if (rd == nullptr) {
        return;
    }
    const AABox box(Vector3(0, 0, -size.z / 2), Vector3(size.x, -size.y, size.z / 2));
    beginRender(rd, globalFrame, box);
    if (!bodyHidden) {
        renderPanel(rd);
    }
    endRender(rd);
}
