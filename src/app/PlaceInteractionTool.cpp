#include "app/PlaceInteractionTool.h"

#include "app/App.h"
#include "app/EntityKind.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/NodeEntity.h"

void PlaceInteractionTool::press(const Ray& ray, bool /*right*/) {
    PathwayLayoutEntity& pathway = *app_.pathway();
    Entity* hit = pathway.pickEntity(ray);
    // Only a protein can be an end.
    if (!isNode(hit)) {
        return;
    }
    auto* node = static_cast<NodeEntity*>(hit);
    if (firstEnd_ == nullptr) {
        firstEnd_ = node;
        return;
    }
    if (firstEnd_ == node) {
        return;
    }
    pathway.createEdge(firstEnd_, node, true);
    firstEnd_ = nullptr;
    app_.requestRepaint();
}
