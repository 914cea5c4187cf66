// Frame bookkeeping, depth-ordered children and the two move animations.
#include "scene/Entity.h"

#include <algorithm>

Entity::ActivityMoveLocal::ActivityMoveLocal(const CoordinateFrame& from_,
                                             const CoordinateFrame& to_, Entity* target_,
                                             double duration)
    : Activity(duration), from(from_), to(to_), target(target_) {}

void Entity::ActivityMoveLocal::update() {
    Activity::update();
    if (target != nullptr) {
        target->setLocalFrame(interpolateFrames(from, to, progress()));
    }
}

Entity::ActivityMoveGlobal::ActivityMoveGlobal(const CoordinateFrame& from_,
                                               const CoordinateFrame& to_, Entity* target_,
                                               double duration)
    : Activity(duration), from(from_), to(to_), target(target_) {}

void Entity::ActivityMoveGlobal::update() {
    Activity::update();
    if (target != nullptr) {
        target->setGlobalFrame(interpolateFrames(from, to, progress()));
    }
}

CoordinateFrame interpolateFrames(const CoordinateFrame& from, const CoordinateFrame& to,
                                  double p) {
    // The angle difference is scaled as it is, without rebuilding it into a
    // rotation first: a difference of more than a quarter turn in y would
    // come back from that round trip as another triple and the move would
    // end away from its target.
    if (p >= 1.0) {
        return to;
    }
    const Vector3 a = from.rotation.toEulerAnglesXYZ();
    const Vector3 b = to.rotation.toEulerAnglesXYZ();
    const float t = static_cast<float>(p);
    const Vector3 angles = a + (b - a) * t;
    CoordinateFrame result;
    result.rotation = Matrix3::fromEulerAnglesXYZ(angles.x, angles.y, angles.z);
    result.translation = from.translation + (to.translation - from.translation) * t;
    return result;
}

Entity::Entity() = default;

Entity::~Entity() = default;

void Entity::setLocalFrame(const CoordinateFrame& frame) {
    // A propagation before the change would be overwritten in full by the one
    // after it, so only the one after it runs.
    localFrame = frame;
    globalFrame = parent != nullptr ? parent->globalFrame * localFrame : localFrame;
    propagateFrames();
}

void Entity::setGlobalFrame(const CoordinateFrame& frame) {
    setLocalFrame(parent != nullptr ? parent->globalFrame.inverse() * frame : frame);
}

void Entity::setFont(std::shared_ptr<Font>) {}

void Entity::render(RenderDevice*) {}

Entity* Entity::pick(const Ray&) {
    return nullptr;
}

bool Entity::rayEvent(const Ray&, int) {
    return false;
}

bool Entity::mousePress(const Ray&, int) {
    return false;
}

bool Entity::mouseRelease(const Ray&, int) {
    return false;
}

bool Entity::mouseMove(const Ray&, const Ray&) {
    return false;
}

bool Entity::drag(const Ray&, const Ray&) {
    return false;
}

bool Entity::userEvent(int) {
    return false;
}

bool Entity::updateActivities() {
    return false;
}

void Entity::scale(double) {}

void Entity::updateGlobalFrame(const CoordinateFrame& parentGlobal) {
    globalFrame = parentGlobal * localFrame;
    for (Entity* child : children) {
        child->updateGlobalFrame(globalFrame);
    }
}

void Entity::propagateFrames() {
    for (Entity* child : children) {
        child->updateGlobalFrame(globalFrame);
    }
}

void Entity::frameChanged(const CoordinateFrame&) {}

void Entity::notifyFrameChanged() {
    for (Entity* child : children) {
        child->frameChanged(globalFrame);
    }
}

void Entity::addChild(Entity* child) {
    if (child == nullptr || hasChild(child)) {
        return;
    }
    // Only the newcomer's frames can be out of date; the existing children
    // already follow this entity, so adding N children stays linear.
    child->parent = this;
    child->updateGlobalFrame(globalFrame);

    const float z = child->globalFrame.translation.z;
    // A NaN on either side stops the search, as the first unordered comparison.
    auto at = std::find_if(children.begin(), children.end(), [z](const Entity* other) {
        const float oz = other->globalFrame.translation.z;
        return !(oz < z);
    });
    children.insert(at, child);
}

void Entity::removeChild(Entity* child) {
    children.erase(std::remove(children.begin(), children.end(), child), children.end());
}

bool Entity::hasChild(const Entity* child) const {
    return std::find(children.begin(), children.end(), child) != children.end();
}

void Entity::moveLocal(const CoordinateFrame& target, double duration) {
    add(new ActivityMoveLocal(localFrame, target, this, duration));
}

void Entity::moveGlobal(const CoordinateFrame& target, double duration) {
    add(new ActivityMoveGlobal(globalFrame, target, this, duration));
}
