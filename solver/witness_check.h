// Internal check of the search (builds with RINGMARCH_SEARCH_CHECKS only; compiled out
// otherwise): given the unique optimal tour of the instance, in the direction the search visits
// it, no evaluation step may prune a node whose path is a prefix of that tour, nor remove one of
// the tour's remaining arcs from such a node, and the bound test may not reject the tour's next
// city, while the best length found is still above the optimum. Violations are counted in the
// statistics with the name of the first offending step.
#pragma once

#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

#ifdef RINGMARCH_SEARCH_CHECKS
inline constexpr bool kSearchChecks = true;
// After an evaluation step named `step` that answered `survived`.
void checkWitnessAfterStep(SearchContext& context, const SearchNode& node, const char* step,
                           bool survived);
// After the evaluation of a node with `children` candidates: the optimal tour's next city must
// be among them and pass the bound test.
void checkWitnessChildren(SearchContext& context, const SearchNode& node, std::int32_t children);
#else
inline constexpr bool kSearchChecks = false;
inline void checkWitnessAfterStep(SearchContext&, const SearchNode&, const char*, bool) {}
inline void checkWitnessChildren(SearchContext&, const SearchNode&, std::int32_t) {}
#endif

}  // namespace ringmarch
