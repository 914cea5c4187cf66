// Painting on the pathway's picture: a press starts a stroke of the shape
// finder (the right button one that is a line), a drag extends it and the
// release ends it. Current while the App paints and the pathway has a shape
// finder, whatever the editing tool.
#pragma once

#include "app/EditingTool.h"

class PaintingTool : public EditingTool {
public:
    using EditingTool::EditingTool;
    void press(const Ray& ray, bool right) override;
    void drag(const Ray& current, const Ray& last) override;
    void release() override;
    bool worksOnPicture() const override { return true; }
};
