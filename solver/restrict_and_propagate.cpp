// Restriction with propagation: narrows one candidate edge on the initiative of a filter (not as
// the consequence of a forced arc) and lets forced-arc propagation restore consistency at both of
// its cities, the narrowed city first. Changes the node's entries, sums and arc table through
// restrictEdge and propagateForcedArcs. False: the node is infeasible (a city ran out of options
// or the degree bound reached the budget); nothing is propagated after a failure.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

bool restrictAndPropagate(SearchContext& context, SearchNode& node, std::int32_t city,
                          std::int32_t other, std::int32_t position, std::uint8_t newDirs) {
  if (!restrictEdge(context, node, city, other, position, newDirs)) return false;
  if (!propagateForcedArcs(context, node, city)) return false;
  return propagateForcedArcs(context, node, other);
}

}  // namespace ringmarch
