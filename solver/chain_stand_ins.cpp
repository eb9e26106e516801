// Pass-through stand-ins for the rest of the evaluation chain (forced chains, exchange filter,
// reachability pruning, path exchange tests, look-ahead probes). They are replaced by the full
// chain; until then each one proves nothing and removes nothing, which keeps the search exact
// (only slower), since every procedure of the chain may only narrow a node.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

bool restrictAndPropagate(SearchContext& context, SearchNode& node, std::int32_t city,
                          std::int32_t other, std::int32_t position, std::uint8_t newDirs) {
  return restrictEdge(context, node, city, other, position, newDirs) &&
         propagateForcedArcs(context, node, city) && propagateForcedArcs(context, node, other);
}

bool pruneByReachability(SearchContext&, SearchNode&) {
  return true;
}
bool advanceForwardChain(SearchContext&, SearchNode&) {
  return true;
}
bool advanceBackwardChain(SearchContext&, SearchNode&) {
  return true;
}

bool pathExchangeTest(const SearchContext&, const SearchNode&, std::int32_t, std::int32_t,
                      std::int32_t, std::int32_t, Cost, ArcOrder) {
  return true;
}
bool exchangeTest(const SearchContext&, const SearchNode&, std::int32_t, std::int32_t, std::int32_t,
                  std::int32_t, Cost) {
  return true;
}
bool exchangeTestKnowingIn(const SearchContext&, const SearchNode&, std::int32_t, std::int32_t,
                           std::int32_t, std::int32_t, std::int32_t, Cost) {
  return true;
}
bool exchangeTestKnowingOut(const SearchContext&, const SearchNode&, std::int32_t, std::int32_t,
                            std::int32_t, std::int32_t, std::int32_t, Cost) {
  return true;
}
bool exchangeFilter(SearchContext&, SearchNode&) {
  return true;
}
bool probeLongArcs(SearchContext&, SearchNode&) {
  return true;
}

}  // namespace ringmarch
