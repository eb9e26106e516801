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
};

// Copies count, distances, name, coordinate flag, bounds and start city of source into the
// working copy, rebuilds every row's neighbour order, and fills cityCount and the matrix.
void loadWorkingCopy(SolverState& state, const ProblemData& source);

}  // namespace ringmarch
