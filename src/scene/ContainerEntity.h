// A node that holds other entities on a flat panel: a box with an optional
// title strip carrying its name, an optional frame of thin tubes along its
// edges, and children that can be dragged about inside it. Its origin is the
// top-left front corner: the body runs to +width in x, to -height in y and
// from -depth/2 to +depth/2 in z.
#pragma once

#include "scene/NodeEntity.h"

class ContainerEntity : public NodeEntity {
public:
    // Height of the title strip and offset of the body below the top edge.
    static constexpr float TITLE_HEIGHT = 0.1f;
    static constexpr float BODY_TOP = 0.11f;

    ContainerEntity(const CoordinateFrame& frame, const std::string& name, const Vector3& size,
                    const Color4& color);
    ~ContainerEntity() override;

    void render(RenderDevice* rd) override;
    Entity* pick(const Ray& ray) override;
    bool rayEvent(const Ray& ray, int value) override;
    bool mousePress(const Ray& ray, int button) override;
    bool mouseRelease(const Ray& ray, int button) override;
    bool mouseMove(const Ray& first, const Ray& second) override;
    bool drag(const Ray& previous, const Ray& current) override;
    bool userEvent(int value) override;
    void scale(double factor) override;

    // True without a title; otherwise whether the ray meets the part below
    // the title strip.
    bool hitsBody(const Ray& ray) const;

    // The body and frame tubes (and the title), without clip or children.
    void renderPanel(RenderDevice* rd);

    bool framed = true;
    Color4 frameColor;
    bool titled = true;
    double frameWidth = 0.007;

protected:
    // The plane z = 0 of the container, seen from +z.
    Plane panelPlane() const;
};
