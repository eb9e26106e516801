// Path exchange test: supposing that the arcs a1->b1 and a2->b2 both lie on the open section of
// a tour (from the current city L back to the first city F), checks that no three-edge exchange
// of those two arcs with the last path edge P->L or the first path edge F->N is strictly
// shorter. Reads only the node's path ends and the distance matrix; changes nothing. True: the
// two arcs may lie together on an optimal tour as far as this test can tell; false: they cannot.
// An exchange that only ties never refutes.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

bool pathExchangeTest(const SearchContext& context, const SearchNode& node, std::int32_t a1,
                      std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w, ArcOrder hint) {
  const TourRecord& path = *node.path;
  if (path.count < 2) return true;
  const auto& d = context.state.distance;
  const std::int32_t last = path.currentCity;
  const std::int32_t beforeLast = path.previousCity;
  const std::int32_t first = path.order[0];
  const std::int32_t second = path.order[1];
  const Cost lastEdge = Cost{d[beforeLast][last]} + w;
  const Cost firstEdge = Cost{d[first][second]} + w;

  // Each group holds when no exchange with its path edge is strictly shorter, arc 1 first.
  const auto lastGroupFirstBefore = [&] {
    return lastEdge <= Cost{d[a1][b2]} + d[a2][last] + d[beforeLast][b1] &&
           lastEdge <= Cost{d[last][b2]} + d[a2][a1] + d[beforeLast][b1];
  };
  const auto firstGroupFirstBefore = [&] {
    return firstEdge <= Cost{d[b1][b2]} + d[first][a1] + d[second][a2] &&
           firstEdge <= Cost{d[b2][a1]} + d[b1][first] + d[second][a2];
  };
  // The same with the two arcs swapped (arc 2 first).
  const auto lastGroupSecondBefore = [&] {
    return lastEdge <= Cost{d[a2][b1]} + d[a1][last] + d[beforeLast][b2] &&
           lastEdge <= Cost{d[last][b1]} + d[a1][a2] + d[beforeLast][b2];
  };
  const auto firstGroupSecondBefore = [&] {
    return firstEdge <= Cost{d[b2][b1]} + d[first][a2] + d[second][a1] &&
           firstEdge <= Cost{d[b1][a2]} + d[b2][first] + d[second][a1];
  };

  switch (hint) {
    case ArcOrder::FirstBefore:
      return lastGroupFirstBefore() && firstGroupFirstBefore();
    case ArcOrder::SecondBefore:
      return lastGroupSecondBefore() && firstGroupSecondBefore();
    case ArcOrder::EitherOrder:
      break;
  }
  // With the order open, each group may be satisfied under either order on its own.
  return (lastGroupFirstBefore() || lastGroupSecondBefore()) &&
         (firstGroupFirstBefore() || firstGroupSecondBefore());
}

bool exchangeTest(const SearchContext& context, const SearchNode& node, std::int32_t a1,
                  std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w) {
  const TourRecord& path = *node.path;
  const std::int32_t last = path.currentCity;
  const std::int32_t first = path.firstCity;
  ArcOrder hint = ArcOrder::EitherOrder;
  if (a1 == last || b2 == first) {
    hint = ArcOrder::FirstBefore;
  } else if (b1 == first || a2 == last) {
    hint = ArcOrder::SecondBefore;
  }
  return pathExchangeTest(context, node, a1, b1, a2, b2, w, hint);
}

// The arcs a->b and m->s, where p->m is already chosen as m's incoming arc.
bool exchangeTestKnowingIn(const SearchContext& context, const SearchNode& node, std::int32_t a,
                           std::int32_t b, std::int32_t p, std::int32_t m, std::int32_t s, Cost w) {
  const TourRecord& path = *node.path;
  const std::int32_t last = path.currentCity;
  const std::int32_t first = path.firstCity;
  ArcOrder hint = ArcOrder::EitherOrder;
  if (a == last || s == first || b == p) {
    hint = ArcOrder::FirstBefore;  // b = p: the tour runs a->b->m->s
  } else if (b == first || p == last) {
    hint = ArcOrder::SecondBefore;
  }
  return pathExchangeTest(context, node, a, b, m, s, w, hint);
}

// The arcs a->b and p->m, where m->s is already chosen as m's outgoing arc.
bool exchangeTestKnowingOut(const SearchContext& context, const SearchNode& node, std::int32_t a,
                            std::int32_t b, std::int32_t p, std::int32_t m, std::int32_t s,
                            Cost w) {
  const TourRecord& path = *node.path;
  const std::int32_t last = path.currentCity;
  const std::int32_t first = path.firstCity;
  ArcOrder hint = ArcOrder::EitherOrder;
  if (a == last || s == first) {
    hint = ArcOrder::FirstBefore;
  } else if (b == first || p == last || a == s) {
    hint = ArcOrder::SecondBefore;  // a = s: the tour runs p->m->a->b
  }
  return pathExchangeTest(context, node, a, b, p, m, w, hint);
}

}  // namespace ringmarch
