// What the evaluation chain's filters save: solves of seeded random instances (50, 60, 70 cities)
// and of TSPLIB instances up to 76 cities, with the full chain, without any of the filters, and
// without each filter alone. Counters: evaluated search nodes and the tour length (equal in
// every variant, since the search stays exact).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "model/generation.h"
#include "solver/solve_driver.h"
#include "support/instance_loader.h"

namespace {

using ringmarch::SolveOptions;

struct Variant {
  const char* name;
  SolveOptions options;
};

std::vector<Variant> variants() {
  std::vector<Variant> list;
  list.push_back({"full", {}});
  SolveOptions none;
  none.fullChain = false;
  list.push_back({"none", none});
  SolveOptions noProbe;
  noProbe.chain.probeLongArcs = false;
  list.push_back({"without-probe", noProbe});
  SolveOptions noFilter;
  noFilter.chain.exchangeFilter = false;
  list.push_back({"without-exchange-filter", noFilter});
  SolveOptions noReach;
  noReach.chain.pruneByReachability = false;
  list.push_back({"without-reachability", noReach});
  SolveOptions noChains;
  noChains.chain.forcedChains = false;
  list.push_back({"without-forced-chains", noChains});
  return list;
}

void solveAndCount(benchmark::State& state, const ringmarch::ProblemData& problem,
                   const SolveOptions& options) {
  ringmarch::TourRecord tour;
  ringmarch::initTour(tour, &problem, 0);
  ringmarch::SolveStatistics statistics;
  for (auto _ : state) {
    statistics = {};
    benchmark::DoNotOptimize(ringmarch::solveInstance(tour, problem, options, &statistics));
  }
  state.counters["nodes"] = static_cast<double>(statistics.evaluatedNodes);
  state.counters["length"] = tour.length;
}

// The TSPLIB instances up to 76 cities that the reader accepts.
const std::vector<std::string> kTsplibFiles = {
    "gr17.tsp",      "gr21.tsp",    "gr24.tsp",  "fri26.tsp",    "bayg29.tsp",   "bays29.tsp",
    "dantzig42.tsp", "swiss42.tsp", "eil51.tsp", "berlin52.tsp", "brazil58.tsp", "st70.tsp"};

void registerAll() {
  std::vector<std::pair<std::string, std::shared_ptr<const ringmarch::ProblemData>>> instances;
  for (int cities : {50, 60, 70}) {
    auto problem = std::make_shared<ringmarch::ProblemData>();
    ringmarch::initProblemData(*problem);
    ringmarch::generateInstance(*problem, cities, 2000u + static_cast<std::uint32_t>(cities));
    instances.emplace_back("random" + std::to_string(cities), problem);
  }
  for (const std::string& file : kTsplibFiles) {
    std::shared_ptr<const ringmarch::ProblemData> problem =
        ringmarch::testing::loadInstance(std::string(RINGMARCH_TEST_DATA_DIR) + "/" + file);
    if (problem) instances.emplace_back(file.substr(0, file.find('.')), problem);
  }
  for (const Variant& variant : variants()) {
    for (const auto& [label, problem] : instances) {
      const std::string name = "Chain/" + label + "/" + variant.name;
      const SolveOptions options = variant.options;
      benchmark::RegisterBenchmark(
          name.c_str(),
          [problem, options](benchmark::State& state) { solveAndCount(state, *problem, options); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
}

const bool kRegistered = (registerAll(), true);

}  // namespace
