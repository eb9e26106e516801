// Tightening of pooled combs, after the "tighten" step of Applegate, Bixby, Chvatal & Cook (The
// Traveling Salesman Problem: A Computational Study, 2006, ch. 10): a comb the LP point nearly
// meets (or meets with equality, as the cuts in the LP do) has single cities moved into or out of
// its handle or a tooth, greedily, the move that lowers x(delta(H)) + sum_i x(delta(T_i)) most
// first, while the sets stay a comb (teeth disjoint, each meeting H and its complement). What
// comes out is a comb, so it holds for every tour; only those the point violates are returned.
// Reads the point and the combs; changes neither.
#pragma once

#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

// Moves tried per comb at the most: tightening is a local repair, not a search.
inline constexpr int kTighteningMoves = 16;

// The tightened versions of the given combs (each a canonical Blossom or Comb cut; others are
// passed over) that the point violates by at least minimumViolation, most violated first, at most
// limit, each set a comb again and of the family its teeth say (Blossom when every tooth is an
// edge).
std::vector<CitySetCut> tightenCombs(const SupportGraph& graph,
                                     const std::vector<const CitySetCut*>& combs, int limit,
                                     double minimumViolation);

}  // namespace ringmarch::cut
