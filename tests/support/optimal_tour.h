// The optimal tour itself, with the number of optimal tours, by Held-Karp dynamic programming
// (n <= 16), written apart from the solver, for the internal search checks.
#pragma once

#include <cstdint>
#include <vector>

#include "model/problem_data.h"

namespace ringmarch::testing {

struct OptimalTour {
  std::int64_t length = 0;
  bool unique = false;     // exactly one optimal tour (counting a tour and its reverse once)
  std::vector<int> order;  // an optimal tour starting at city 0
};

OptimalTour optimalTour(const ProblemData& problem);

// The tour rotated to begin at the instance's start city s and turned so that it visits s's
// nearest city before its second nearest: the direction in which the search visits it.
std::vector<std::int32_t> searchDirection(const ProblemData& problem,
                                          const std::vector<int>& order);

}  // namespace ringmarch::testing
