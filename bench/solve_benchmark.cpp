// Solve on seeded random instances: time per solve and evaluated search nodes.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/generation.h"
#include "solver/solve_driver.h"

namespace {

void BM_SolveRandom(benchmark::State& state) {
  const auto cities = static_cast<std::int32_t>(state.range(0));
  auto problem = std::make_unique<ringmarch::ProblemData>();
  ringmarch::initProblemData(*problem);
  ringmarch::generateInstance(*problem, cities, 1000u + static_cast<std::uint32_t>(cities));
  ringmarch::TourRecord tour;
  ringmarch::initTour(tour, problem.get(), 0);
  ringmarch::SolveStatistics statistics;
  for (auto _ : state) {
    statistics = {};
    benchmark::DoNotOptimize(ringmarch::solveInstance(tour, *problem, {}, &statistics));
  }
  state.counters["nodes"] = static_cast<double>(statistics.evaluatedNodes);
  state.counters["length"] = tour.length;
}
BENCHMARK(BM_SolveRandom)->DenseRange(15, 40, 5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
