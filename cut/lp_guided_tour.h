// A start for the tour engine drawn from an LP point: the point's edges by decreasing value (ties:
// the cheaper first) are kept when they extend paths without closing a cycle, and the paths are
// joined nearest end first (the greedy rounding of an LP point, as in Junger, Reinelt & Thienel
// 1994 and Applegate, Bixby, Chvatal & Cook 2006, ch. 6). Twin-form points are read as directed
// arcs. Proves nothing; a better tour only tightens pruning. Reads the point only.
#pragma once

#include <vector>

#include "cut/engine_graph.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

// A tour of the instance's cities (every city once).
std::vector<int> lpGuidedStart(const EngineGraph& graph, const SupportGraph& point);

}  // namespace ringmarch::cut
