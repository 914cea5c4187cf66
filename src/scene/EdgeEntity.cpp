// Edge drawing and picking.
#include "scene/EdgeEntity.h"

#include <cmath>

#include "engine/LineSegment.h"
#include "engine/Plane.h"
#include "engine/render/RenderDevice.h"
#include "scene/NodeEntity.h"
#include "scene/SlotPool.h"

EdgeEntity::EdgeEntity(NodeEntity* a, NodeEntity* b, int kind_, float r, float g, float b_,
                       float alpha, double width_)
    : nodeA(a), nodeB(b), color(r, g, b_, alpha), width(width_), kind(kind_) {
    type = "EdgeEntity";
}

EdgeEntity::~EdgeEntity() = default;

void* EdgeEntity::operator new(std::size_t size) {
    return allocateSlot<EdgeEntity>(size);
}

void EdgeEntity::operator delete(void* p, std::size_t size) {
    releaseSlot<EdgeEntity>(p, size);
}

Vector3 EdgeEntity::endPointA() const {
    return (nodeA->getGlobalFrame() * offsetA).translation;
}

Vector3 EdgeEntity::endPointB() const {
    return (nodeB->getGlobalFrame() * offsetB).translation;
}

void EdgeEntity::render(RenderDevice* rd) {
    // The kind stays as the owner set it: filters read it, in batch mode too,
    // where nothing is drawn.
    if (rd == nullptr || hidden || nodeA == nullptr || nodeB == nullptr) {
        return;
    }
    rd->setLineWidth(static_cast<float>(width));
    rd->setColor(color);
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    // Smoothed lines cost a software rasteriser most of a frame.
    rd->setLineSmoothing(!rd->quickFrame());
    rd->setNormal(Vector3(0, 0, 1));
    rd->beginPrimitive(RenderDevice::LINES);
    rd->sendVertex(endPointA());
    rd->sendVertex(endPointB());
    rd->endPrimitive();
}

Entity* EdgeEntity::pick(const Ray& ray) {
    if (hidden || nodeA == nullptr || nodeB == nullptr) {
        return nullptr;
    }
    const CoordinateFrame frame = parent != nullptr ? parent->getGlobalFrame() : CoordinateFrame();
    const Plane plane(frame.pointToWorldSpace(Vector3(0, 0, 0)),
                      frame.pointToWorldSpace(Vector3(1, 0, 0)),
                      frame.pointToWorldSpace(Vector3(0, 1, 0)));
    const Vector3 hit = ray.intersection(plane);
    if (!hit.isFinite()) {
        return nullptr;
    }
    // A zero-length segment measures to its one point.
    const LineSegment segment = LineSegment::fromTwoPoints(nodeA->getGlobalFrame().translation,
                                                           nodeB->getGlobalFrame().translation);
    const float distance = segment.distance(hit);
    return distance < PICK_DISTANCE ? this : nullptr;
}

bool EdgeEntity::rayEvent(const Ray&, int) {
    return false;
}

bool EdgeEntity::mousePress(const Ray&, int) {
    return false;
}

bool EdgeEntity::mouseRelease(const Ray&, int) {
    return false;
}

bool EdgeEntity::mouseMove(const Ray&, const Ray&) {
    return false;
}

bool EdgeEntity::drag(const Ray&, const Ray&) {
    return false;
}

bool EdgeEntity::userEvent(int) {
    return false;
}

bool EdgeEntity::updateActivities() {
    return false;
}

void EdgeEntity::scale(double factor) {
    width *= factor;
}

void EdgeEntity::setReferencedObject(std::shared_ptr<NodeEntity> object) {
    attachment = std::move(object);
}
