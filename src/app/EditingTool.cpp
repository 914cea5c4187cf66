#include "app/EditingTool.h"

#include <cstdio>

#include "app/App.h"
#include "app/EntityKind.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/NodeEntity.h"

void EditingTool::drag(const Ray& current, const Ray& last) {
    app_.pathway()->drag(last, current);
    app_.noteViewMoved();
    std::fputs("drag\n", stdout);
    std::fflush(stdout);
}

NodeEntity* EditingTool::pickProtein(const Ray& ray) const {
    Entity* hit = app_.pathway()->pickEntity(ray);
    return isNode(hit) ? static_cast<NodeEntity*>(hit) : nullptr;
}
