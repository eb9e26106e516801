// The cheapest assignment of a successor to every city of a directed instance (no city its own
// successor), and a tour patched together from its cycles. The assignment's cost is a lower
// bound on every tour, and its cycles are the start of the directed tour search.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "instance/instance.h"
#include "instance/run_control.h"

namespace ringmarch::tour {

struct Assignment {
  std::vector<int> successor;  // successor[i]: the city assigned to follow i
  std::int64_t cost = 0;       // the sum of d(i, successor[i])
};

// The cheapest assignment in which every forced successor (forcedNext[i] >= 0, an empty span for
// none) is kept; nullopt when the run control stopped it. The forced successors must form paths
// (at most one predecessor each, no cycle).
std::optional<Assignment> cheapestAssignment(const Instance& instance,
                                             std::span<const int> forcedNext, RunControl& control);

// One tour from the assignment's cycles: the largest two patched together at a time, at the
// cheapest pair of arcs (one of each) that is not forced. Returns the tour as a city order.
std::vector<int> patchCycles(const Instance& instance, std::span<const int> successor,
                             std::span<const int> forcedNext);

}  // namespace ringmarch::tour
