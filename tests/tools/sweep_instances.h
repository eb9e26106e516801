// Instances of many shapes for the sweeps (tie-heavy, degenerate and unusual), drawn from a
// generator of their own, and a solve wrapper that keeps the whole outcome.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/error_code.h"
#include "model/problem_data.h"
#include "solver/solve_driver.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {

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
  EuclideanUniform,     // points spread uniformly over 0 .. 999 squared
};

const char* shapeName(Shape shape);

// An instance of the shape with count cities and a random start city.
std::unique_ptr<ProblemData> makeInstance(Shape shape, int count, SweepRandom& random);

// The distance matrix as text, so that a failure can be reduced and replayed; printInstance
// prints it.
std::string matrixText(const ProblemData& problem);
void printInstance(const ProblemData& problem);

// A sweep's first four arguments: instancesPerShape smallestCount largestCount firstSeed, each
// taking its default where it is not given.
struct SweepArguments {
  int perShape = 0;
  int smallest = 0;
  int largest = 0;
  std::uint64_t firstSeed = 1;
};

// Empty, with a line on standard error, when an argument is not a whole number, or the counts are
// out of order or outside 3 .. largestAllowed.
std::optional<SweepArguments> sweepArguments(int argc, char** argv, SweepArguments defaults,
                                             int largestAllowed);

// Stops a search that runs far longer than any instance of this size should need.
class NodeLimit : public SolveMonitor {
 public:
  bool onProgress(const SolveProgress& progress) override {
    return progress.evaluatedNodes < 200'000'000ull;
  }
};

// The whole outcome of a solve: result code, tour, length and statistics.
using Outcome = SolveOutcome;
inline Outcome solve(const ProblemData& problem, const SolveOptions& options) {
  return solveProblem(problem, options);
}

}  // namespace ringmarch::testing
