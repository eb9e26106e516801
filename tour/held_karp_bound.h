// A proven lower bound on every tour of an instance of any size: Held and Karp's 1-tree bound
// with subgradient ascent over whole-number city penalties (Held & Karp 1970/1971, ascent as in
// Volgenant & Jonker 1982), the ascent over a sparse candidate graph and the final bound over the
// complete graph, so that it holds for every tour. Directed instances: the bound of their
// symmetric 2n form, or an assignment bound, whichever is higher.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "instance/instance.h"
#include "instance/run_control.h"

namespace ringmarch {

struct LowerBoundOptions {
  // A known tour length: the ascent's step sizes aim at it, and the ascent ends once the bound
  // meets it (the tour is then proven optimal).
  std::optional<std::int64_t> upperBound;
};

struct LowerBoundResult {
  // No tour of the instance is shorter; a valid bound also when the run was stopped (the best
  // complete-graph bound found so far, or a trivial one).
  std::int64_t bound = 0;
  std::vector<std::int32_t> penalties;  // the city penalties of that bound (symmetric instances)
  int ascentSteps = 0;
  bool stopped = false;
};

LowerBoundResult heldKarpBound(const Instance& instance, const LowerBoundOptions& options,
                               RunControl& control);

}  // namespace ringmarch
