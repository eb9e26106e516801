// Path exchange test: supposing that the arcs a1->b1 and a2->b2 both lie on the open section of
// a tour (from the current city L back to the first city F), checks that no three-edge exchange
// of those two arcs with the last path edge P->L or the first path edge F->N is strictly
// shorter. Reads only the node's path ends and the distance matrix; changes nothing. True: the
// two arcs may lie together on an optimal tour as far as this test can tell; false: they cannot.
// An exchange that only ties never refutes. The entry points differ in how they decide which
// arc comes first on the open section (path_exchange.h holds the test and the hints).
#include "solver/path_exchange.h"
#include "solver/search_context.h"

namespace ringmarch {

bool pathExchangeTest(const SearchContext& context, const SearchNode& node, std::int32_t a1,
                      std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w, ArcOrder hint) {
  const auto& d = context.state.distance;
  return pathExchangeHolds(d, pathEndsOf(d, *node.path), a1, b1, a2, b2, w, hint);
}

bool exchangeTest(const SearchContext& context, const SearchNode& node, std::int32_t a1,
                  std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w) {
  const auto& d = context.state.distance;
  const PathEnds ends = pathEndsOf(d, *node.path);
  return pathExchangeHolds(d, ends, a1, b1, a2, b2, w, orderOfArcs(ends, a1, b1, a2, b2));
}

bool exchangeTestKnowingIn(const SearchContext& context, const SearchNode& node, std::int32_t a,
                           std::int32_t b, std::int32_t p, std::int32_t m, std::int32_t s, Cost w) {
  const auto& d = context.state.distance;
  const PathEnds ends = pathEndsOf(d, *node.path);
  return pathExchangeHolds(d, ends, a, b, m, s, w, orderKnowingIn(ends, a, b, p, s));
}

bool exchangeTestKnowingOut(const SearchContext& context, const SearchNode& node, std::int32_t a,
                            std::int32_t b, std::int32_t p, std::int32_t m, std::int32_t s,
                            Cost w) {
  const auto& d = context.state.distance;
  const PathEnds ends = pathEndsOf(d, *node.path);
  return pathExchangeHolds(d, ends, a, b, p, m, w, orderKnowingOut(ends, a, b, p, s));
}

}  // namespace ringmarch
