// Sweep of the exact solver against the independent Held-Karp optimum on many small instances
// (3 to 16 cities) of tie-heavy, degenerate and unusual shapes. Not part of the test run: build
// the target `oracle_sweep` and run it by hand.
//
//   oracle_sweep [instancesPerShape] [smallestCount] [largestCount] [firstSeed] [switches]
//
// "switches" runs each instance with a random subset of the evaluation chain's filters. Asymmetric
// matrices are outside what the search proves: for them only the tour's validity and length are
// failures, and the count of answers above the (directed) optimum is shown for information.
// Instances of more than 16 cities are beyond the oracle: each is solved a second time from
// another start city with the chain's filters off, and the two lengths must agree.
// Every failure is printed with its full distance matrix, so it can be reduced and replayed. In
// builds with RINGMARCH_SEARCH_CHECKS, instances with a unique optimal tour are also solved with
// that tour as the witness, and the step that first cuts it is reported.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/generation.h"
#include "model/problem_data.h"
#include "solver/solve_driver.h"
#include "solver/tour_record.h"
#include "solver/witness_check.h"
#include "support/optimal_tour.h"
#include "support/tour_checker.h"
#include "tools/sweep_instances.h"

namespace ringmarch::testing {
namespace {

// The start city's first two neighbours other than itself, as the search takes them.
void startNeighbours(const ProblemData& problem, int start, int found[2]) {
  int taken = 0;
  found[0] = found[1] = -1;
  for (int k = 0; k < problem.count && taken < 2; ++k) {
    const int city = problem.rows[start].neighbourOrder[k];
    if (city != start) found[taken++] = city;
  }
}

// Empty when the outcome is sound; otherwise what is wrong with it.
std::string checkOutcome(const ProblemData& problem, const Outcome& outcome, bool symmetric,
                         std::int64_t optimum) {
  if (outcome.code != ErrorCode::Success) return "solve answered an error";
  if (outcome.statistics.stopped) return "search hit the node limit";
  const std::string defect = tourDefect(outcome.order, problem.count);
  if (!defect.empty()) return "invalid tour: " + defect;
  const std::int64_t recomputed = closedTourLength(problem, outcome.order);
  if (recomputed != outcome.length) {
    return "length " + std::to_string(outcome.length) + " but the tour recomputes to " +
           std::to_string(recomputed);
  }
  if (outcome.length > outcome.statistics.initialLength) return "longer than the initial tour";
  if (!symmetric) return "";
  if (outcome.length != optimum) {
    return "length " + std::to_string(outcome.length) + ", optimum " + std::to_string(optimum);
  }
  if (outcome.length < outcome.statistics.initialLength) {
    const int start = problem.startCity;
    if (outcome.order.front() != start) return "search tour does not begin at the start city";
    int neighbours[2];
    startNeighbours(problem, start, neighbours);
    int at[2] = {-1, -1};
    for (int k = 0; k < problem.count; ++k) {
      for (int m = 0; m < 2; ++m) {
        if (outcome.order[k] == neighbours[m]) at[m] = k;
      }
    }
    if (at[0] > at[1]) return "search tour visits the second nearest before the nearest";
  }
  return "";
}

}  // namespace
}  // namespace ringmarch::testing

int main(int argc, char** argv) {
  using namespace ringmarch;
  using namespace ringmarch::testing;
  const std::optional<SweepArguments> arguments = sweepArguments(argc, argv, {1000, 3, 16, 1}, 16);
  if (!arguments) return 2;
  const int perShape = arguments->perShape;
  const int smallest = arguments->smallest;
  const int largest = arguments->largest;
  const std::uint64_t firstSeed = arguments->firstSeed;
  // "switches": each instance runs with a random subset of the chain's filters.
  const bool randomSwitches = argc > 5 && std::string(argv[5]) == "switches";
  const Shape shapes[] = {
      Shape::EuclideanDuplicates, Shape::IntegerGrid,   Shape::CollinearLine,   Shape::SmallRange,
      Shape::WithZeros,           Shape::WithNegatives, Shape::Asymmetric,      Shape::WideRange,
      Shape::HugeValues,          Shape::AllEqual,      Shape::EuclideanUniform};
  NodeLimit limit;
  int failures = 0;
  long total = 0;
  for (const Shape shape : shapes) {
    int shapeFailures = 0;
    int improved = 0;
    int witnessed = 0;
    int witnessFailures = 0;
    int aboveOptimum = 0;  // asymmetric matrices only: valid tours that are not optimal
    std::uint64_t nodes = 0;
    for (int k = 0; k < perShape; ++k) {
      const std::uint64_t seed = firstSeed + static_cast<std::uint64_t>(k);
      SweepRandom random(seed * 131 + static_cast<std::uint64_t>(shape));
      const int count = smallest + random.below(largest - smallest + 1);
      const auto problem = makeInstance(shape, count, random);
      if (!tourLengthsFit(*problem)) continue;
      const bool symmetric = shape != Shape::Asymmetric;
      SolveOptions options;
      options.monitor = &limit;
      options.progressInterval = 1 << 20;
      if (randomSwitches) {
        const std::uint32_t bits = random.next();
        options.fullChain = (bits & 1) != 0;
        options.chain.probeLongArcs = (bits & 2) != 0;
        options.chain.exchangeFilter = (bits & 4) != 0;
        options.chain.pruneByReachability = (bits & 8) != 0;
        options.chain.forcedChains = (bits & 16) != 0;
        options.chain.lagrangianBound = (bits & 32) != 0;
        options.chain.reducedCostElimination = (bits & 64) != 0;
        options.improveUpperBound = (bits & 128) != 0;
      }
      const Outcome outcome = solve(*problem, options);
      ++total;
      const bool withOracle = count <= 16;
      nodes += outcome.statistics.evaluatedNodes;
      if (outcome.length < outcome.statistics.initialLength) ++improved;
      OptimalTour optimal;
      if (symmetric && withOracle) {
        optimal = optimalTour(*problem);
      } else if (symmetric) {
        auto other = std::make_unique<ProblemData>(*problem);
        other->startCity = (problem->startCity + 1) % count;
        SolveOptions plain;
        plain.monitor = &limit;
        plain.progressInterval = 1 << 20;
        plain.fullChain = false;
        optimal.length = solve(*other, plain).length;
      } else if (!withOracle) {
        // No reference for large asymmetric instances: validity and length only.
      } else if (outcome.length != heldKarpOptimum(*problem)) {
        ++aboveOptimum;
      }
      const std::string fault = checkOutcome(*problem, outcome, symmetric, optimal.length);
      if (!fault.empty()) {
        ++shapeFailures;
        if (shapeFailures <= 5) {
          std::printf("FAIL %s seed %llu, %d cities: %s\n", shapeName(shape),
                      static_cast<unsigned long long>(seed), count, fault.c_str());
          printInstance(*problem);
        }
      }
      if (kSearchChecks && symmetric && withOracle && optimal.unique) {
        const auto witness = searchDirection(*problem, optimal.order);
        SolveOptions checked = options;
        checked.witnessTour = witness.data();
        checked.witnessLength = static_cast<std::int32_t>(optimal.length);
        const Outcome run = solve(*problem, checked);
        ++witnessed;
        if (run.statistics.witnessViolations > 0) {
          ++witnessFailures;
          if (witnessFailures <= 5) {
            std::printf("WITNESS %s seed %llu, %d cities: %llu violations, first in %s\n",
                        shapeName(shape), static_cast<unsigned long long>(seed), count,
                        static_cast<unsigned long long>(run.statistics.witnessViolations),
                        run.statistics.witnessViolation);
            printInstance(*problem);
          }
        }
      }
    }
    std::printf("%-22s %6d instances, %5d improved by the search, %10llu nodes, %d failures",
                shapeName(shape), perShape, improved, static_cast<unsigned long long>(nodes),
                shapeFailures);
    if (aboveOptimum > 0) std::printf(", %d above the optimum (not exact here)", aboveOptimum);
    if (kSearchChecks)
      std::printf(", %d witnessed, %d witness failures", witnessed, witnessFailures);
    std::printf("\n");
    std::fflush(stdout);
    failures += shapeFailures + witnessFailures;
  }
  std::printf("%ld instances, %d failures\n", total, failures);
  return failures == 0 ? 0 : 1;
}
