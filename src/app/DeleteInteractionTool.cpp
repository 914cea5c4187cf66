#include "app/DeleteInteractionTool.h"

#include "app/App.h"
#include "app/EntityKind.h"
#include "pathway/PathwayLayoutEntity.h"

void DeleteInteractionTool::press(const Ray& ray, bool /*right*/) {
    if (Entity* hit = app_.pathway()->pickEntity(ray); isEdge(hit)) {
        app_.removeInteraction(hit);
    }
}
