// Spreads a set of points over a rectangle around a fixed first point with a
// small force simulation; used to lay out the neighbours of a hub protein.
// Works on plain positions only. Reentrant: every call has its own random
// source, so several sets may be spread on several threads at once.
#pragma once

#include <cstdint>

#include "engine/Table.h"
#include "engine/Vector3.h"

// Uniform random unit vectors from a seeded generator; the same seed gives the
// same sequence on every platform.
class UnitVectorSource {
public:
    explicit UnitVectorSource(std::uint64_t seed);
    Vector3 next();

private:
    double uniform();
    std::uint64_t state;
};

// Point 0 is the anchor and never moves. The rectangle runs from x = 0 to w and
// from y = 0 down to -h. Unless `keep` is set the points are first re-seeded at
// random. An empty set, or a rectangle without area, is left unchanged.
void spreadPoints(int iterations, double a, double b, float w, float h, Array<Vector3>& points,
                  bool keep, UnitVectorSource& random);
void spreadPoints(int iterations, double a, double b, float w, float h, Array<Vector3>& points,
                  bool keep, std::uint64_t seed = 1);
