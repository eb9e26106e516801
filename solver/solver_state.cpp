#include "solver/solver_state.h"

#include <cstring>

namespace ringmarch {

void loadWorkingCopy(SolverState& state, const ProblemData& source) {
  ProblemData& work = state.workProblem;
  const int n = source.count;
  work.count = n;
  for (int i = 0; i < n; ++i) {
    std::memcpy(work.rows[i].dist, source.rows[i].dist, sizeof(std::int32_t) * n);
    sortNeighbourOrder(work, i);
  }
  std::memcpy(work.name, source.name, sizeof work.name);
  work.hasCoordinates = source.hasCoordinates;
  work.minX = source.minX;
  work.minY = source.minY;
  work.maxX = source.maxX;
  work.maxY = source.maxY;
  work.startCity = source.startCity;

  state.cityCount = n;
  for (int i = 0; i < n; ++i) {
    std::memcpy(state.distance[i], work.rows[i].dist, sizeof(std::int32_t) * n);
  }
}

}  // namespace ringmarch
