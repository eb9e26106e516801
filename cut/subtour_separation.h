// Exact separation of subtour elimination constraints x(delta(S)) >= 2. First the connected
// components of the support graph (each one is violated when there are several); when it is
// connected, edges with x = 1 are shrunk (safe: for x on the degree equations, adding v to a set
// S holding u with x_uv = 1 never raises x(delta(S)); Padberg & Rinaldi 1990), and Stoer &
// Wagner's minimum-cut algorithm (1997) runs on the shrunk graph; every cut of a phase below 2 is
// returned, most violated first, so one run can give several cuts. Reads the support graph only.
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
