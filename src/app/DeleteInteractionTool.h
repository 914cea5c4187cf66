// Deleting an interaction (tool 13): the pressed interaction leaves the pathway.
#pragma once

#include "app/EditingTool.h"

class DeleteInteractionTool : public EditingTool {
public:
    using EditingTool::EditingTool;
    void press(const Ray& ray, bool right) override;
};
