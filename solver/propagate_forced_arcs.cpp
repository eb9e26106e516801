// Forced-arc propagation at one city: when the city has a single usable successor S, the arc to
// S is forced, so S can have no other predecessor and the reverse arc S->c is useless; likewise
// a single usable predecessor R can have no other successor and the arc c->R is useless. Every
// removal goes through restrictEdge, which keeps both lists, the arc table and the degree bound
// consistent. Reads and changes the node under evaluation. False: some city lost every usable
// successor or predecessor, or the degree bound reached the budget.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

// Removes every arc into s other than the one from c (s's edges from the last to the first, since
// a removal closes the gap behind the position being visited).
bool removeOtherArcsInto(SearchContext& context, SearchNode& node, std::int32_t s, std::int32_t c) {
  CityCandidates& entry = *node.entryOfCity[s];
  for (std::int32_t q = entry.edgeCount - 1; q >= 0; --q) {
    const CandidateEdge edge = entry.edges[q];
    if (!(edge.dirs & kIncoming) || edge.city == c) continue;
    if (!restrictEdge(context, node, s, edge.city, q,
                      static_cast<std::uint8_t>(edge.dirs & kOutgoing))) {
      return false;
    }
  }
  return true;
}

// Removes every arc out of r other than the one to c.
bool removeOtherArcsOutOf(SearchContext& context, SearchNode& node, std::int32_t r,
                          std::int32_t c) {
  CityCandidates& entry = *node.entryOfCity[r];
  for (std::int32_t q = entry.edgeCount - 1; q >= 0; --q) {
    const CandidateEdge edge = entry.edges[q];
    if (!(edge.dirs & kOutgoing) || edge.city == c) continue;
    if (!restrictEdge(context, node, r, edge.city, q,
                      static_cast<std::uint8_t>(edge.dirs & kIncoming))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool propagateForcedArcs(SearchContext& context, SearchNode& node, std::int32_t city) {
  CityCandidates& entry = *node.entryOfCity[city];
  const std::uint8_t f = node.path->freeEnds[city];
  const bool fewOut = f != kPredecessorFree && entry.outCount <= 1;
  const bool fewIn = f != kSuccessorFree && entry.inCount <= 1;
  if (!fewOut && !fewIn) return true;
  if (entry.edgeCount <= 0) return true;

  // The first two out-options and in-options (positions), and how many of each there are.
  std::int32_t outPosition[2] = {-1, -1};
  std::int32_t inPosition[2] = {-1, -1};
  std::int32_t outOptions = 0;
  std::int32_t inOptions = 0;
  for (std::int32_t k = 0; k < entry.edgeCount; ++k) {
    const std::uint8_t dirs = entry.edges[k].dirs;
    if (dirs & kOutgoing) {
      if (outOptions < 2) outPosition[outOptions] = k;
      ++outOptions;
    }
    if (dirs & kIncoming) {
      if (inOptions < 2) inPosition[inOptions] = k;
      ++inOptions;
    }
  }
  std::int32_t successor = outOptions > 0 ? entry.edges[outPosition[0]].city : -1;
  std::int32_t predecessor = inOptions > 0 ? entry.edges[inPosition[0]].city : -1;

  if (outOptions == 1) {
    // city -> successor is forced. Its reverse arc is useless while other predecessors remain.
    const std::int32_t k = outPosition[0];
    if (inOptions >= 2 && entry.edges[k].dirs == kBothEndsFree) {
      if (inPosition[0] == k) predecessor = entry.edges[inPosition[1]].city;
      --inOptions;
      if (!restrictEdge(context, node, city, successor, k, kOutgoing)) return false;
    }
    if (!removeOtherArcsInto(context, node, successor, city)) return false;
  } else if (outOptions >= 2 && inOptions == 1 &&
             entry.edges[inPosition[0]].dirs == kBothEndsFree) {
    // predecessor -> city is forced; the arc city -> predecessor is useless.
    const std::int32_t k = inPosition[0];
    if (outPosition[0] == k) successor = entry.edges[outPosition[1]].city;
    --outOptions;
    if (!restrictEdge(context, node, city, predecessor, k, kIncoming)) return false;
    if (outOptions == 1 && !removeOtherArcsInto(context, node, successor, city)) return false;
  }

  if (inOptions == 1 && !removeOtherArcsOutOf(context, node, predecessor, city)) return false;
  return true;
}

bool propagateAllForcedArcs(SearchContext& context, SearchNode& node) {
  for (std::int32_t i = 0; i < node.entryCount; ++i) {
    if (!propagateForcedArcs(context, node, node.entries[i].city)) return false;
  }
  return true;
}

}  // namespace ringmarch
