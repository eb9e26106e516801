// Exact separation of blossom inequalities, the combs whose teeth are edges. On the degree
// equations the blossom with handle H and tooth edges F (|F| odd) reads
//   x(delta(H) \ F) + sum_{e in F} (1 - x_e) >= 1,
// and for a given H the best F takes the edges of delta(H) with x_e > 1/2, or, when their number
// is even, also toggles the edge of delta(H) with x_e nearest 1/2. Letchford, Reinelt & Theis
// (2008, "Odd minimum cut sets and b-matchings revisited") show that a most violated blossom is
// found among the n - 1 cuts of a Gomory-Hu tree of the support graph under the weights
// min(x_e, 1 - x_e), each with its best F: this replaces the larger graph of Padberg & Rao
// (1982). Teeth that share a city are repaired as in the literature: two teeth meeting outside
// (inside) the handle are both dropped and their common city moved into (out of) the handle,
// which leaves the left-hand side as it was or lowers it; for a point that satisfies the subtour
// constraints this loses no violation. Reads the support graph only.
#pragma once

#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

// Violated blossoms (at most `limit`, most violated first), family Blossom, canonical, each
// checked to be a comb and violated by more than 1e-6 on the graph. On a point that satisfies
// the degree equations and the subtour constraints the first one is a most violated blossom, and
// none is returned only when no blossom is violated.
std::vector<CitySetCut> separateExactBlossoms(const SupportGraph& graph, int limit);

}  // namespace ringmarch::cut
