// The scene-graph node: a local frame relative to the parent, a global frame
// kept consistent down the tree, children in drawing order (see ChildList) and
// an activity manager for the entity's animations.
//
// Ownership: children are observed, never owned. Destroying an entity deletes
// its pending activities but not its children; whoever created an entity
// (the pathway document, the explore view, the scene core) deletes it.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "engine/CoordinateFrame.h"
#include "engine/Ray.h"
#include "engine/Table.h"
#include "scene/Activity.h"

class Entity;
class Font;
class RenderDevice;

// The children of an entity in drawing order: first those put in front,
// latest first, then the others by ascending global depth at insertion, equal
// depths latest first. Insertions are noted and merged in by the next read in
// one sorted pass, so that adding N children costs O(N log N) instead of a
// shift of the whole list per child. Reads may therefore write: one thread at
// a time (the layout thread never reads child lists).
class ChildList {
public:
    using const_iterator = Array<Entity*>::const_iterator;

    ChildList() = default;
    ChildList(const ChildList&) = delete;
    ChildList& operator=(const ChildList&) = delete;

    const Array<Entity*>& items() const;
    // Where a plain list is taken, so that code drawing or walking children
    // need not know how they are kept.
    operator const Array<Entity*>&() const { return items(); }
    const_iterator begin() const { return items().begin(); }
    const_iterator end() const { return items().end(); }
    std::size_t size() const { return items().size(); }
    bool empty() const { return items().empty(); }
    Entity* operator[](std::size_t i) const { return items()[i]; }
    Entity* front() const { return items().front(); }
    Entity* back() const { return items().back(); }
    bool contains(const Entity* child) const;

    // Null and present children are ignored.
    void insertByDepth(Entity* child);
    void putInFront(Entity* child);

    // Direct edits, for owners that order the list themselves. A child
    // inserted among those in front joins them.
    void insert(const_iterator at, Entity* child);
    void push_back(Entity* child);
    void removeAll(const Entity* child);
    void clear();
    ChildList& operator=(Array<Entity*> children);

private:
    // Whether `child` may be here: one never listed anywhere cannot be, which
    // spares new entities the scan.
    bool mayContain(const Entity* child) const;
    void settle() const;

    // Made on the first insertion: most entities never have a child, and
    // every byte of an entity counts when a pathway makes 100,000 of them.
    struct Pending {
        std::size_t frontCount = 0;
        // Not yet merged, in the order given; depth-ordered ones with their
        // depth at insertion.
        Array<Entity*> inFront;
        Array<std::pair<Entity*, float>> byDepth;
    };
    Pending& pending();

    mutable Array<Entity*> list;
    mutable std::unique_ptr<Pending> state;
};

class Entity : public ActivityManager {
public:
    // Animates the local frame from its value now to a target frame.
    class ActivityMoveLocal : public Activity {
    public:
        ActivityMoveLocal(const CoordinateFrame& from, const CoordinateFrame& to, Entity* target,
                          double duration);
        void update() override;

    private:
        CoordinateFrame from;
        CoordinateFrame to;
        Entity* target;
    };

    // The same in world coordinates.
    class ActivityMoveGlobal : public Activity {
    public:
        ActivityMoveGlobal(const CoordinateFrame& from, const CoordinateFrame& to, Entity* target,
                           double duration);
        void update() override;

    private:
        CoordinateFrame from;
        CoordinateFrame to;
        Entity* target;
    };

    Entity();
    virtual ~Entity();

    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    virtual void setLocalFrame(const CoordinateFrame& frame);
    virtual void setGlobalFrame(const CoordinateFrame& frame);
    virtual void setFont(std::shared_ptr<Font> font);
    virtual void render(RenderDevice* rd);
    virtual Entity* pick(const Ray& ray);
    virtual bool rayEvent(const Ray& ray, int value);
    virtual bool mousePress(const Ray& ray, int button);
    virtual bool mouseRelease(const Ray& ray, int button);
    virtual bool mouseMove(const Ray& first, const Ray& second);
    virtual bool drag(const Ray& previous, const Ray& current);
    virtual bool userEvent(int value);
    virtual bool updateActivities();
    virtual void scale(double factor);
    virtual void updateGlobalFrame(const CoordinateFrame& parentGlobal);
    virtual void propagateFrames();
    virtual void frameChanged(const CoordinateFrame& frame);
    virtual void notifyFrameChanged();

    // Inserts before the first depth-ordered child whose global z is not less
    // than the new child's; null and children already present are ignored.
    void addChild(Entity* child);
    // Puts the child before every other one without making it its parent
    // (drawn first, under the rest); null and present children are ignored.
    void putChildInFront(Entity* child);
    // Removes every occurrence; the child keeps its parent pointer and lives on.
    void removeChild(Entity* child);
    bool hasChild(const Entity* child) const;

    void moveLocal(const CoordinateFrame& target, double duration);
    void moveGlobal(const CoordinateFrame& target, double duration);

    const CoordinateFrame& getLocalFrame() const { return localFrame; }
    const CoordinateFrame& getGlobalFrame() const { return globalFrame; }
    Entity* getParent() const { return parent; }
    void setParent(Entity* newParent) { parent = newParent; }
    const Array<Entity*>& getChildren() const { return children.items(); }
    // For owners that reorder or fill the list directly (no parent is set and
    // no sorting happens through this).
    ChildList& childList() { return children; }
    const std::string& getType() const { return type; }

    // Set by a press that picked the entity, cleared by the release.
    bool pressed = false;

protected:
    std::string type;
    ChildList children;
    Entity* parent = nullptr;
    CoordinateFrame localFrame;
    CoordinateFrame globalFrame;

private:
    friend class ChildList;
    // Set once the entity enters any child list; never cleared.
    bool listed = false;
};

// Linear interpolation of two frames in XYZ Euler angles and translation, as
// the move activities use it; p = 0 gives `from`, p = 1 gives `to`.
CoordinateFrame interpolateFrames(const CoordinateFrame& from, const CoordinateFrame& to, double p);
