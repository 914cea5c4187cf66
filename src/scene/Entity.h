// The scene-graph node: a local frame relative to the parent, a global frame
// kept consistent down the tree, children sorted by depth at insertion and an
// activity manager for the entity's animations.
//
// Ownership: children are observed, never owned. Destroying an entity deletes
// its pending activities but not its children; whoever created an entity
// (the pathway document, the explore view, the scene core) deletes it.
#pragma once

#include <memory>
#include <string>

#include "engine/CoordinateFrame.h"
#include "engine/Ray.h"
#include "engine/Table.h"
#include "scene/Activity.h"

class Font;
class RenderDevice;

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

    // Inserts before the first child whose global z is not less than the new
    // child's; null and children already present are ignored.
    void addChild(Entity* child);
    // Removes every occurrence; the child keeps its parent pointer and lives on.
    void removeChild(Entity* child);
    bool hasChild(const Entity* child) const;

    void moveLocal(const CoordinateFrame& target, double duration);
    void moveGlobal(const CoordinateFrame& target, double duration);

    const CoordinateFrame& getLocalFrame() const { return localFrame; }
    const CoordinateFrame& getGlobalFrame() const { return globalFrame; }
    Entity* getParent() const { return parent; }
    void setParent(Entity* newParent) { parent = newParent; }
    const Array<Entity*>& getChildren() const { return children; }
    // For owners that reorder or fill the list directly (no parent is set and
    // no sorting happens through this).
    Array<Entity*>& childList() { return children; }
    const std::string& getType() const { return type; }

    // Set by a press that picked the entity, cleared by the release.
    bool pressed = false;

protected:
    std::string type;
    Array<Entity*> children;
    Entity* parent = nullptr;
    CoordinateFrame localFrame;
    CoordinateFrame globalFrame;
};

// Linear interpolation of two frames in XYZ Euler angles and translation, as
// the move activities use it; p = 0 gives `from`, p = 1 gives `to`.
CoordinateFrame interpolateFrames(const CoordinateFrame& from, const CoordinateFrame& to, double p);
