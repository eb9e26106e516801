// Solve on seeded random instances: time per solve, evaluated search nodes and the tour length.
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
  state.counters["initial"] = statistics.initialLength;
  state.counters["depth"] = statistics.deepestPath;
}
BENCHMARK(BM_SolveRandom)->DenseRange(15, 40, 5)->Unit(benchmark::kMillisecond);

// Several instances per size, so that one lucky or unlucky instance does not decide the figure.
void BM_SolveRandomSeeds(benchmark::State& state) {
  const auto cities = static_cast<std::int32_t>(state.range(0));
  constexpr int kInstances = 5;
  std::unique_ptr<ringmarch::ProblemData> problems[kInstances];
  for (int k = 0; k < kInstances; ++k) {
    problems[k] = std::make_unique<ringmarch::ProblemData>();
    ringmarch::initProblemData(*problems[k]);
    ringmarch::generateInstance(
        *problems[k], cities,
        7000u + 97u * static_cast<std::uint32_t>(k) + static_cast<std::uint32_t>(cities));
  }
  ringmarch::TourRecord tour;
  std::uint64_t nodes = 0;
  for (auto _ : state) {
    nodes = 0;
    for (int k = 0; k < kInstances; ++k) {
      ringmarch::initTour(tour, problems[k].get(), 0);
      ringmarch::SolveStatistics statistics;
      benchmark::DoNotOptimize(ringmarch::solveInstance(tour, *problems[k], {}, &statistics));
      nodes += statistics.evaluatedNodes;
    }
  }
  state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_SolveRandomSeeds)->DenseRange(15, 40, 5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
