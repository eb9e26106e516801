// Whole solves with the Lagrangian tree bound, the arc elimination and the improved first bound:
// every shipped TSPLIB instance (read in the tolerant mode, so that all 24 files take part),
// random uniform instances of 100 and 127 cities (20 seeds each), tie-heavy matrices and
// degenerate point sets; and the three procedures switched alone and together on a few instances.
//
// Counters: evaluated nodes, the tour length, the first level's lower bound and its gap to the
// length (percent), the improved first tour's length, and the search's nanoseconds per evaluated
// node (search stage time / nodes).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/generation.h"
#include "solver/solve_driver.h"
#include "tsplib/file_name.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace {

using ringmarch::ProblemData;
using ringmarch::SolveOptions;
using Instance = std::shared_ptr<const ProblemData>;

void solveOnce(benchmark::State& state, const ProblemData& problem, const SolveOptions& options) {
  ringmarch::TourRecord tour;
  ringmarch::initTour(tour, &problem, 0);
  ringmarch::SolveStatistics statistics;
  for (auto _ : state) {
    statistics = {};
    benchmark::DoNotOptimize(ringmarch::solveInstance(tour, problem, options, &statistics));
  }
  const double nodes = static_cast<double>(statistics.evaluatedNodes);
  state.counters["nodes"] = nodes;
  state.counters["length"] = tour.length;
  state.counters["bound"] = statistics.firstLevelBound;
  // The gap of the first level's bound (0 where no bound was computed: the first level was
  // pruned at once, or the instance is too small).
  state.counters["gap_percent"] =
      tour.length > 0 && statistics.firstLevelBound > 0
          ? 100.0 * (tour.length - statistics.firstLevelBound) / tour.length
          : 0.0;
  state.counters["improved"] = statistics.improvedLength;
  state.counters["ns_per_node"] = nodes > 0 ? statistics.searchSeconds * 1e9 / nodes : 0.0;
  state.counters["stopped"] = statistics.stopped ? 1 : 0;
}

void registerSolve(const std::string& name, Instance problem, SolveOptions options = {}) {
  benchmark::RegisterBenchmark(
      name.c_str(),
      [problem, options](benchmark::State& state) { solveOnce(state, *problem, options); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1);
}

Instance tsplibInstance(const std::string& file) {
  auto problem = std::make_shared<ProblemData>();
  ringmarch::initProblemData(*problem);
  const std::string path = std::string(RINGMARCH_TEST_DATA_DIR) + "/" + file;
  const ringmarch::TspReadReport report =
      ringmarch::readTspFileTolerant(*problem, ringmarch::FileName::fromNarrow(path.c_str()));
  if (report.code != ringmarch::ErrorCode::Success) return nullptr;
  return problem;
}

Instance randomInstance(int cities, std::uint32_t seed) {
  auto problem = std::make_shared<ProblemData>();
  ringmarch::initProblemData(*problem);
  ringmarch::generateInstance(*problem, cities, seed);
  return problem;
}

// A symmetric matrix with weights 1 .. largest from a small generator of its own.
Instance tieHeavyInstance(int cities, std::uint32_t seed, int largest) {
  auto problem = std::make_shared<ProblemData>();
  ringmarch::initProblemData(*problem);
  problem->count = cities;
  std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
  for (int i = 0; i < cities; ++i) {
    problem->rows[i].dist[i] = 0;
    for (int j = i + 1; j < cities; ++j) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      const auto d = static_cast<std::int32_t>(1 + (state >> 20) % static_cast<unsigned>(largest));
      problem->rows[i].dist[j] = d;
      problem->rows[j].dist[i] = d;
    }
  }
  for (int i = 0; i < cities; ++i) ringmarch::sortNeighbourOrder(*problem, i);
  return problem;
}

Instance pointInstance(const std::vector<std::pair<double, double>>& points) {
  auto problem = std::make_shared<ProblemData>();
  ringmarch::initProblemData(*problem);
  problem->count = static_cast<int>(points.size());
  problem->hasCoordinates = 1;
  ringmarch::resetBounds(*problem);
  for (int i = 0; i < problem->count; ++i) {
    problem->rows[i].x = points[static_cast<std::size_t>(i)].first;
    problem->rows[i].y = points[static_cast<std::size_t>(i)].second;
    ringmarch::extendBounds(*problem, problem->rows[i].x, problem->rows[i].y);
  }
  ringmarch::computeDistances(*problem, 1.0);
  return problem;
}

const std::vector<std::string> kTsplibFiles = {
    "burma14.tsp",  "ulysses16.tsp", "gr17.tsp",      "gr21.tsp",    "gr24.tsp",    "fri26.tsp",
    "bayg29.tsp",   "bays29.tsp",    "dantzig42.tsp", "swiss42.tsp", "eil51.tsp",   "berlin52.tsp",
    "brazil58.tsp", "st70.tsp",      "eil76.tsp",     "pr76.tsp",    "kroA100.tsp", "kroB100.tsp",
    "kroC100.tsp",  "rd100.tsp",     "eil101.tsp",    "lin105.tsp",  "pr107.tsp",   "pr124.tsp"};

struct Variant {
  const char* name;
  bool upperBound;
  bool lagrangian;
  bool elimination;
};
constexpr Variant kVariants[] = {
    {"none", false, false, false},      {"upper-bound", true, false, false},
    {"lagrangian", false, true, false}, {"lagrangian+elimination", false, true, true},
    {"all", true, true, true},
};

void registerAll() {
  for (const std::string& file : kTsplibFiles) {
    if (Instance problem = tsplibInstance(file)) {
      registerSolve("Bounds/tsplib/" + file.substr(0, file.find('.')), problem);
    }
  }
  for (int cities : {100, 127}) {
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
      registerSolve("Bounds/random" + std::to_string(cities) + "/seed:" + std::to_string(seed),
                    randomInstance(cities, seed));
    }
  }
  for (std::uint32_t seed = 1; seed <= 5; ++seed) {
    registerSolve("Bounds/ties40/seed:" + std::to_string(seed), tieHeavyInstance(40, seed, 12));
  }
  std::vector<std::pair<double, double>> line;
  std::vector<std::pair<double, double>> circle;
  std::vector<std::pair<double, double>> same;
  for (int k = 0; k < 100; ++k) line.emplace_back(k * 97 % 10000, 0.0);
  for (int k = 0; k < 127; ++k) {
    const double angle = 2.0 * 3.141592653589793 * k / 127.0;
    circle.emplace_back(5000.0 + 4000.0 * std::cos(angle), 5000.0 + 4000.0 * std::sin(angle));
    same.emplace_back(500.0, 500.0);
  }
  registerSolve("Bounds/degenerate/collinear100", pointInstance(line));
  registerSolve("Bounds/degenerate/circle127", pointInstance(circle));
  registerSolve("Bounds/degenerate/identical127", pointInstance(same));

  // Each procedure alone and together. Without any of them the larger instances take minutes,
  // so those run only with at least the Lagrangian bound.
  for (const char* file : {"eil51.tsp", "berlin52.tsp", "st70.tsp", "kroA100.tsp", "pr76.tsp"}) {
    const Instance problem = tsplibInstance(file);
    const std::string label = std::string(file).substr(0, std::string(file).find('.'));
    const bool large = problem->count > 70;
    for (const Variant& variant : kVariants) {
      if (large && !variant.lagrangian) continue;
      SolveOptions options;
      options.improveUpperBound = variant.upperBound;
      options.chain.lagrangianBound = variant.lagrangian;
      options.chain.reducedCostElimination = variant.elimination;
      registerSolve("Switches/" + label + "/" + variant.name, problem, options);
    }
  }
}

const bool kRegistered = (registerAll(), true);

}  // namespace
