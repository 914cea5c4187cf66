// Tests of the point spreading: determinism under a seed, the anchor, the
// per-round step limit, coincident points and the degenerate inputs.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include <gtest/gtest.h>

#include "pathway/PointSpreading.h"

namespace {

Array<Vector3> ring(int n, float w, float h) {
    Array<Vector3> points{Vector3(w / 2, -h / 2, 0.005f)};
    for (int i = 1; i < n; ++i) {
        const float a = 0.3f * static_cast<float>(i);
        points.push_back(Vector3(w / 2 + 0.2f * std::cos(a), -h / 2 + 0.2f * std::sin(a), 0.005f));
    }
    return points;
}

bool allFinite(const Array<Vector3>& points) {
    for (const Vector3& p : points) {
        if (!p.isFinite()) {
            return false;
        }
    }
    return true;
}

float cappedForce(double v) {
    return static_cast<float>(std::clamp(v, -1e30, 1e30));
}

// The simulation written plainly, one pair after the other, in the order of
// additions the spreading has always used: row i sums the points j > i in
// four lanes (lane k takes j = i + 1 + k + 4m) and then the last points one
// by one; a point's force collects the rows before it in order. Every float
// rounding of the original is kept, so the result must match bit for bit.
void referenceSpread(int iterations, double a, double b, float w, float h, Array<Vector3>& points,
                     bool keep, std::uint64_t seed) {
    UnitVectorSource random(seed);
    const std::size_t n = points.size();
    const Array<Vector3> start = points;
    const Vector3 centre(w / 2, -h / 2, 0.005f);
    if (!keep) {
        points[0] = centre;
        for (std::size_t i = 1; i < n; ++i) {
            const Vector3 u = random.next();
            points[i] = Vector3(std::fabs(u.x) * w, -std::fabs(u.y) * h, 0.005f);
        }
    }
    const double r0 = std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h) / 5;
    const double returnFactor = (n > 100 ? 0.1 : n > 50 ? 1.0 : 50.0) * a;
    const double repulsion = 10 * a;
    auto length = [](float x, float y, float z) {
        return std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                         static_cast<double>(z) * z);
    };
    Array<float> fx(n), fy(n);
    for (int round = 0; round < iterations; ++round) {
        std::fill(fx.begin(), fx.end(), 0.0f);
        std::fill(fy.begin(), fy.end(), 0.0f);
        for (std::size_t i = 1; i < n; ++i) {
            Vector3 d = points[i] - points[0];
            double len = length(d.x, d.y, d.z);
            if (len == 0) {
                d = random.next() * 0.0001f;
                len = length(d.x, d.y, d.z);
            }
            const double coef = -b * (len - r0) * (len - r0) * (len - r0) / len;
            fx[i] += cappedForce(coef * d.x);
            fy[i] += cappedForce(coef * d.y);
        }
        for (std::size_t i = 0; i + 1 < n; ++i) {
            float lanes[2][4] = {};
            float sx = 0, sy = 0;
            bool coincident = false;
            const std::size_t laneEnd = i + 1 + (n - i - 1) / 4 * 4;
            for (std::size_t j = i + 1; j < n; ++j) {
                const float dx = points[i].x - points[j].x, dy = points[i].y - points[j].y,
                            dz = points[i].z - points[j].z;
                const double l2 = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                                  static_cast<double>(dz) * dz;
                coincident = coincident || l2 == 0;
                const double coef = l2 > 0 ? repulsion / (l2 * l2) : 0.0;
                const float cx = cappedForce(coef * dx), cy = cappedForce(coef * dy);
                if (j < laneEnd) {
                    lanes[0][(j - i - 1) % 4] += cx;
                    lanes[1][(j - i - 1) % 4] += cy;
                } else {
                    if (j == laneEnd) {
                        for (int k = 0; k < 4; ++k) {
                            sx += lanes[0][k];
                            sy += lanes[1][k];
                        }
                    }
                    sx += cx, sy += cy;
                }
                fx[j] -= cx, fy[j] -= cy;
            }
            if (laneEnd == n) {
                for (int k = 0; k < 4; ++k) {
                    sx += lanes[0][k];
                    sy += lanes[1][k];
                }
            }
            for (std::size_t j = i + 1; coincident && j < n; ++j) {
                if (points[j] != points[i]) {
                    continue;
                }
                const Vector3 d = random.next() * 0.0001f;
                const double l2 = static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                                  static_cast<double>(d.z) * d.z;
                const double coef = repulsion / (l2 * l2);
                const float cx = cappedForce(coef * d.x), cy = cappedForce(coef * d.y);
                sx += cx, sy += cy;
                fx[j] -= cx, fy[j] -= cy;
            }
            fx[i] += sx, fy[i] += sy;
        }
        for (std::size_t i = 1; i < n; ++i) {
            if (keep) {
                const double x = points[i].x, y = points[i].y;
                const double dl = std::max(std::fabs(x), 0.00001);
                const double dr = std::max(std::fabs(w - x), 0.00001);
                const double dt = std::max(std::fabs(y), 0.00001);
                const double db = std::max(std::fabs(-h - y), 0.00001);
                const double k = a * std::fabs(random.next().x);
                fx[i] += cappedForce(k / (dl * dl * dl) - k / (dr * dr * dr));
                fy[i] += cappedForce(-k / (dt * dt * dt) + k / (db * db * db));
            }
        }
        for (std::size_t i = 1; i < n; ++i) {
            const Vector3 d = keep ? start[i] - points[i] : points[i] - centre;
            if (keep && (d.x != 0 || d.y != 0 || d.z != 0)) {
                fx[i] += cappedForce(returnFactor * d.x);
                fy[i] += cappedForce(returnFactor * d.y);
            } else if (!keep) {
                const double len = length(d.x, d.y, d.z);
                if (len >= 1.2 * r0 && len > 0) {
                    const double coef = 10 * b * (len - 1.2 * r0) / len;
                    fx[i] -= cappedForce(coef * d.x);
                    fy[i] -= cappedForce(coef * d.y);
                }
            }
        }
        for (std::size_t i = 1; i < n; ++i) {
            float mx = fx[i], my = fy[i];
            const double len =
                std::sqrt(static_cast<double>(mx) * mx + static_cast<double>(my) * my);
            if (!std::isfinite(len)) {
                continue;
            }
            if (len > 0.01) {
                mx = static_cast<float>(mx * (0.01 / len));
                my = static_cast<float>(my * (0.01 / len));
            }
            points[i].x += mx;
            points[i].y += my;
        }
    }
}

// Points scattered over a w x h rectangle from a seeded generator; every
// `stack`-th one on top of the one before, and z varied when `deep`.
Array<Vector3> scattered(int n, float w, float h, int stack, bool deep, std::uint64_t seed) {
    UnitVectorSource random(seed);
    Array<Vector3> points;
    for (int i = 0; i < n; ++i) {
        const Vector3 u = random.next();
        Vector3 p(std::fabs(u.x) * w, -std::fabs(u.y) * h, deep ? 0.005f + 0.01f * u.z : 0.005f);
        if (stack > 0 && i > 1 && i % stack == 0) {
            p = points.back();
        }
        points.push_back(p);
    }
    return points;
}

}  // namespace

TEST(PointSpreading, MatchesTheReferenceBitForBit) {
    // Sizes around the block and lane widths, with and without points on top
    // of each other (rounds where some share a place are taken row by row),
    // flat and with z varied; each compared exactly after many rounds, where
    // a single rounding difference would have grown visible.
    for (int n : {2, 3, 5, 8, 9, 12, 13, 17, 31, 64, 71}) {
        for (int stack : {0, 7}) {
            for (bool deep : {false, true}) {
                for (bool keep : {true, false}) {
                    const float w = 3.0f, h = 2.0f;
                    const Array<Vector3> start = scattered(n, w, h, stack, deep, 17u + n);
                    Array<Vector3> expected = start, actual = start;
                    referenceSpread(120, 400.0, 10000.0, w, h, expected, keep, 5);
                    spreadPoints(120, 400.0, 10000.0, w, h, actual, keep, 5);
                    ASSERT_EQ(actual, expected)
                        << "n " << n << " stack " << stack << " deep " << deep << " keep " << keep;
                }
            }
        }
    }
}

TEST(PointSpreading, SameSeedSameResultAndAnchorFixed) {
    for (bool keep : {false, true}) {
        Array<Vector3> a = ring(30, 3, 2), b = a, c = a;
        spreadPoints(200, 400.0, 10000.0, 3, 2, a, keep, 7);
        spreadPoints(200, 400.0, 10000.0, 3, 2, b, keep, 7);
        spreadPoints(200, 400.0, 10000.0, 3, 2, c, keep, 8);
        EXPECT_EQ(a, b) << keep;
        EXPECT_NE(a, c) << keep;
        EXPECT_TRUE(allFinite(a));
        EXPECT_EQ(a[0], Vector3(1.5f, -1.0f, 0.005f));
        for (const Vector3& p : a) {
            EXPECT_FLOAT_EQ(p.z, 0.005f);
        }
    }
}

TEST(PointSpreading, MovesAtMostOneHundredthPerRound) {
    // Without keep, zero rounds show the re-seeded start of the same seed.
    Array<Vector3> seeded = ring(40, 2, 2), moved = seeded;
    spreadPoints(0, 400.0, 10000.0, 2, 2, seeded, false, 3);
    spreadPoints(25, 400.0, 10000.0, 2, 2, moved, false, 3);
    EXPECT_NE(seeded, moved);
    for (std::size_t i = 1; i < seeded.size(); ++i) {
        EXPECT_LE((moved[i] - seeded[i]).length(), 25 * 0.01f + 1e-4f) << i;
        EXPECT_LE(seeded[i].x, 2.0f);
        EXPECT_LE(seeded[i].y, 0.0f);
    }

    // With keep the caller's positions are the start; more than 100 points
    // and more than 50 take the weaker pull back.
    for (int n : {20, 60, 120}) {
        const Array<Vector3> start = ring(n, 4, 3);
        Array<Vector3> points = start;
        spreadPoints(10, 400.0, 10000.0, 4, 3, points, true, 5);
        EXPECT_EQ(points[0], start[0]);
        for (std::size_t i = 1; i < points.size(); ++i) {
            EXPECT_LE((points[i] - start[i]).length(), 10 * 0.01f + 1e-4f) << n << " " << i;
        }
        EXPECT_TRUE(allFinite(points));
    }
}

TEST(PointSpreading, SeparatesCoincidentPointsAndPointsOnTheAnchor) {
    const Vector3 hub(1, -1, 0.005f);
    Array<Vector3> points{hub, hub, Vector3(1.5f, -1.2f, 0.005f), Vector3(1.5f, -1.2f, 0.005f)};
    spreadPoints(50, 400.0, 10000.0, 2, 2, points, true, 11);
    ASSERT_TRUE(allFinite(points));
    EXPECT_EQ(points[0], hub);
    EXPECT_GT((points[1] - hub).length(), 0.05f);
    EXPECT_GT((points[2] - points[3]).length(), 0.05f);
}

TEST(PointSpreading, DegenerateInputsAreLeftAlone) {
    Array<Vector3> empty;
    spreadPoints(1000, 400.0, 10000.0, 1, 1, empty, false);
    EXPECT_TRUE(empty.empty());

    const Array<Vector3> start = ring(5, 1, 1);
    for (auto [w, h] : {std::pair{0.0f, 1.0f}, {1.0f, 0.0f}, {0.0f, 0.0f}, {-1.0f, 1.0f}}) {
        Array<Vector3> points = start;
        spreadPoints(100, 400.0, 10000.0, w, h, points, false);
        EXPECT_EQ(points, start);
    }

    // A single point only moves when it is re-seeded to the centre.
    Array<Vector3> single{Vector3(0.3f, -0.2f, 0.1f)};
    spreadPoints(100, 400.0, 10000.0, 2, 1, single, true);
    EXPECT_EQ(single[0], Vector3(0.3f, -0.2f, 0.1f));
    spreadPoints(100, 400.0, 10000.0, 2, 1, single, false);
    EXPECT_EQ(single[0], Vector3(1.0f, -0.5f, 0.005f));
}

TEST(PointSpreading, UnitVectorsAreUnitAndSeeded) {
    UnitVectorSource a(42), b(42);
    for (int i = 0; i < 100; ++i) {
        const Vector3 u = a.next();
        EXPECT_NEAR(u.length(), 1.0f, 1e-5f);
        EXPECT_EQ(u, b.next());
    }
}
