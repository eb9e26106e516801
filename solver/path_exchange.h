// The path exchange test in a form the exchange filter can inline: the path ends it reads are
// gathered once per node (PathEnds), and the order hints of the three entry points are plain
// functions of the cities. pathExchangeTest and its entry points (search.h) are built on these.
#pragma once

#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

struct PathEnds {
  std::int32_t count;       // cities on the path
  std::int32_t last;        // L, the current city
  std::int32_t beforeLast;  // P, the city before L
  std::int32_t first;       // F, the first city
  std::int32_t second;      // N, the city after F
  Cost lastEdge;            // d(P, L)
  Cost firstEdge;           // d(F, N)
};

using DistanceRows = std::int32_t[kRowCount][kRowCount];

inline PathEnds pathEndsOf(const DistanceRows& d, const TourRecord& path) {
  PathEnds ends{path.count, path.currentCity, path.previousCity, path.firstCity, -1, 0, 0};
  if (path.count >= 2) {
    ends.first = path.order[0];
    ends.second = path.order[1];
    ends.lastEdge = d[ends.beforeLast][ends.last];
    ends.firstEdge = d[ends.first][ends.second];
  }
  return ends;
}

// True when no three-edge exchange of the arcs a1->b1 and a2->b2 with the path's last or first
// edge is strictly shorter, the arcs lying on the open section in the order the hint gives.
inline bool pathExchangeHolds(const DistanceRows& d, const PathEnds& ends, std::int32_t a1,
                              std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w,
                              ArcOrder hint) {
  if (ends.count < 2) return true;
  const std::int32_t last = ends.last;
  const std::int32_t beforeLast = ends.beforeLast;
  const std::int32_t first = ends.first;
  const std::int32_t second = ends.second;
  const Cost lastSide = ends.lastEdge + w;
  const Cost firstSide = ends.firstEdge + w;

  // Each group holds when no exchange with its path edge is strictly shorter, arc 1 first.
  const auto lastGroupFirstBefore = [&] {
    return lastSide <= Cost{d[a1][b2]} + d[a2][last] + d[beforeLast][b1] &&
           lastSide <= Cost{d[last][b2]} + d[a2][a1] + d[beforeLast][b1];
  };
  const auto firstGroupFirstBefore = [&] {
    return firstSide <= Cost{d[b1][b2]} + d[first][a1] + d[second][a2] &&
           firstSide <= Cost{d[b2][a1]} + d[b1][first] + d[second][a2];
  };
  // The same with the two arcs swapped (arc 2 first).
  const auto lastGroupSecondBefore = [&] {
    return lastSide <= Cost{d[a2][b1]} + d[a1][last] + d[beforeLast][b2] &&
           lastSide <= Cost{d[last][b1]} + d[a1][a2] + d[beforeLast][b2];
  };
  const auto firstGroupSecondBefore = [&] {
    return firstSide <= Cost{d[b2][b1]} + d[first][a2] + d[second][a1] &&
           firstSide <= Cost{d[b1][a2]} + d[b2][first] + d[second][a1];
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

// Order of the arcs a1->b1 and a2->b2 on the open section, from the arcs alone.
inline ArcOrder orderOfArcs(const PathEnds& ends, std::int32_t a1, std::int32_t b1, std::int32_t a2,
                            std::int32_t b2) {
  if (a1 == ends.last || b2 == ends.first) return ArcOrder::FirstBefore;
  if (b1 == ends.first || a2 == ends.last) return ArcOrder::SecondBefore;
  return ArcOrder::EitherOrder;
}

// Order of a->b and m->s, where p->m is m's chosen incoming arc (b = p: a->b->m->s).
inline ArcOrder orderKnowingIn(const PathEnds& ends, std::int32_t a, std::int32_t b, std::int32_t p,
                               std::int32_t s) {
  if (a == ends.last || s == ends.first || b == p) return ArcOrder::FirstBefore;
  if (b == ends.first || p == ends.last) return ArcOrder::SecondBefore;
  return ArcOrder::EitherOrder;
}

// Order of a->b and p->m, where m->s is m's chosen outgoing arc (a = s: p->m->a->b).
inline ArcOrder orderKnowingOut(const PathEnds& ends, std::int32_t a, std::int32_t b,
                                std::int32_t p, std::int32_t s) {
  if (a == ends.last || s == ends.first) return ArcOrder::FirstBefore;
  if (b == ends.first || p == ends.last || a == s) return ArcOrder::SecondBefore;
  return ArcOrder::EitherOrder;
}

}  // namespace ringmarch
