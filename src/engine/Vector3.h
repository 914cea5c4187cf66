// Three-component float vector of the scene and the model's text forms.
#pragma once

#include <glm/vec3.hpp>

struct Vector3 {
    float x = 0, y = 0, z = 0;

    constexpr Vector3() = default;
    constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    explicit Vector3(const glm::vec3& v) : x(v.x), y(v.y), z(v.z) {}
    glm::vec3 glm() const { return {x, y, z}; }

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    bool operator==(const Vector3&) const = default;
};
