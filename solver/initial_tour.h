// The first upper bound of a solve: a nearest-neighbour tour from city 0 improved by 2-opt.
#pragma once

#include <cstdint>

#include "solver/solver_state.h"
#include "solver/tour_record.h"

namespace ringmarch {

struct SearchContext;

// tour: an empty record over the working copy with its start fields set. Sets bestTour and
// bestLength, then empties tour again (start fields kept, stale order entries left). With a
// context, its monitor is asked between 2-opt sweeps; once it says stop (context->stopRequested),
// the 2-opt ends early and bestTour is the tour reached so far, still a whole tour.
void buildInitialTour(SolverState& state, TourRecord& tour, SearchContext* context = nullptr);

// Reverses order[i+1 .. m] of the tour (0 <= i, i + 2 <= m, m + 1 < count) and updates position
// and length (exactly, also for a matrix that is not symmetric).
void reverseSegment(TourRecord& tour, int i, int m);

}  // namespace ringmarch
