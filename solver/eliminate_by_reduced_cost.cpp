// Arc elimination by reduced cost, right after the Lagrangian tree bound of the same node: with
// the final penalties, forcing an edge {a, b} between open cities into the structure costs its
// penalised weight minus the heaviest tree edge on the tree path from a to b (the edge that would
// leave); forcing the arc L -> a or a -> F costs the difference to the end arc chosen now (the
// other end moving off a where the two would meet). Every candidate whose forced bound reaches
// the budget lies on no completion strictly shorter than the best tour and is removed through
// restrictAndPropagate, so forced arcs and the degree bound follow.
//
// Reads the LagrangianTree left by lagrangianBoundTest for this node and the node's edges;
// changes the node's candidate edges, sums and arc table. False: a removal left the node
// infeasible.
#include "solver/lagrangian_tree.h"
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

// Position of the edge to `other` in city's entry, or -1.
std::int32_t edgePosition(const CityCandidates& entry, std::int32_t other) {
  for (std::int32_t e = 0; e < entry.edgeCount; ++e) {
    if (entry.edges[e].city == other) return e;
  }
  return -1;
}

}  // namespace

bool eliminateByReducedCost(SearchContext& context, SearchNode& node) {
  LagrangianTree* scratch = context.lagrangian;
  if (scratch == nullptr || !context.options.fullChain ||
      !context.options.chain.reducedCostElimination)
    return true;
  if (scratch->node != &node) return true;
  LagrangianTree& t = *scratch;
  t.node = nullptr;  // the removals below change the node; the tree no longer describes it
  const TourRecord& path = *node.path;
  const Cost limit = kPenaltyScale * (budgetOf(context, node) - 1);
  const Cost penalised = -2 * t.penaltySum;
  const std::int32_t k = t.size;
  std::int32_t removalCount = 0;

  for (std::int32_t a = 0; a < k; ++a) {
    const std::int32_t c = t.city[a];
    const Cost* maxRow = t.maxOnPath[a];
    const Cost ownPenalty = t.penalty[a];
    for (std::int32_t e = t.firstEdge[a]; e < t.firstEdge[a + 1]; ++e) {
      const std::int32_t b = t.other[e];
      if (b <= a) continue;  // the pair is decided from its other city
      if (t.treeParent[a] == b || t.treeParent[b] == a) continue;
      const Cost reduced = t.weight[e] + ownPenalty + t.penalty[b] - maxRow[b];
      if (t.bound + reduced > limit) {
        t.removals[removalCount++] = LagrangianRemoval{static_cast<std::int16_t>(c),
                                                       static_cast<std::int16_t>(t.city[b]), 0};
      }
    }
  }
  const std::int32_t L = path.currentCity;
  const std::int32_t F = path.firstCity;
  const Cost tree = t.treeWeight + penalised;
  for (std::int32_t a = 0; a < k; ++a) {
    if (t.outWeight[a] < kNoEdge && tree + endArcsWithOut(t, a) > limit) {
      t.removals[removalCount++] =
          LagrangianRemoval{static_cast<std::int16_t>(L), static_cast<std::int16_t>(t.city[a]),
                            static_cast<std::uint8_t>(kBothEndsFree & ~kOutgoing)};
    }
    if (t.inWeight[a] < kNoEdge && tree + endArcsWithIn(t, a) > limit) {
      t.removals[removalCount++] =
          LagrangianRemoval{static_cast<std::int16_t>(F), static_cast<std::int16_t>(t.city[a]),
                            static_cast<std::uint8_t>(kBothEndsFree & ~kIncoming)};
    }
  }

  context.statistics.eliminatedArcs += static_cast<std::uint64_t>(removalCount);
  for (std::int32_t r = 0; r < removalCount; ++r) {
    const LagrangianRemoval& removal = t.removals[r];
    const CityCandidates& entry = *node.entryOfCity[removal.city];
    const std::int32_t position = edgePosition(entry, removal.other);
    if (position < 0) continue;  // gone already, through an earlier removal's propagation
    const std::uint8_t dirs = entry.edges[position].dirs;
    const std::uint8_t kept = static_cast<std::uint8_t>(dirs & removal.keep);
    if (kept == dirs) continue;
    if (!restrictAndPropagate(context, node, removal.city, removal.other, position, kept)) {
      return false;
    }
  }
  return true;
}

}  // namespace ringmarch
