// Heuristic separation of blossom inequalities x(delta(H)) + sum_i x(delta(T_i)) >= 3k + 1 with
// k odd >= 3 and teeth T_i single edges (Edmonds 1965's 2-matching constraints in comb form).
// The "fast blossom" rule (Padberg & Hong 1980; Grotschel & Holland 1991): each connected
// component of the edges with 0 < x < 1 is a handle, and the edges with x = 1 that leave it are
// its teeth; a handle with an odd number of disjoint teeth, three or more, gives a candidate,
// kept when violated. The same is tried with the threshold eps < x < 1 - eps over the edges
// near 0 or 1. Reads the support graph only.
#pragma once

#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

std::vector<CitySetCut> separateFastBlossoms(const SupportGraph& graph, int limit);

}  // namespace ringmarch::cut
