// Point spreading for one hub as the neighbourhood positions use it: 1000
// rounds, a = 400, b = 10000, over the square working rectangle of n + 1 ids,
// with the caller's positions kept and re-seeded.
#include <cmath>

#include <benchmark/benchmark.h>

#include "pathway/PointSpreading.h"

namespace {

void spreadHub(benchmark::State& state) {
    const int neighbours = static_cast<int>(state.range(0));
    const bool keep = state.range(1) != 0;
    const double s = std::max(1.35 * std::sqrt(neighbours + 1.0) - 1.0, 0.5);
    const float side = static_cast<float>(std::sqrt(s));

    UnitVectorSource random(99);
    Array<Vector3> start{Vector3(side / 2, -side / 2, 0.005f)};
    for (int i = 0; i < neighbours; ++i) {
        const Vector3 u = random.next();
        start.push_back(Vector3(std::fabs(u.x) * side, -std::fabs(u.y) * side, 0.005f));
    }
    for (auto _ : state) {
        Array<Vector3> points = start;
        spreadPoints(1000, 400.0, 10000.0, side, side, points, keep, 1);
        benchmark::DoNotOptimize(points.data());
    }
    state.SetLabel(keep ? "kept" : "re-seeded");
}

}  // namespace

BENCHMARK(spreadHub)
    ->ArgsProduct({{300, 1000}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
