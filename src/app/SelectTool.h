// Selecting proteins (tools 8 and 9, and before any tool was chosen): a press
// on a protein selects it, through the Analyze tab's list once the network is
// built; a press on anything else clears the selection unless Control is down.
#pragma once

#include "app/EditingTool.h"

class SelectTool : public EditingTool {
public:
    using EditingTool::EditingTool;
    void press(const Ray& ray, bool right) override;
};
