// Internal check of the search against a known unique optimal tour (see witness_check.h). Reads
// the node and the solver state; writes only the statistics' violation record.
#include "solver/witness_check.h"

#include "solver/search_context.h"

#ifdef RINGMARCH_SEARCH_CHECKS

namespace ringmarch {
namespace {

// The check applies while a strictly shorter tour than the best one exists (the optimum) and
// the node's path runs along the optimal tour.
bool witnessApplies(const SearchContext& context, const SearchNode& node) {
  const std::int32_t* witness = context.options.witnessTour;
  if (witness == nullptr) return false;
  // The best length is in the working copy's shifted distances, the witness length in the
  // instance's own.
  const SolverState& state = context.state;
  const std::int64_t shiftedWitness =
      context.options.witnessLength +
      static_cast<std::int64_t>(state.distanceShift) * state.cityCount;
  if (state.bestLength <= shiftedWitness) return false;
  const TourRecord& path = *node.path;
  for (std::int32_t k = 0; k < path.count; ++k) {
    if (path.order[k] != witness[k]) return false;
  }
  return true;
}

void recordViolation(SearchContext& context, const char* step) {
  SolveStatistics& statistics = context.statistics;
  if (statistics.witnessViolations == 0) statistics.witnessViolation = step;
  statistics.witnessViolations += 1;
}

bool arcAllowed(const SearchNode& node, std::int32_t tail, std::int32_t head) {
  const CityCandidates* entry = node.entryOfCity[tail];
  for (std::int32_t k = 0; k < entry->edgeCount; ++k) {
    if (entry->edges[k].city == head) return (entry->edges[k].dirs & kOutgoing) != 0;
  }
  return false;
}

}  // namespace

void checkWitnessAfterStep(SearchContext& context, const SearchNode& node, const char* step,
                           bool survived) {
  // A step that stopped for lack of memory proved nothing about the node.
  if (context.outOfMemory || !witnessApplies(context, node)) return;
  context.statistics.witnessChecks += 1;
  if (!survived) {
    recordViolation(context, step);
    return;
  }
  // Every arc of the optimal tour from the current city back to the first city must still be
  // allowed in the node.
  const std::int32_t* witness = context.options.witnessTour;
  const std::int32_t n = context.state.cityCount;
  for (std::int32_t k = node.path->count - 1; k < n; ++k) {
    if (k < 0) continue;
    const std::int32_t tail = witness[k];
    const std::int32_t head = witness[(k + 1) % n];
    if (!arcAllowed(node, tail, head)) {
      recordViolation(context, step);
      return;
    }
  }
}

void checkWitnessChildren(SearchContext& context, const SearchNode& node, std::int32_t children) {
  if (children < 0 || !witnessApplies(context, node)) return;
  const std::int32_t next = context.options.witnessTour[node.path->count];
  for (std::int32_t i = 0; i < children; ++i) {
    if (node.currentEntry->edges[i].city != next) continue;
    if (candidateCity(context, node, i) != next) recordViolation(context, "candidateCity");
    return;
  }
  recordViolation(context, "evaluation");
}

}  // namespace ringmarch

#endif
