// The point-spreading simulation: a cubic spring to the anchor, pair
// repulsion, and either walls with a pull back to the starting positions or a
// pull towards the centre. The pair loop is the hot part (rounds x n^2), so the
// points live in contiguous per-axis arrays that are allocated once per call.
#include "pathway/PointSpreading.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// A pair closer than float resolution near zero would make an infinite force;
// the move is limited to 0.01 anyway, so no contribution needs to be larger.
constexpr double kForceCap = 1e30;

inline float capped(double v) {
    return static_cast<float>(std::clamp(v, -kForceCap, kForceCap));
}

// The repulsion of point i on the points j >= begin, four pairs at a time: the
// per-axis arrays are read and written in contiguous blocks, the magnitudes
// are computed in double as everywhere else, and the sums on i come back.
struct RowSums {
    float x = 0, y = 0;
    bool coincident = false;
};

#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__) && !defined(__SANITIZE_THREAD__)
// Picks the wider vector unit where the processor has it. (Not under the thread
// sanitizer: its runtime is not up yet when the clone resolver runs.)
#define CORVIDANE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define CORVIDANE_VECTOR_CLONES
#endif

using Float4 = float __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));
using Mask4 = long long __attribute__((vector_size(32)));

CORVIDANE_VECTOR_CLONES
RowSums repelRow(const float* px, const float* py, const float* pz, float* fx, float* fy,
                 std::size_t begin, std::size_t n, float xi, float yi, float zi, double repulsion) {
    RowSums sums;
    std::size_t j = begin;
    const Double4 zero = {0, 0, 0, 0};
    const Double4 rep = {repulsion, repulsion, repulsion, repulsion};
    const Double4 cap = {kForceCap, kForceCap, kForceCap, kForceCap};
    Float4 sx = {0, 0, 0, 0}, sy = {0, 0, 0, 0};
    Mask4 same = {0, 0, 0, 0};
    for (; j + 4 <= n; j += 4) {
        Float4 x, y, z, gx, gy;
        std::memcpy(&x, px + j, sizeof x);
        std::memcpy(&y, py + j, sizeof y);
        std::memcpy(&z, pz + j, sizeof z);
        const Double4 dx = __builtin_convertvector(xi - x, Double4);
        const Double4 dy = __builtin_convertvector(yi - y, Double4);
        const Double4 dz = __builtin_convertvector(zi - z, Double4);
        const Double4 l2 = dx * dx + dy * dy + dz * dz;
        same |= l2 == zero;
        const Double4 coef = l2 > zero ? rep / (l2 * l2) : zero;
        Double4 cx = coef * dx, cy = coef * dy;
        cx = cx > cap ? cap : cx;
        cx = cx < -cap ? -cap : cx;
        cy = cy > cap ? cap : cy;
        cy = cy < -cap ? -cap : cy;
        const Float4 fcx = __builtin_convertvector(cx, Float4);
        const Float4 fcy = __builtin_convertvector(cy, Float4);
        sx += fcx;
        sy += fcy;
        std::memcpy(&gx, fx + j, sizeof gx);
        std::memcpy(&gy, fy + j, sizeof gy);
        gx -= fcx;
        gy -= fcy;
        std::memcpy(fx + j, &gx, sizeof gx);
        std::memcpy(fy + j, &gy, sizeof gy);
    }
    for (int k = 0; k < 4; ++k) {
        sums.x += sx[k];
        sums.y += sy[k];
        sums.coincident |= same[k] != 0;
    }
    for (; j < n; ++j) {
        const float dx = xi - px[j], dy = yi - py[j], dz = zi - pz[j];
        const double l2 = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                          static_cast<double>(dz) * dz;
        sums.coincident |= l2 == 0;
        const double coef = l2 > 0 ? repulsion / (l2 * l2) : 0.0;
        const float cx = capped(coef * dx), cy = capped(coef * dy);
        sums.x += cx, sums.y += cy;
        fx[j] -= cx, fy[j] -= cy;
    }
    return sums;
}

}  // namespace

UnitVectorSource::UnitVectorSource(std::uint64_t seed) : state(seed) {}

double UnitVectorSource::uniform() {
    // splitmix64: tiny, fast, and the same on every platform.
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

Vector3 UnitVectorSource::next() {
    // Uniform on the sphere: z uniform in [-1, 1], the angle uniform around it.
    const double z = 2.0 * uniform() - 1.0;
    const double phi = 2.0 * std::numbers::pi * uniform();
    const double r = std::sqrt(std::max(0.0, 1.0 - z * z));
    return {static_cast<float>(r * std::cos(phi)), static_cast<float>(r * std::sin(phi)),
            static_cast<float>(z)};
}

void spreadPoints(int iterations, double a, double b, float w, float h, Array<Vector3>& points,
                  bool keep, std::uint64_t seed) {
    UnitVectorSource random(seed);
    spreadPoints(iterations, a, b, w, h, points, keep, random);
}

void spreadPoints(int iterations, double a, double b, float w, float h, Array<Vector3>& points,
                  bool keep, UnitVectorSource& random) {
    const std::size_t n = points.size();
    if (n == 0 || !(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) {
        return;
    }
    const Array<Vector3> start = points;
    const Vector3 centre(w / 2, -h / 2, 0.005f);
    if (!keep) {
        points[0] = centre;
        for (std::size_t i = 1; i < n; ++i) {
            const Vector3 u = random.next();
            points[i] = Vector3(std::fabs(u.x) * w, -std::fabs(u.y) * h, 0.005f);
        }
    }
    if (n == 1) {
        return;
    }

    const double r0 = std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h) / 5;
    const double pullStart = 1.2 * r0;
    const double returnFactor = (n > 100 ? 0.1 : n > 50 ? 1.0 : 50.0) * a;
    const double repulsion = 10 * a;

    // The force's z is dropped before every move, so only x and y are summed.
    Array<float> px(n), py(n), pz(n), fx(n), fy(n);
    for (std::size_t i = 0; i < n; ++i) {
        px[i] = points[i].x;
        py[i] = points[i].y;
        pz[i] = points[i].z;
    }

    for (int round = 0; round < iterations; ++round) {
        std::fill(fx.begin(), fx.end(), 0.0f);
        std::fill(fy.begin(), fy.end(), 0.0f);

        // Cubic spring towards the anchor with rest length r0.
        for (std::size_t i = 1; i < n; ++i) {
            float dx = px[i] - px[0], dy = py[i] - py[0], dz = pz[i] - pz[0];
            double len = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                                   static_cast<double>(dz) * dz);
            if (len == 0) {
                // On the anchor: no direction of its own, so take a random one.
                const Vector3 u = random.next() * 0.0001f;
                dx = u.x, dy = u.y, dz = u.z;
                len = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                                static_cast<double>(dz) * dz);
            }
            const double stretch = len - r0;
            const double coef = -b * stretch * stretch * stretch / len;
            fx[i] += capped(coef * dx);
            fy[i] += capped(coef * dy);
        }

        // Pair repulsion 10a / L^3 along d / L, i.e. 10a d / L^4: no root needed.
        for (std::size_t i = 0; i + 1 < n; ++i) {
            const float xi = px[i], yi = py[i], zi = pz[i];
            const RowSums row = repelRow(px.data(), py.data(), pz.data(), fx.data(), fy.data(),
                                         i + 1, n, xi, yi, zi, repulsion);
            float sx = row.x, sy = row.y;
            const bool coincident = row.coincident;
            if (coincident) {
                // Rare: points on top of each other separate in a random direction.
                for (std::size_t j = i + 1; j < n; ++j) {
                    if (px[j] != xi || py[j] != yi || pz[j] != zi) {
                        continue;
                    }
                    const Vector3 d = random.next() * 0.0001f;
                    const double l2 = static_cast<double>(d.x) * d.x +
                                      static_cast<double>(d.y) * d.y +
                                      static_cast<double>(d.z) * d.z;
                    const double coef = repulsion / (l2 * l2);
                    const float cx = capped(coef * d.x), cy = capped(coef * d.y);
                    sx += cx, sy += cy;
                    fx[j] -= cx, fy[j] -= cy;
                }
            }
            fx[i] += sx, fy[i] += sy;
        }

        if (keep) {
            // Walls of random strength keep the points inside the rectangle.
            for (std::size_t i = 1; i < n; ++i) {
                const double x = px[i], y = py[i];
                const double dl = std::max(std::fabs(x), 0.00001);
                const double dr = std::max(std::fabs(w - x), 0.00001);
                const double dt = std::max(std::fabs(y), 0.00001);
                const double db = std::max(std::fabs(-h - y), 0.00001);
                const double k = a * std::fabs(random.next().x);
                fx[i] += capped(k / (dl * dl * dl) - k / (dr * dr * dr));
                fy[i] += capped(-k / (dt * dt * dt) + k / (db * db * db));
            }
            // Pull back towards where the caller put the points.
            for (std::size_t i = 1; i < n; ++i) {
                const float dx = start[i].x - px[i], dy = start[i].y - py[i],
                            dz = start[i].z - pz[i];
                if (dx != 0 || dy != 0 || dz != 0) {
                    // (c a L) d / L = c a d.
                    fx[i] += capped(returnFactor * dx);
                    fy[i] += capped(returnFactor * dy);
                }
            }
        } else {
            for (std::size_t i = 1; i < n; ++i) {
                const float dx = px[i] - centre.x, dy = py[i] - centre.y, dz = pz[i] - centre.z;
                const double len =
                    std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                              static_cast<double>(dz) * dz);
                if (len >= pullStart && len > 0) {
                    const double coef = 10 * b * (len - pullStart) / len;
                    fx[i] -= capped(coef * dx);
                    fy[i] -= capped(coef * dy);
                }
            }
        }

        // Move in the plane by at most 0.01.
        for (std::size_t i = 1; i < n; ++i) {
            float mx = fx[i], my = fy[i];
            const double len =
                std::sqrt(static_cast<double>(mx) * mx + static_cast<double>(my) * my);
            if (!std::isfinite(len)) {
                continue;
            }
            if (len > 0.01) {
                const double s = 0.01 / len;
                mx = static_cast<float>(mx * s);
                my = static_cast<float>(my * s);
            }
            px[i] += mx;
            py[i] += my;
        }
    }

    for (std::size_t i = 1; i < n; ++i) {
        points[i].x = px[i];
        points[i].y = py[i];
    }
}
