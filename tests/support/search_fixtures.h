// Instances and a solve wrapper shared by the search tests.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/error_code.h"
#include "model/problem_data.h"
#include "solver/solve_driver.h"

namespace ringmarch::testing {

// A seeded random Euclidean instance (whole coordinates 0 .. 9999).
std::unique_ptr<ProblemData> euclideanInstance(int count, std::uint32_t seed);

// A random symmetric matrix with distances 1 .. largest between distinct cities (small ranges
// give many equal distances) and the given start city.
std::unique_ptr<ProblemData> explicitInstance(int count, std::uint32_t seed, int largest,
                                              int startCity = 0);

// Cities on an arc of a circle (radius 9000) that spans spanFraction x pi, unevenly spaced so
// that distances are distinct; the city numbers start at position shift along the arc. Points in
// convex position: the optimal tour runs along the arc and back over the chord.
// The instance of a square distance matrix (as given, also asymmetric) with the given start city.
std::unique_ptr<ProblemData> matrixInstance(const std::vector<std::vector<int>>& matrix,
                                            int startCity);

std::unique_ptr<ProblemData> arcInstance(int count, double spanFraction, int shift);

struct SolveOutcome {
  ErrorCode code = ErrorCode::Success;
  std::vector<int> order;  // the tour's cities, order[0] first
  std::int32_t length = 0;
  SolveStatistics statistics;
};

SolveOutcome solveProblem(const ProblemData& problem, const SolveOptions& options = {});

}  // namespace ringmarch::testing
