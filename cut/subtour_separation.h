// Exact separation of subtour elimination constraints x(delta(S)) >= 2. First the connected
// components of the support graph (each one is violated when there are several); when it is
// connected, edges with x = 1 are shrunk (safe: for x on the degree equations, adding v to a set
// S holding u with x_uv = 1 never raises x(delta(S)); Padberg & Rinaldi 1990), and a Gomory-Hu
// cut tree of the shrunk graph (Gomory & Hu 1961; Padberg & Rinaldi 1990 use it the same way),
// whose edges below 2 are violated sets, most violated first. Reads the support graph only.
#pragma once

#include <vector>

#include "cut/city_set_cut.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

// Violated subtour cuts (at most `limit`), each as the city set of one side. The minimum cut
// value found is written to minimumCut (2 or more when none is violated).
std::vector<CitySetCut> separateSubtours(const SupportGraph& graph, int limit,
                                         double* minimumCut = nullptr);

// The connected components of the support graph, each as a sorted list of cities.
std::vector<std::vector<int>> supportComponents(const SupportGraph& graph);

}  // namespace ringmarch::cut
