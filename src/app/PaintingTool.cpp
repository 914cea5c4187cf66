#include "app/PaintingTool.h"

#include "app/App.h"
#include "engine/Ray.h"
#include "pathway/ShapeFinder.h"

void PaintingTool::press(const Ray& ray, bool right) {
    app_.shapeFinder()->reset(ray.origin.x, ray.origin.y, ray.origin.z, ray.direction.x,
                              ray.direction.y, ray.direction.z, right ? 1 : 0);
}

void PaintingTool::drag(const Ray& current, const Ray& /*last*/) {
    app_.shapeFinder()->addStrokePoint(current.origin.x, current.origin.y, current.origin.z,
                                       current.direction.x, current.direction.y,
                                       current.direction.z);
}

void PaintingTool::release() {
    app_.shapeFinder()->finishStroke();
}
