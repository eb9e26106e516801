// The working data of one solve: a private copy of the instance with its neighbour order
// rebuilt, the dense distance matrix, and the best closed tour found so far.
//
// Each solve owns its state, so solves on different threads never share anything.
#pragma once

#include <cstdint>

#include "model/problem_data.h"
#include "solver/tour_record.h"

namespace ringmarch {

struct SolverState {
  ProblemData workProblem;
  std::int32_t cityCount;
  std::int32_t distance[kRowCount][kRowCount];
  TourRecord bestTour;
  std::int32_t bestLength;
  // Length of the improved first tour when the search looks for tours no longer than it
  // (bestLength is then one more, while bestTour is still the initial tour); 2147483647 otherwise.
  std::int32_t improvedLength;
  // Added to every distance between distinct cities of the working copy so that none is
  // negative. Every closed tour has cityCount edges, so the shift adds the same amount to every
  // tour and leaves the optimal tours unchanged; lengths handed out subtract it again.
  std::int32_t distanceShift;
};

// The shift that makes the smallest distance between distinct cities 0 (0 when none is
// negative).
std::int64_t negativeDistanceShift(const ProblemData& source);

// A working-copy tour length in the instance's own distances.
std::int32_t unshiftedLength(const SolverState& state, std::int32_t length);

// Copies count, distances (shifted, see distanceShift), name, coordinate flag, bounds and start
// city of source into the working copy, rebuilds every row's neighbour order, and fills cityCount
// and the matrix.
void loadWorkingCopy(SolverState& state, const ProblemData& source);

}  // namespace ringmarch
