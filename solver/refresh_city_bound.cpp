// Degree bound of one city: recomputes the city's share of the node's sums (its cheapest usable
// successor and predecessor, and the adjust for an open city whose cheapest edge would have to
// serve both sides) after its candidate edges changed, then tests the whole bound against the
// budget: outSum < budget, inSum < budget and outSum + inSum + adjustSum < 2 x budget, all
// strict. Reads the entry's edges and the path's free ends; changes the entry's bound fields and
// the node's sums. False: the node holds no tour strictly shorter than the best one (on failure
// the sums may hold part of the new terms; the node is abandoned).
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

bool refreshCityBound(SearchContext& context, SearchNode& node, std::int32_t city) {
  CityCandidates& entry = *node.entryOfCity[city];
  const std::uint8_t f = node.path->freeEnds[city];
  if (f == kBothEndsFree) {
    if (entry.edgeCount < 2 || entry.outCount < 1 || entry.inCount < 1) return false;
  } else if (entry.edgeCount < 1) {
    return false;
  }
  const Cost budget = budgetOf(context, node);
  const std::int32_t* row = context.state.distance[city];

  node.outSum -= entry.minOut;
  node.inSum -= entry.minIn;
  node.adjustSum -= entry.adjust;
  entry.adjust = 0;

  std::uint8_t found = 0;
  for (std::int32_t k = 0; found != f; ++k) {
    if (k >= entry.edgeCount) return false;
    const CandidateEdge& edge = entry.edges[k];
    const std::uint8_t wanted = static_cast<std::uint8_t>(f & ~found & edge.dirs);
    if (wanted & kOutgoing) {
      entry.minOut = row[edge.city];
      entry.minOutCity = edge.city;
      node.outSum += entry.minOut;
      found |= kOutgoing;
      if (node.outSum >= budget) return false;
    }
    if (wanted & kIncoming) {
      entry.minIn = row[edge.city];
      entry.minInCity = edge.city;
      node.inSum += entry.minIn;
      found |= kIncoming;
      if (node.inSum >= budget) return false;
    }
    if (k == 0 && f == kBothEndsFree && found == kBothEndsFree) {
      entry.adjust = static_cast<Cost>(row[entry.edges[1].city]) - row[edge.city];
      node.adjustSum += entry.adjust;
    }
  }
  return node.outSum + node.inSum + node.adjustSum < 2 * budget;
}

}  // namespace ringmarch
