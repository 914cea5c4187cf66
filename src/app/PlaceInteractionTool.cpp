#include "app/PlaceInteractionTool.h"

#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/NodeEntity.h"

void PlaceInteractionTool::press(const Ray& ray, bool /*right*/) {
    // Only a protein can be an end.
    NodeEntity* node = pickProtein(ray);
    if (node == nullptr) {
        return;
    }
    if (firstEnd_ == nullptr) {
        firstEnd_ = node;
        return;
    }
    if (firstEnd_ == node) {
        return;
    }
    app_.pathway()->createEdge(firstEnd_, node, true);
    firstEnd_ = nullptr;
    app_.requestRepaint();
}
