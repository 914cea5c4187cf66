// The point-spreading simulation: a cubic spring to the anchor, pair
// repulsion, and either walls with a pull back to the starting positions or a
// pull towards the centre. The pair loop is the hot part (rounds x n^2), so the
// points live in contiguous per-axis arrays that are allocated once per call.
#include "pathway/PointSpreading.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

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
#define CORVIDANE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define CORVIDANE_VECTOR_CLONES
#endif

using Float4 = float __attribute__((vector_size(16)));
using Float8 = float __attribute__((vector_size(32)));
using Double4 = double __attribute__((vector_size(32)));
using Double8 = double __attribute__((vector_size(64)));
using Mask4 = long long __attribute__((vector_size(32)));
using Mask8 = long long __attribute__((vector_size(64)));

// The forces of point i on `width` points from j on, in double, with the caps
// applied and the results rounded to float; also which of them lie on i.
template <class F, class D, class M>
[[gnu::always_inline]] inline void pairForces(const float* px, const float* py, const float* pz,
                                              std::size_t j, float xi, float yi, float zi,
                                              double repulsion, F& fcx, F& fcy, M& same) {
    constexpr int lanes = sizeof(F) / sizeof(float);
    F x, y, z;
    std::memcpy(&x, px + j, sizeof x);
    std::memcpy(&y, py + j, sizeof y);
    std::memcpy(&z, pz + j, sizeof z);
    const D dx = __builtin_convertvector(xi - x, D);
    const D dy = __builtin_convertvector(yi - y, D);
    const D dz = __builtin_convertvector(zi - z, D);
    const D l2 = dx * dx + dy * dy + dz * dz;
    D zero, rep, cap;
    for (int k = 0; k < lanes; ++k) {
        zero[k] = 0;
        rep[k] = repulsion;
        cap[k] = kForceCap;
    }
    same |= l2 == zero;
    const D coef = l2 > zero ? rep / (l2 * l2) : zero;
    D cx = coef * dx, cy = coef * dy;
    cx = cx > cap ? cap : cx;
    cx = cx < -cap ? -cap : cx;
    cy = cy > cap ? cap : cy;
    cy = cy < -cap ? -cap : cy;
    fcx = __builtin_convertvector(cx, F);
    fcy = __builtin_convertvector(cy, F);
}

template <class F>
[[gnu::always_inline]] inline void subtractAt(float* f, std::size_t j, F value) {
    F g;
    std::memcpy(&g, f + j, sizeof g);
    g -= value;
    std::memcpy(f + j, &g, sizeof g);
}

CORVIDANE_VECTOR_CLONES
RowSums repelRow(const float* px, const float* py, const float* pz, float* fx, float* fy,
                 std::size_t begin, std::size_t n, float xi, float yi, float zi, double repulsion) {
    RowSums sums;
    std::size_t j = begin;
    // The row's sums run in four lanes, each point of a block of four added to
    // its lane; eight points are two such blocks, added one after the other.
    Float4 sx = {0, 0, 0, 0}, sy = {0, 0, 0, 0};
    Mask8 same8 = {0, 0, 0, 0, 0, 0, 0, 0};
    for (; j + 8 <= n; j += 8) {
        Float8 fcx, fcy;
        pairForces<Float8, Double8>(px, py, pz, j, xi, yi, zi, repulsion, fcx, fcy, same8);
        const Float4 lowX = {fcx[0], fcx[1], fcx[2], fcx[3]};
        const Float4 highX = {fcx[4], fcx[5], fcx[6], fcx[7]};
        const Float4 lowY = {fcy[0], fcy[1], fcy[2], fcy[3]};
        const Float4 highY = {fcy[4], fcy[5], fcy[6], fcy[7]};
        sx += lowX;
        sy += lowY;
        sx += highX;
        sy += highY;
        subtractAt(fx, j, fcx);
        subtractAt(fy, j, fcy);
    }
    Mask4 same = {0, 0, 0, 0};
    if (j + 4 <= n) {
        Float4 fcx, fcy;
        pairForces<Float4, Double4>(px, py, pz, j, xi, yi, zi, repulsion, fcx, fcy, same);
        sx += fcx;
        sy += fcy;
        subtractAt(fx, j, fcx);
        subtractAt(fy, j, fcy);
        j += 4;
    }
    for (int k = 0; k < 8; ++k) {
        sums.coincident |= same8[k] != 0;
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

// The pair force of i on j alone, exactly as a lane of the loops above
// computes it.
inline void scalarPairForce(const float* px, const float* py, const float* pz, std::size_t i,
                            std::size_t j, double repulsion, float& cx, float& cy) {
    const float dx = px[i] - px[j], dy = py[i] - py[j], dz = pz[i] - pz[j];
    const double l2 =
        static_cast<double>(dx) * dx + static_cast<double>(dy) * dy + static_cast<double>(dz) * dz;
    const double coef = l2 > 0 ? repulsion / (l2 * l2) : 0.0;
    cx = capped(coef * dx);
    cy = capped(coef * dy);
}

// Rows of the pair loop that the fast loop below takes at once, and the
// points it reads at once.
constexpr std::size_t kRows = 4;
constexpr std::size_t kBlock = 8;

#if defined(__GNUC__) && defined(__x86_64__)
#define CORVIDANE_WIDE_ROWS 1
// GCC 12 takes the intrinsics' undefined pass-through operands for
// uninitialised variables.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// The row bounds of the fast loop as lane masks of the block at j: lanes
// from `begin` on and before `end`.
inline __mmask8 lanesBetween(std::size_t j, std::size_t begin, std::size_t end) {
    auto below = [j](std::size_t bound) -> unsigned {
        return bound <= j ? 0u : bound - j >= kBlock ? 0xFFu : (1u << (bound - j)) - 1u;
    };
    return static_cast<__mmask8>(below(end) & ~below(begin));
}

// Rows first .. first + kRows - 1 of the pair loop at once, bit for bit what
// repelRow gives row after row, in the processor's 512-bit instructions
// (written out: the compiler's own translation shuffles halves back and
// forth). Every point j is met in blocks of eight aligned on j; each row's
// contribution is subtracted from fx[j] in row order, and each row's sum is
// kept in the four lanes repelRow would use for it (lane k of row i takes
// the points j = i + 1 + k + 4m in ascending order), rotated to the block's
// alignment. The rows do not wait for each other's sums, where repelRow
// waits for each addition. Only for points that are all distinct and finite:
// the distance is never zero, and minimum and maximum are the caps'
// comparisons. With every z equal, dz is zero and adds an exact zero. The
// arrays hold kBlock entries past the last point; rows beyond the last one
// are masked out. Gives each row's sum before its last, scalar, points.
struct WideRows {
    __m512d repulsion, cap, floor;
    __m256 x[kRows], y[kRows], z[kRows];
    __m128 sumX[kRows], sumY[kRows];
    // Per row: its first point and where its four-lane part ends.
    std::size_t from[kRows], laneEnd[kRows];
};

// One row's forces on a block, still in double; capped unless the caller
// knows that no force reaches the cap.
template <bool kFlat, bool kCapped = true>
[[gnu::always_inline]] __attribute__((target("avx512f"))) inline void wideForces(
    const WideRows& rows, std::size_t r, __m256 x, __m256 y, __m256 z, __m512d& cx, __m512d& cy) {
    const __m512d dx = _mm512_cvtps_pd(_mm256_sub_ps(rows.x[r], x));
    const __m512d dy = _mm512_cvtps_pd(_mm256_sub_ps(rows.y[r], y));
    __m512d l2 = _mm512_add_pd(_mm512_mul_pd(dx, dx), _mm512_mul_pd(dy, dy));
    if constexpr (!kFlat) {
        const __m512d dz = _mm512_cvtps_pd(_mm256_sub_ps(rows.z[r], z));
        l2 = _mm512_add_pd(l2, _mm512_mul_pd(dz, dz));
    }
    const __m512d coef = _mm512_div_pd(rows.repulsion, _mm512_mul_pd(l2, l2));
    cx = _mm512_mul_pd(coef, dx);
    cy = _mm512_mul_pd(coef, dy);
    if constexpr (kCapped) {
        cx = _mm512_max_pd(_mm512_min_pd(cx, rows.cap), rows.floor);
        cy = _mm512_max_pd(_mm512_min_pd(cy, rows.cap), rows.floor);
    }
}

[[gnu::always_inline]] __attribute__((target("avx512f"))) inline void addHalves(__m128& sum,
                                                                                __m256 v) {
    sum = _mm_add_ps(sum, _mm256_castps256_ps128(v));
    sum = _mm_add_ps(sum, _mm256_extractf128_ps(v, 1));
}

// A block at a row's start or end: lanes outside a row give an exact zero,
// whatever they came to.
template <bool kFlat>
__attribute__((target("avx512f"), noinline)) void wideEdgeBlock(WideRows& rows, const float* px,
                                                                const float* py, const float* pz,
                                                                float* fx, float* fy, std::size_t j,
                                                                std::size_t n) {
    const __m256 x = _mm256_loadu_ps(px + j);
    const __m256 y = _mm256_loadu_ps(py + j);
    const __m256 z = kFlat ? _mm256_setzero_ps() : _mm256_loadu_ps(pz + j);
    __m256 gx = _mm256_loadu_ps(fx + j);
    __m256 gy = _mm256_loadu_ps(fy + j);
    for (std::size_t r = 0; r < kRows; ++r) {
        __m512d cx, cy;
        wideForces<kFlat>(rows, r, x, y, z, cx, cy);
        const __mmask8 summed = lanesBetween(j, rows.from[r], rows.laneEnd[r]);
        const __mmask8 met = lanesBetween(j, rows.from[r], n);
        addHalves(rows.sumX[r], _mm512_cvtpd_ps(_mm512_maskz_mov_pd(summed, cx)));
        addHalves(rows.sumY[r], _mm512_cvtpd_ps(_mm512_maskz_mov_pd(summed, cy)));
        gx = _mm256_sub_ps(gx, _mm512_cvtpd_ps(_mm512_maskz_mov_pd(met, cx)));
        gy = _mm256_sub_ps(gy, _mm512_cvtpd_ps(_mm512_maskz_mov_pd(met, cy)));
    }
    _mm256_storeu_ps(fx + j, gx);
    _mm256_storeu_ps(fy + j, gy);
}

template <bool kFlat, bool kCapped>
__attribute__((target("avx512f"))) void repelRowsWide(const float* px, const float* py,
                                                      const float* pz, float* fx, float* fy,
                                                      std::size_t first, std::size_t n,
                                                      double repulsion, Float4 (&sumX)[kRows],
                                                      Float4 (&sumY)[kRows]) {
    WideRows rows;
    rows.repulsion = _mm512_set1_pd(repulsion);
    rows.cap = _mm512_set1_pd(kForceCap);
    rows.floor = _mm512_set1_pd(-kForceCap);
    std::size_t interiorEnd = n;
    for (std::size_t r = 0; r < kRows; ++r) {
        const std::size_t i = std::min(first + r, n - 1);
        rows.x[r] = _mm256_set1_ps(px[i]);
        rows.y[r] = _mm256_set1_ps(py[i]);
        rows.z[r] = _mm256_set1_ps(pz[i]);
        rows.from[r] = std::min(first + r + 1, n);
        rows.laneEnd[r] = rows.from[r] + (n - rows.from[r]) / 4 * 4;
        interiorEnd = std::min(interiorEnd, rows.laneEnd[r]);
        rows.sumX[r] = _mm_setzero_ps();
        rows.sumY[r] = _mm_setzero_ps();
    }

    std::size_t j = (first + 1) / kBlock * kBlock;
    for (; j < n && (j < first + kRows || j + kBlock > interiorEnd); j += kBlock) {
        wideEdgeBlock<kFlat>(rows, px, py, pz, fx, fy, j, n);
    }
    // Every lane of every row counts here; the sums stay in registers.
    __m128 accX[kRows], accY[kRows];
    for (std::size_t r = 0; r < kRows; ++r) {
        accX[r] = rows.sumX[r];
        accY[r] = rows.sumY[r];
    }
    for (; j + kBlock <= interiorEnd; j += kBlock) {
        const __m256 x = _mm256_loadu_ps(px + j);
        const __m256 y = _mm256_loadu_ps(py + j);
        const __m256 z = kFlat ? _mm256_setzero_ps() : _mm256_loadu_ps(pz + j);
        __m256 gx = _mm256_loadu_ps(fx + j);
        __m256 gy = _mm256_loadu_ps(fy + j);
#pragma GCC unroll 4
        for (std::size_t r = 0; r < kRows; ++r) {
            __m512d cx, cy;
            wideForces<kFlat, kCapped>(rows, r, x, y, z, cx, cy);
            const __m256 fcx = _mm512_cvtpd_ps(cx);
            const __m256 fcy = _mm512_cvtpd_ps(cy);
            gx = _mm256_sub_ps(gx, fcx);
            gy = _mm256_sub_ps(gy, fcy);
            addHalves(accX[r], fcx);
            addHalves(accY[r], fcy);
        }
        _mm256_storeu_ps(fx + j, gx);
        _mm256_storeu_ps(fy + j, gy);
    }
    for (std::size_t r = 0; r < kRows; ++r) {
        rows.sumX[r] = accX[r];
        rows.sumY[r] = accY[r];
    }
    for (; j < n; j += kBlock) {
        wideEdgeBlock<kFlat>(rows, px, py, pz, fx, fy, j, n);
    }
    for (std::size_t r = 0; r < kRows; ++r) {
        std::memcpy(&sumX[r], &rows.sumX[r], sizeof rows.sumX[r]);
        std::memcpy(&sumY[r], &rows.sumY[r], sizeof rows.sumY[r]);
    }
}

#pragma GCC diagnostic pop
const bool kWideRows = __builtin_cpu_supports("avx512f");
#else
constexpr bool kWideRows = false;
#endif

// Whether the fast loop may take a round: every coordinate finite and no two
// points at one place. `table` is scratch space, kept between rounds.
// `uncapped` tells whether no pair force can reach the cap: when every
// coordinate is 0 or at least 2^-6 in size, two distinct points differ by
// at least 2^-29 in one of them, and the force is at most
// repulsion * 2^87 (its size is repulsion / L^3).
bool distinctAndFinite(const float* px, const float* py, const float* pz, std::size_t n, bool flat,
                       double repulsion, Array<std::uint32_t>& table, bool& uncapped) {
    std::size_t size = 16;
    while (size < 2 * n) {
        size *= 2;
    }
    table.assign(size, 0);
    auto bits = [](float v) {
        std::uint32_t b;
        v = v == 0 ? 0.0f : v;  // -0 and +0 are one place
        std::memcpy(&b, &v, sizeof b);
        return static_cast<std::uint64_t>(b);
    };
    constexpr float kCoarse = 0x1.0p-6f;
    auto coarse = [](float v) { return v == 0 || std::fabs(v) >= kCoarse; };
    uncapped = std::fabs(repulsion) * 0x1.0p87 < 0.5 * kForceCap;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(px[i]) || !std::isfinite(py[i]) || !std::isfinite(pz[i])) {
            return false;
        }
        uncapped = uncapped && coarse(px[i]) && coarse(py[i]) && (flat || coarse(pz[i]));
        std::uint64_t h = (bits(px[i]) * 0x9E3779B97F4A7C15ull) ^ (bits(py[i]) << 32) ^
                          (bits(pz[i]) * 0xC2B2AE3D27D4EB4Full);
        h ^= h >> 29;
        h *= 0xBF58476D1CE4E5B9ull;
        h ^= h >> 32;
        for (std::size_t slot = h & (size - 1);; slot = (slot + 1) & (size - 1)) {
            const std::uint32_t held = table[slot];
            if (held == 0) {
                table[slot] = static_cast<std::uint32_t>(i + 1);
                break;
            }
            const std::size_t k = held - 1;
            if (px[k] == px[i] && py[k] == py[i] && pz[k] == pz[i]) {
                return false;
            }
        }
    }
    return true;
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
    // The fast pair loop reads and writes whole blocks past the last point.
    Array<float> px(n + kBlock, 0.0f), py(n + kBlock, 0.0f), pz(n + kBlock, 0.0f),
        fx(n + kBlock, 0.0f), fy(n + kBlock, 0.0f);
    bool flat = true;
    for (std::size_t i = 0; i < n; ++i) {
        px[i] = points[i].x;
        py[i] = points[i].y;
        pz[i] = points[i].z;
        flat = flat && pz[i] == pz[0];
    }
    Array<std::uint32_t> places;

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
        // Several rows at once while no two points share a place (the usual
        // case); otherwise row by row, separating the coincident ones.
        bool uncapped = false;
        if (kWideRows && distinctAndFinite(px.data(), py.data(), pz.data(), n, flat, repulsion,
                                           places, uncapped)) {
#ifdef CORVIDANE_WIDE_ROWS
            auto rows = flat
                            ? (uncapped ? repelRowsWide<true, false> : repelRowsWide<true, true>)
                            : (uncapped ? repelRowsWide<false, false> : repelRowsWide<false, true>);
#endif
            for (std::size_t first = 0; first + 1 < n; first += kRows) {
                Float4 sumX[kRows], sumY[kRows];
#ifdef CORVIDANE_WIDE_ROWS
                rows(px.data(), py.data(), pz.data(), fx.data(), fy.data(), first, n, repulsion,
                     sumX, sumY);
#endif
                for (std::size_t r = 0; r < kRows && first + r + 1 < n; ++r) {
                    const std::size_t i = first + r, begin = i + 1;
                    float sx = 0, sy = 0;
                    for (std::size_t k = 0; k < 4; ++k) {
                        sx += sumX[r][(begin + k) % 4];
                        sy += sumY[r][(begin + k) % 4];
                    }
                    // The last few points of a row are summed one by one.
                    for (std::size_t j = begin + (n - begin) / 4 * 4; j < n; ++j) {
                        float cx, cy;
                        scalarPairForce(px.data(), py.data(), pz.data(), i, j, repulsion, cx, cy);
                        sx += cx, sy += cy;
                    }
                    fx[i] += sx, fy[i] += sy;
                }
            }
        } else {
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
