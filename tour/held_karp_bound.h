// A proven lower bound on every tour of an instance of any size: Held and Karp's 1-tree bound
// with subgradient ascent over fixed-point city penalties (Held & Karp 1970/1971; the ascent's
// period and step rules of Helsgaun 2000), the ascent over a sparse candidate graph and every
// reported bound taken over the complete graph in exact 64-bit arithmetic, so that it holds for
// every tour. Directed instances: the higher of their symmetric 2n form's bound and the
// assignment bound.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "instance/instance.h"
#include "instance/run_control.h"

namespace ringmarch {

struct LowerBoundOptions {
  // A known tour length: the ascent ends once the bound meets it (the tour is then proven
  // optimal).
  std::optional<std::int64_t> upperBound;
  // Penalties to start the ascent from (a former result's, same scale); ignored when their
  // count does not match.
  std::vector<std::int64_t> startPenalties;
  // When above 0: also hand back, for every city (of the 2n form for a directed instance), this
  // many candidate neighbours of least alpha-nearness under the final penalties (Helsgaun 2000).
  int alphaCandidates = 0;
};

struct LowerBoundResult {
  // No tour of the instance is shorter; a valid bound also when the run was stopped (the best
  // complete-graph bound found so far, or a trivial one).
  std::int64_t bound = 0;
  // The city penalties of the Held-Karp bound, in units of 1 / penaltyScale of a distance: one
  // per city, or for a directed instance one per city of its 2n form (entries, then exits).
  std::vector<std::int64_t> penalties;
  std::int64_t penaltyScale = 1;
  std::int64_t heldKarpBound = 0;            // the 1-tree part of the bound
  std::int64_t assignmentBound = 0;          // directed instances: the assignment part
  std::vector<std::vector<int>> candidates;  // as asked by alphaCandidates; else empty
  int ascentSteps = 0;
  bool stopped = false;
};

LowerBoundResult heldKarpBound(const Instance& instance, const LowerBoundOptions& options,
                               RunControl& control);

}  // namespace ringmarch
