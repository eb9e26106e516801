// A shorter tour than the initial one by local search, for the search's first bound.
#pragma once

#include <cstdint>

#include "solver/search.h"
#include "solver/solver_state.h"
#include "solver/tour_record.h"

namespace ringmarch {

struct ImprovedTour {
  std::int32_t length;  // in the working copy's distances
  std::int32_t order[kRowCount];
};

// Rounds of kicks and local search for an instance of cityCount cities.
std::int32_t improvementRounds(std::int32_t cityCount);

// improved := the shortest tour found from the initial (closed) tour; the initial tour itself
// when nothing shorter turns up. Deterministic: the instance alone decides every choice. With a
// context, its monitor is asked every few rounds; once it says stop (context->stopRequested),
// improved is the shortest tour found so far.
void improveTour(const SolverState& state, const TourRecord& initial, ImprovedTour& improved,
                 SearchContext* context = nullptr);

}  // namespace ringmarch
