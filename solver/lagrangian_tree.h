// The penalised spanning structure shared by the Lagrangian tree bound and the arc elimination
// that reads its final tree. Sized once per solve; the arrays describe the node evaluated last.
//
// The structure of a node is the one the tree bound measures: a spanning tree of the open
// (unplaced) cities over the node's candidate edges, plus one arc from the current city L into
// the open cities and one arc from the open cities into the first city F. Every completion of the
// path is such a structure. Each open city c carries a penalty p(c); an edge {a, b} between open
// cities weighs scale * d(a, b) + p(a) + p(b), an end arc scale * d + p(c) of its open city.
// Every completion gives each open city degree 2, so the lightest structure minus 2 * sum(p) is
// a lower bound (scaled) on every completion, whatever the penalties.
//
// All arithmetic is whole-number (64-bit), so every platform decides alike.
#pragma once

#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

// Distances are multiplied by this, so that whole-number penalties can be finer than one unit.
inline constexpr Cost kPenaltyScale = 256;
// Weight of a pair with no candidate edge: far above any structure, far below overflow.
inline constexpr Cost kNoEdge = Cost{1} << 60;

struct LagrangianRemoval {
  std::int16_t city;   // owner of the edge whose directions shrink
  std::int16_t other;  // the edge's other city
  std::uint8_t keep;   // direction bits (seen from city) that may stay
};

struct LagrangianTree {
  const SearchNode* node = nullptr;  // the node the arrays below belong to
  std::int32_t size = 0;             // open cities
  std::int32_t city[kRowCount];      // compact index -> city
  std::int32_t index[kRowCount];     // city -> compact index; -1 for placed cities
  // Candidate edges between open cities, city after city (compact indices): the edges of a are
  // other[firstEdge[a] .. firstEdge[a + 1]) with their weights scale * d.
  std::int32_t firstEdge[kRowCount + 1];
  std::int32_t other[kRowCount * kRowCount];
  Cost weight[kRowCount * kRowCount];
  Cost outWeight[kRowCount];    // scale * d(L, a) where L -> a may be used, else kNoEdge
  Cost inWeight[kRowCount];     // scale * d(a, F) where a -> F may be used, else kNoEdge
  Cost penalty[kRowCount];      // compact; the penalties being tried
  Cost bestPenalty[kRowCount];  // compact; the penalties of the best bound
  std::int32_t degree[kRowCount];
  std::int32_t treeParent[kRowCount];    // compact; -1 for the tree's root
  std::int32_t joinOrder[kRowCount];     // compact indices in the order Prim joined them
  Cost maxOnPath[kRowCount][kRowCount];  // heaviest penalised tree edge between two open cities
  // Of the structure at the final penalties: penalised tree weight, the end arcs' choices
  // (compact) and weights, the best and second best of each side, and the scaled bound.
  Cost treeWeight = 0;
  Cost penaltySum = 0;
  std::int32_t outChoice[2];
  Cost outValue[2];
  std::int32_t inChoice[2];
  Cost inValue[2];
  Cost bound = 0;
  LagrangianRemoval removals[kRowCount * kRowCount];
};

// Cheapest end arcs of the structure when the out arc goes to compact city `a` (or, with
// a = -1, to whichever is best): the in arc must come from another city unless only one city is
// open. Answers kNoEdge when no pair exists.
Cost endArcsWithOut(const LagrangianTree& tree, std::int32_t a);
Cost endArcsWithIn(const LagrangianTree& tree, std::int32_t a);

// Smallest c with c * kPenaltyScale >= scaled (rounding a scaled bound up to whole length units).
inline Cost unscaledBound(Cost scaled) {
  const Cost q = scaled / kPenaltyScale;
  return q * kPenaltyScale < scaled ? q + 1 : q;
}

}  // namespace ringmarch
