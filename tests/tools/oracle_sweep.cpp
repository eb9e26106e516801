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
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/generation.h"
#include "model/problem_data.h"
#include "solver/solve_driver.h"
#include "solver/tour_record.h"
#include "solver/witness_check.h"
#include "support/optimal_tour.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

// A small generator of its own (xorshift), so the shapes do not depend on the instance generator.
class SweepRandom {
 public:
  explicit SweepRandom(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<std::uint32_t>(state_ >> 16);
  }
  int below(int limit) { return static_cast<int>(next() % static_cast<std::uint32_t>(limit)); }

 private:
  std::uint64_t state_;
};

enum class Shape {
  EuclideanDuplicates,  // points on a coarse grid: duplicates and collinear triples
  IntegerGrid,          // every point of a small grid, in random numbering
  CollinearLine,        // most points on one line, a few off it
  SmallRange,           // symmetric 1 .. L, L in 2 .. 20
  WithZeros,            // symmetric 0 .. L between distinct cities
  WithNegatives,        // symmetric -L .. L
  Asymmetric,           // 1 .. L with rows[i].dist[j] independent of rows[j].dist[i]
  WideRange,            // symmetric 1 .. 1000, no triangle inequality
  HugeValues,           // symmetric, entries up to the largest that keeps tour lengths in 32 bits
  AllEqual,             // every distance the same (or 0 and one other value)
};

const char* shapeName(Shape shape) {
  switch (shape) {
    case Shape::EuclideanDuplicates:
      return "euclidean-duplicates";
    case Shape::IntegerGrid:
      return "integer-grid";
    case Shape::CollinearLine:
      return "collinear-line";
    case Shape::SmallRange:
      return "small-range";
    case Shape::WithZeros:
      return "with-zeros";
    case Shape::WithNegatives:
      return "with-negatives";
    case Shape::Asymmetric:
      return "asymmetric";
    case Shape::WideRange:
      return "wide-range";
    case Shape::HugeValues:
      return "huge-values";
    case Shape::AllEqual:
      return "all-equal";
  }
  return "?";
}

void finishCoordinates(ProblemData& problem, double scale) {
  problem.hasCoordinates = 1;
  resetBounds(problem);
  for (int i = 0; i < problem.count; ++i)
    extendBounds(problem, problem.rows[i].x, problem.rows[i].y);
  computeDistances(problem, scale);
}

std::unique_ptr<ProblemData> makeInstance(Shape shape, int count, SweepRandom& random) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = count;
  problem->startCity = random.below(count);
  const int range = 2 + random.below(19);  // 2 .. 20
  switch (shape) {
    case Shape::EuclideanDuplicates: {
      const int side = 2 + random.below(5);
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = random.below(side) * 10;
        problem->rows[i].y = random.below(side) * 10;
      }
      finishCoordinates(*problem, random.below(2) == 0 ? 1.0 : 0.1);
      break;
    }
    case Shape::IntegerGrid: {
      const int width = 2 + random.below(3);
      std::vector<int> cells;
      for (int k = 0; k < count; ++k) cells.push_back(k);
      for (int k = count - 1; k > 0; --k) std::swap(cells[k], cells[random.below(k + 1)]);
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = cells[i] % width;
        problem->rows[i].y = cells[i] / width;
      }
      finishCoordinates(*problem, random.below(2) == 0 ? 1.0 : 3.0);
      break;
    }
    case Shape::CollinearLine: {
      for (int i = 0; i < count; ++i) {
        problem->rows[i].x = random.below(12);
        problem->rows[i].y = random.below(4) == 0 ? random.below(5) : 0;
      }
      finishCoordinates(*problem, 1.0);
      break;
    }
    case Shape::SmallRange:
    case Shape::WithZeros:
    case Shape::WithNegatives:
    case Shape::Asymmetric: {
      const int lowest = shape == Shape::SmallRange || shape == Shape::Asymmetric ? 1
                         : shape == Shape::WithZeros                              ? 0
                                                                                  : -range;
      const int span = range - lowest + 1;
      for (int i = 0; i < count; ++i) {
        problem->rows[i].dist[i] = 0;
        for (int j = i + 1; j < count; ++j) {
          problem->rows[i].dist[j] = lowest + random.below(span);
          problem->rows[j].dist[i] =
              shape == Shape::Asymmetric ? lowest + random.below(span) : problem->rows[i].dist[j];
        }
      }
      for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
      break;
    }
    case Shape::WideRange:
    case Shape::HugeValues:
    case Shape::AllEqual: {
      const std::int32_t top = shape == Shape::WideRange    ? 1000
                               : shape == Shape::HugeValues ? 2147483647 / count
                                                            : 1;
      const bool twoValues = random.below(2) == 0;
      for (int i = 0; i < count; ++i) {
        problem->rows[i].dist[i] = 0;
        for (int j = i + 1; j < count; ++j) {
          std::int32_t d;
          if (shape == Shape::AllEqual) {
            d = twoValues && random.below(3) == 0 ? 0 : 7;
          } else if (shape == Shape::HugeValues && random.below(2) == 0) {
            d = top - random.below(3);  // many entries at or next to the limit
          } else {
            d = 1 + static_cast<std::int32_t>(random.next() % static_cast<std::uint32_t>(top));
          }
          problem->rows[i].dist[j] = problem->rows[j].dist[i] = d;
        }
      }
      for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
      break;
    }
  }
  return problem;
}

void printInstance(const ProblemData& problem) {
  std::printf("    count %d start %d\n", problem.count, problem.startCity);
  for (int i = 0; i < problem.count; ++i) {
    std::printf("    {");
    for (int j = 0; j < problem.count; ++j) {
      std::printf("%d%s", problem.rows[i].dist[j], j + 1 < problem.count ? ", " : "");
    }
    std::printf("},\n");
  }
}

// Stops a search that runs far longer than any instance of this size should need.
class NodeLimit : public SolveMonitor {
 public:
  bool onProgress(const SolveProgress& progress) override {
    return progress.evaluatedNodes < 200'000'000ull;
  }
};

struct Outcome {
  ErrorCode code;
  std::vector<int> order;
  std::int32_t length;
  SolveStatistics statistics;
};

Outcome solve(const ProblemData& problem, const SolveOptions& options) {
  Outcome outcome{};
  TourRecord tour;
  initTour(tour, &problem, 0);
  outcome.code = solveInstance(tour, problem, options, &outcome.statistics);
  outcome.length = tour.length;
  for (int k = 0; k < tour.count; ++k) outcome.order.push_back(tour.order[k]);
  return outcome;
}

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
  const int perShape = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int smallest = argc > 2 ? std::atoi(argv[2]) : 3;
  const int largest = argc > 3 ? std::atoi(argv[3]) : 16;
  const std::uint64_t firstSeed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1;
  // "switches": each instance runs with a random subset of the chain's filters.
  const bool randomSwitches = argc > 5 && std::string(argv[5]) == "switches";
  const Shape shapes[] = {
      Shape::EuclideanDuplicates, Shape::IntegerGrid,   Shape::CollinearLine, Shape::SmallRange,
      Shape::WithZeros,           Shape::WithNegatives, Shape::Asymmetric,    Shape::WideRange,
      Shape::HugeValues,          Shape::AllEqual};
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
