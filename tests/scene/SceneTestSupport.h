// Shared pieces of the scene tests: a clock the test sets by hand, a font of
// fixed advances, rays straight down the z axis.
#pragma once

#include <array>
#include <memory>

#include <gtest/gtest.h>

#include "engine/Clock.h"
#include "engine/Ray.h"
#include "engine/render/Font.h"

class ManualClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        setSystemTimeSourceForTesting([this] { return now; });
    }
    void TearDown() override { setSystemTimeSourceForTesting(nullptr); }

    double now = 100.0;
};

// Every character advances by `advance` times the size.
inline std::shared_ptr<Font> fixedAdvanceFont(float advance = 0.5f) {
    std::array<float, Font::GLYPH_COUNT> advances;
    advances.fill(advance);
    return Font::fromAdvances(advances);
}

// A ray from z = +10 looking down -z through (x, y).
inline Ray downRay(float x, float y, float fromZ = 10.0f) {
    return Ray::fromOriginAndDirection(Vector3(x, y, fromZ), Vector3(0, 0, -1));
}

// A ray from behind (z = -10) looking up +z through (x, y).
inline Ray upRay(float x, float y) {
    return Ray::fromOriginAndDirection(Vector3(x, y, -10.0f), Vector3(0, 0, 1));
}

#define EXPECT_VEC3_NEAR(a, b, tol)       \
    do {                                  \
        const Vector3 va_ = (a);          \
        const Vector3 vb_ = (b);          \
        EXPECT_NEAR(va_.x, vb_.x, (tol)); \
        EXPECT_NEAR(va_.y, vb_.y, (tol)); \
        EXPECT_NEAR(va_.z, vb_.z, (tol)); \
    } while (0)
