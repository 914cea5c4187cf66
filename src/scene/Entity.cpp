// Frame bookkeeping, depth-ordered children and the two move animations.
#include "scene/Entity.h"

#include <algorithm>
#include <cmath>

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
    children.insertByDepth(child);
}

void Entity::putChildInFront(Entity* child) {
    children.putInFront(child);
}

void Entity::removeChild(Entity* child) {
    children.removeAll(child);
}

bool Entity::hasChild(const Entity* child) const {
    return children.contains(child);
}

// ---- child list ----

namespace {

float depthOf(const Entity* e) {
    return e->getGlobalFrame().translation.z;
}

}  // namespace

const Array<Entity*>& ChildList::items() const {
    settle();
    return list;
}

ChildList::Pending& ChildList::pending() {
    if (!state) {
        state = std::make_unique<Pending>();
    }
    return *state;
}

bool ChildList::mayContain(const Entity* child) const {
    return child != nullptr && child->listed;
}

bool ChildList::contains(const Entity* child) const {
    if (!mayContain(child)) {
        return false;
    }
    const Array<Entity*>& all = items();
    return std::find(all.begin(), all.end(), child) != all.end();
}

void ChildList::insertByDepth(Entity* child) {
    if (child == nullptr || contains(child)) {
        return;
    }
    child->listed = true;
    pending().byDepth.emplace_back(child, depthOf(child));
}

void ChildList::putInFront(Entity* child) {
    if (child == nullptr || contains(child)) {
        return;
    }
    child->listed = true;
    pending().inFront.push_back(child);
}

void ChildList::insert(const_iterator at, Entity* child) {
    // `at` comes from begin()/end(), so the list is settled already.
    const auto index = static_cast<std::size_t>(at - list.cbegin());
    child->listed = true;
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(index), child);
    if (state && index < state->frontCount) {
        ++state->frontCount;
    }
}

void ChildList::push_back(Entity* child) {
    settle();
    child->listed = true;
    list.push_back(child);
}

void ChildList::removeAll(const Entity* child) {
    if (!mayContain(child)) {
        return;
    }
    settle();
    if (state) {
        const auto front = list.begin() + static_cast<std::ptrdiff_t>(state->frontCount);
        state->frontCount -= static_cast<std::size_t>(std::count(list.begin(), front, child));
    }
    list.erase(std::remove(list.begin(), list.end(), child), list.end());
}

void ChildList::clear() {
    list.clear();
    state.reset();
}

ChildList& ChildList::operator=(Array<Entity*> children) {
    clear();
    list = std::move(children);
    for (Entity* child : list) {
        child->listed = true;
    }
    return *this;
}

void ChildList::settle() const {
    if (!state || (state->inFront.empty() && state->byDepth.empty())) {
        return;
    }
    Pending& p = *state;
    Array<Entity*> merged;
    merged.reserve(list.size() + p.inFront.size() + p.byDepth.size());
    merged.insert(merged.end(), p.inFront.rbegin(), p.inFront.rend());
    const auto depthBegin = list.begin() + static_cast<std::ptrdiff_t>(p.frontCount);
    merged.insert(merged.end(), list.begin(), depthBegin);
    const std::size_t front = merged.size();

    // With the present children in ascending depth and no NaN anywhere, one
    // insertion after the other equals a merge in which newer children come
    // first among equal depths. Anything else is inserted one by one, as the
    // rule reads: before the first child whose depth is not less (a NaN on
    // either side stops that search).
    bool ordered = std::all_of(p.byDepth.begin(), p.byDepth.end(),
                               [](const auto& added) { return !std::isnan(added.second); });
    for (auto it = depthBegin; ordered && it != list.end(); ++it) {
        const float z = depthOf(*it);
        ordered = !std::isnan(z) && (it == depthBegin || !(z < depthOf(*(it - 1))));
    }
    if (ordered) {
        Array<std::pair<Entity*, float>> added(p.byDepth.rbegin(), p.byDepth.rend());
        std::stable_sort(added.begin(), added.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
        auto next = added.begin();
        for (auto it = depthBegin; it != list.end(); ++it) {
            const float z = depthOf(*it);
            for (; next != added.end() && !(z < next->second); ++next) {
                merged.push_back(next->first);
            }
            merged.push_back(*it);
        }
        for (; next != added.end(); ++next) {
            merged.push_back(next->first);
        }
    } else {
        merged.insert(merged.end(), depthBegin, list.end());
        const auto depthPart = static_cast<std::ptrdiff_t>(front);
        for (const auto& [child, z] : p.byDepth) {
            const float depth = z;
            auto at =
                std::find_if(merged.begin() + depthPart, merged.end(),
                             [depth](const Entity* other) { return !(depthOf(other) < depth); });
            merged.insert(at, child);
        }
    }
    list = std::move(merged);
    p.frontCount = front;
    p.inFront.clear();
    p.byDepth.clear();
}

void Entity::moveLocal(const CoordinateFrame& target, double duration) {
    add(new ActivityMoveLocal(localFrame, target, this, duration));
}

void Entity::moveGlobal(const CoordinateFrame& target, double duration) {
    add(new ActivityMoveGlobal(globalFrame, target, this, duration));
}
