// Deleting a protein (tool 12): the pressed protein leaves the pathway with
// its interactions, and exactly one seed entry goes with it.
#pragma once

#include "app/EditingTool.h"

class PlaceProteinTool;

class DeleteProteinTool : public EditingTool {
public:
    // `placing` tells which seed entry a placed protein holds.
    DeleteProteinTool(App& app, const PlaceProteinTool& placing)
        : EditingTool(app), placing_(placing) {}
    void press(const Ray& ray, bool right) override;

private:
    const PlaceProteinTool& placing_;
};
