// The viewer: a perspective camera looking down its own -z axis, placed by a
// coordinate frame, with a vertical field of view, a near plane and no far plane.
#pragma once

#include "engine/CoordinateFrame.h"
#include "engine/Ray.h"
#include "engine/Rect2D.h"
#include "engine/Vector3.h"

class Camera {
public:
    static constexpr double DEFAULT_FIELD_OF_VIEW_DEGREES = 55.0;
    static constexpr float DEFAULT_NEAR_PLANE_Z = -0.1f;

    Camera() = default;

    void setCoordinateFrame(const CoordinateFrame& frame) { frame_ = frame; }
    const CoordinateFrame& coordinateFrame() const { return frame_; }
    void setPosition(const Vector3& position) { frame_.translation = position; }
    Vector3 position() const { return frame_.translation; }
    // Turns the camera so that its -z axis points at target with y as close
    // to up as possible; a target at the camera's own position changes nothing.
    void lookAt(const Vector3& target, const Vector3& up = Vector3(0, 1, 0)) {
        frame_.lookAt(target, up);
    }

    // Vertical field of view in radians.
    void setFieldOfView(double radians) { fieldOfView_ = radians; }
    double fieldOfView() const { return fieldOfView_; }
    // Negative: the near plane lies in front of the camera along -z.
    void setNearPlaneZ(float z) { nearPlaneZ_ = z; }
    float nearPlaneZ() const { return nearPlaneZ_; }

    // The ray from the camera's position through the point (x, y) of the
    // viewport, in pixels from the viewport's top-left corner: (0, 0) is the
    // top-left corner of the first pixel, (width, height) the far corner.
    Ray worldRay(float x, float y, const Rect2D& viewport) const;
    void worldRay(float x, float y, float viewportWidth, float viewportHeight, Vector3* origin,
                  Vector3* direction) const;

    // Column-major 4x4 perspective matrix for a viewport of that aspect;
    // the far plane is at infinity.
    void projectionMatrix(float viewportWidth, float viewportHeight, double out[16]) const;

private:
    CoordinateFrame frame_;
    double fieldOfView_ = DEFAULT_FIELD_OF_VIEW_DEGREES * 3.14159265358979323846 / 180.0;
    float nearPlaneZ_ = DEFAULT_NEAR_PLANE_Z;
};
