// Placing an interaction (tool 11): the first protein pressed is the first
// end, a different second one closes the interaction between them.
#pragma once

#include "app/EditingTool.h"

class NodeEntity;

class PlaceInteractionTool : public EditingTool {
public:
    using EditingTool::EditingTool;
    void press(const Ray& ray, bool right) override;

    // Observed: the App forgets it when it leaves the pathway.
    const NodeEntity* firstEnd() const { return firstEnd_; }
    void forgetEnds() { firstEnd_ = nullptr; }

private:
    NodeEntity* firstEnd_ = nullptr;
};
