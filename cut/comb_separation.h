// Heuristic separation of comb inequalities x(delta(H)) + sum_i x(delta(T_i)) >= 3k + 1 whose
// teeth may be larger than edges: block combs with teething. Sets joined by edges of value one
// are shrunk, level after level (a path of 1-edges first, then sets that the merged values join
// by one again; Padberg & Rinaldi 1990, "Facet identification for the symmetric traveling
// salesman polytope"; Grotschel & Holland 1991). At each level the handles are the blocks
// (2-connected components) of the fractional edges of the shrunk graph, and their connected
// components when these hold several blocks (Padberg & Rinaldi 1990; Applegate, Bixby, Chvatal &
// Cook 2006, "The Traveling Salesman Problem: A Computational Study", ch. 7, block combs). Each
// handle gets its teeth by teething (ibid.): the edges of the shrunk graph leaving it, each one
// the union of two shrunk sets, taken greedily by their gain 3 - x(delta(T)) among disjoint ones,
// then made an odd number, three or more, by adding the next or dropping the last. So a tooth is a
// shrunk set in the handle and a shrunk set out of it. Naddef & Thienel 2002 ("Efficient
// separation routines for the symmetric TSP I") describe the same ingredients. Every comb is
// checked for its structure and its violation on the unshrunk graph. Reads the support graph only.
#pragma once

#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

// Violated combs (at most `limit`, most violated first), canonical, each checked to be a comb
// and violated by more than 1e-6. Combs whose teeth are all edges come out as family Blossom,
// the others as Comb.
std::vector<CitySetCut> separateBlockCombs(const SupportGraph& graph, int limit);

}  // namespace ringmarch::cut
