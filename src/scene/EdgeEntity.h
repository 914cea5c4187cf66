// One interaction: a straight, smoothed, blended line between the global
// positions of two nodes, picked within 0.05 of the segment in the plane of
// its parent. It has no frame of its own that matters: every frame it reads
// its nodes' global frames, so a moved node drags its edges along.
//
// Ownership: the two nodes are observed; the attachment (a picture node some
// owners hang on an interaction) is shared and released with the edge.
#pragma once

#include <memory>

#include "engine/Color4.h"
#include "scene/Entity.h"

class NodeEntity;

class EdgeEntity : public Entity {
public:
    // Distance from the segment within which a ray picks the edge.
    static constexpr float PICK_DISTANCE = 0.05f;

    EdgeEntity(NodeEntity* a, NodeEntity* b, int kind, float r, float g, float b_, float alpha,
               double width);
    ~EdgeEntity() override;

    // A pathway holds them by the ten thousand: made in blocks (SlotPool);
    // derived classes go to the general heap.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);

    void render(RenderDevice* rd) override;
    Entity* pick(const Ray& ray) override;
    bool rayEvent(const Ray& ray, int value) override;
    bool mousePress(const Ray& ray, int button) override;
    bool mouseRelease(const Ray& ray, int button) override;
    bool mouseMove(const Ray& first, const Ray& second) override;
    bool drag(const Ray& previous, const Ray& current) override;
    bool userEvent(int value) override;
    bool updateActivities() override;
    void scale(double factor) override;

    void setReferencedObject(std::shared_ptr<NodeEntity> object);
    const std::shared_ptr<NodeEntity>& getReferencedObject() const { return attachment; }

    NodeEntity* getNodeA() const { return nodeA; }
    NodeEntity* getNodeB() const { return nodeB; }

    // The two drawn end points: each node's global frame times its offset.
    Vector3 endPointA() const;
    Vector3 endPointB() const;

    // Fixed at construction: the layouter relies on an edge keeping its ends.
    NodeEntity* const nodeA;
    CoordinateFrame offsetA;
    NodeEntity* const nodeB;
    CoordinateFrame offsetB;
    bool hidden = false;
    Color4 color;
    double width;
    int kind;

private:
    std::shared_ptr<NodeEntity> attachment;
};
