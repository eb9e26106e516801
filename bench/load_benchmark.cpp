// Loading an instance from arrays, as the C interface and the Python module do before a solve:
// the distances (or the EUC_2D distances of coordinates) and every city's neighbour order.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "object/ringmarch_object.h"

namespace {

// n cities evenly spaced on a circle of radius 4000, as x0, y0, x1, y1, ...
std::vector<double> circle(int n) {
  std::vector<double> xy;
  for (int k = 0; k < n; ++k) {
    const double angle = 2.0 * 3.14159265358979323846 * k / n;
    xy.push_back(5000.0 + 4000.0 * std::cos(angle));
    xy.push_back(5000.0 + 4000.0 * std::sin(angle));
  }
  return xy;
}

void BM_LoadCoordinates(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::vector<double> xy = circle(n);
  auto object = std::make_unique<ringmarch::RingmarchObject>();
  for (auto _ : state) benchmark::DoNotOptimize(object->LoadCoordinates(n, xy.data()));
}
BENCHMARK(BM_LoadCoordinates)->Arg(100)->Arg(127)->Unit(benchmark::kMicrosecond);

void BM_LoadDistances(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  const std::vector<double> xy = circle(n);
  auto object = std::make_unique<ringmarch::RingmarchObject>();
  object->LoadCoordinates(n, xy.data());
  std::vector<std::int32_t> matrix;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) matrix.push_back(object->instance().rows[i].dist[j]);
  }
  for (auto _ : state) benchmark::DoNotOptimize(object->LoadDistances(n, matrix.data()));
}
BENCHMARK(BM_LoadDistances)->Arg(100)->Arg(127)->Unit(benchmark::kMicrosecond);

}  // namespace
