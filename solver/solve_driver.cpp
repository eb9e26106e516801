// Solve driver: working copy, initial tour, exact search from the start city, result copy.
// The per-solve state lives on the heap for the duration of one call; a failed allocation of it
// answers OutOfMemory with the result left as it was.
#include "solver/solve_driver.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "solver/initial_tour.h"
#include "solver/solver_state.h"

namespace ringmarch {

bool tourLengthsFit(const ProblemData& instance) {
  std::int64_t total = 0;
  for (int i = 0; i < instance.count; ++i) {
    std::int64_t largest = 0;
    for (int j = 0; j < instance.count; ++j) {
      const std::int64_t d = instance.rows[i].dist[j];
      const std::int64_t magnitude = d < 0 ? -d : d;
      if (magnitude > largest) largest = magnitude;
    }
    total += largest;
  }
  return total <= 2147483647;
}

ErrorCode solveInstance(TourRecord& result, const ProblemData& instance,
                        const SolveOptions& /*options*/, SolveStatistics* statistics) {
  std::unique_ptr<SolverState> state(new (std::nothrow) SolverState);
  if (!state) return ErrorCode::OutOfMemory;

  loadWorkingCopy(*state, instance);
  const int n = state->cityCount;
  // A start city outside the instance (left over from an earlier, larger instance) falls back to
  // city 0.
  const std::int32_t start =
      instance.startCity >= 0 && instance.startCity < n ? instance.startCity : 0;
  state->bestLength = 0;

  TourRecord path;
  initTour(path, &state->workProblem, -1);
  path.startCity = start;
  path.nearestOfStart = state->workProblem.rows[start].neighbourOrder[1];
  path.secondOfStart = state->workProblem.rows[start].neighbourOrder[2];
  path.nearestPlaced = path.nearestOfStart == path.secondOfStart;

  buildInitialTour(*state, path);
  if (statistics) statistics->initialLength = state->bestLength;

  copyTourKeepingProblem(result, state->bestTour);
  return ErrorCode::Success;
}

}  // namespace ringmarch
