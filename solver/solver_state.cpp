#include "solver/solver_state.h"

#include <cstring>

namespace ringmarch {

std::int64_t negativeDistanceShift(const ProblemData& source) {
  std::int64_t smallest = 0;
  for (int i = 0; i < source.count; ++i) {
    for (int j = 0; j < source.count; ++j) {
      if (i != j && source.rows[i].dist[j] < smallest) smallest = source.rows[i].dist[j];
    }
  }
  return -smallest;
}

std::int32_t unshiftedLength(const SolverState& state, std::int32_t length) {
  return static_cast<std::int32_t>(length - static_cast<std::int64_t>(state.distanceShift) *
                                                state.cityCount);
}

void loadWorkingCopy(SolverState& state, const ProblemData& source) {
  ProblemData& work = state.workProblem;
  const int n = source.count;
  work.count = n;
  // Callers admit only instances whose shifted tour lengths fit 32 bits, so the shift does too.
  state.distanceShift = static_cast<std::int32_t>(negativeDistanceShift(source));
  for (int i = 0; i < n; ++i) {
    std::memcpy(work.rows[i].dist, source.rows[i].dist, sizeof(std::int32_t) * n);
    if (state.distanceShift != 0) {
      for (int j = 0; j < n; ++j) {
        if (j != i) work.rows[i].dist[j] += state.distanceShift;
      }
    }
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
