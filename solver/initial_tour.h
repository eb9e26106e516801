// The first upper bound of a solve: a nearest-neighbour tour from city 0 improved by 2-opt.
#pragma once

#include <cstdint>

#include "solver/solver_state.h"
#include "solver/tour_record.h"

namespace ringmarch {

// tour: an empty record over the working copy with its start fields set. Sets bestTour and
// bestLength, then empties tour again (start fields kept, stale order entries left).
void buildInitialTour(SolverState& state, TourRecord& tour);

// Reverses order[i+1 .. m] of the tour (0 <= i, i + 2 <= m, m + 1 < count) and updates position
// and length (exactly, also for a matrix that is not symmetric).
void reverseSegment(TourRecord& tour, int i, int m);

}  // namespace ringmarch
