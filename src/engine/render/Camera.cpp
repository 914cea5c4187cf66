// Camera placement, rays through viewport pixels and the infinite perspective.
#include "engine/render/Camera.h"

#include <cmath>

#include "engine/render/RenderMath.h"

Ray Camera::worldRay(float x, float y, const Rect2D& viewport) const {
    Vector3 origin, direction;
    worldRay(x, y, viewport.width(), viewport.height(), &origin, &direction);
    return Ray::fromOriginAndDirection(origin, direction);
}

void Camera::worldRay(float x, float y, float viewportWidth, float viewportHeight, Vector3* origin,
                      Vector3* direction) const {
    double halfHeight = std::tan(fieldOfView_ * 0.5);
    double aspect = viewportHeight > 0 ? double(viewportWidth) / viewportHeight : 1.0;
    double nx = viewportWidth > 0 ? 2.0 * x / viewportWidth - 1.0 : 0.0;
    double ny = viewportHeight > 0 ? 1.0 - 2.0 * y / viewportHeight : 0.0;
    glm::vec3 local(float(nx * halfHeight * aspect), float(ny * halfHeight), -1.0f);
    glm::vec3 world = renderMath::toGlm(frame_.rotation) * glm::normalize(local);
    if (origin)
        *origin = frame_.translation;
    if (direction)
        *direction = Vector3(world);
}

void Camera::projectionMatrix(float viewportWidth, float viewportHeight, double out[16]) const {
    double n = -nearPlaneZ_;
    double halfHeight = std::tan(fieldOfView_ * 0.5);
    double aspect = viewportHeight > 0 ? double(viewportWidth) / viewportHeight : 1.0;
    double f = 1.0 / halfHeight;
    for (int i = 0; i < 16; ++i)
        out[i] = 0;
    out[0] = f / aspect;
    out[5] = f;
    // The limit of the usual matrix as the far plane goes to infinity, pulled
    // in slightly so that points far away stay inside the depth range.
    const double epsilon = 2.4e-7;
    out[10] = epsilon - 1.0;
    out[11] = -1.0;
    out[14] = (epsilon - 2.0) * n;
}
