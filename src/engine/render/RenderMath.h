// Conversions between the engine's frames and glm matrices used by the drawing code.
#pragma once

#include <glm/glm.hpp>

#include "engine/CoordinateFrame.h"

namespace renderMath {

inline glm::mat3 toGlm(const Matrix3& m) {
    glm::mat3 g;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            g[c][r] = m(r, c);
    return g;
}

inline Matrix3 fromGlm(const glm::mat3& g) {
    Matrix3 m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m(r, c) = g[c][r];
    return m;
}

inline glm::mat4 toGlm(const CoordinateFrame& f) {
    glm::mat4 g(toGlm(f.rotation));
    g[3] = glm::vec4(f.translation.glm(), 1.0f);
    return g;
}

inline glm::vec3 apply(const CoordinateFrame& f, const glm::vec3& p) {
    return toGlm(f.rotation) * p + f.translation.glm();
}

inline CoordinateFrame inverse(const CoordinateFrame& f) {
    glm::mat3 rt = glm::transpose(toGlm(f.rotation));
    return CoordinateFrame(fromGlm(rt), Vector3(-(rt * f.translation.glm())));
}

}  // namespace renderMath
