// The edge to branch on (x_e = 0 in one child, x_e = 1 in the other), by strong branching
// (Applegate, Bixby, Chvatal & Cook 1995, 2006 ch. 5): a few fractional edges, those nearest to
// one half, are each tried both ways with a limited number of dual simplex iterations, and the
// edge whose weaker child rises most is chosen (the product of the two rises, so that one strong
// side does not hide a flat one; Achterberg 2007). The trial objectives only order the work:
// nothing is pruned on them. The LP is left as it was.
#pragma once

#include <cstdint>

#include "cut/edge_table.h"
#include "cut/relaxation.h"

namespace ringmarch::cut {

struct BranchChoice {
  std::int64_t edge = -1;      // -1: no fractional free edge
  double zeroObjective = 0.0;  // the trials' LP values of the two children (estimates)
  double oneObjective = 0.0;
};

BranchChoice chooseBranchEdge(Relaxation& lp, const EdgeTable& edges, int candidates,
                              int iterations);

}  // namespace ringmarch::cut
