// Forced chains and dominated options. From a path end K, a city with a single option in the
// followed direction (successor going forward, predecessor going backward) extends the path in
// effect; the walk follows these forced arcs and treats each chain end as the path end. At a
// chain end with several options it removes the arc that would close the tour before every city
// is placed, and looks for an option V that dominates every other option E by a 2-opt argument
// (d(E, f) + d(K, V) < d(V, f) + d(K, E) for every option f of E and of V); when one does, all
// other options are removed and the chain advances. Changes the node only through restrictEdge
// and propagateForcedArcs. False: the node is infeasible or the chain is longer than cityCount.
#include "solver/forced_chain_walk.h"

#include "solver/search_context.h"

namespace ringmarch {
namespace {

std::int32_t optionCount(const CityCandidates& entry, std::uint8_t bit) {
  return bit == kOutgoing ? entry.outCount : entry.inCount;
}

std::int32_t firstOptionCity(const CityCandidates& entry, std::uint8_t bit) {
  return bit == kOutgoing ? entry.minOutCity : entry.minInCity;
}

bool restrictThenPropagate(SearchContext& context, SearchNode& node, std::int32_t city,
                           std::int32_t other, std::int32_t position, std::uint8_t newDirs) {
  return restrictEdge(context, node, city, other, position, newDirs) &&
         propagateForcedArcs(context, node, city) && propagateForcedArcs(context, node, other);
}

// True when every option f of `through` (f not K, not `excluded`) satisfies the strict 2-opt
// inequality for replacing K->E, V->f by K->V, E->f.
bool exchangeAlwaysGains(const SearchContext& context, const CityCandidates& through,
                         std::uint8_t bit, std::int32_t chainEnd, std::int32_t dominating,
                         std::int32_t dominated, std::int32_t excluded) {
  const auto& d = context.state.distance;
  const Cost keptPair = Cost{d[chainEnd][dominating]};
  const Cost replacedPair = Cost{d[chainEnd][dominated]};
  const CandidateEdge* edges = through.edges;
  for (std::int32_t k = 0; k < through.edgeCount; ++k) {
    const std::int32_t f = edges[k].city;
    if ((edges[k].dirs & bit) == 0 || f == chainEnd || f == excluded) continue;
    if (!(d[dominated][f] + keptPair < d[dominating][f] + replacedPair)) return false;
  }
  return true;
}

// Option scan at chain end K. `steps` is the number of cities the chain holds beyond the path.
bool scanOptions(SearchContext& context, SearchNode& node, const ChainSide& side,
                 std::int32_t chainEnd, std::int32_t steps) {
  const std::int32_t cityCount = context.state.cityCount;
  const std::uint8_t bit = side.followBit;
  CityCandidates& end = *node.entryOfCity[chainEnd];
  // marks[p]: the option at position p may still be tried as the dominating one.
  std::uint8_t marks[kRowCount];
  for (std::int32_t p = 0; p < end.edgeCount; ++p) marks[p] = 1;

  std::int32_t dominating = -1;
  for (std::int32_t p = 0; p < end.edgeCount && dominating < 0; ++p) {
    if (marks[p] == 0 || (end.edges[p].dirs & bit) == 0) continue;
    const std::int32_t v = end.edges[p].city;
    if (v == side.closeCity && node.path->count + steps < cityCount) {
      // The arc would close a cycle that misses cities.
      if (!restrictThenPropagate(context, node, chainEnd, v, p, 0)) return false;
      continue;
    }
    const CityCandidates& vEntry = *node.entryOfCity[v];
    bool dominatesAll = true;
    for (std::int32_t q = 0; q < end.edgeCount; ++q) {
      const std::int32_t e = end.edges[q].city;
      if (e == v || (end.edges[q].dirs & bit) == 0) continue;
      const CityCandidates& eEntry = *node.entryOfCity[e];
      if (exchangeAlwaysGains(context, eEntry, bit, chainEnd, v, e, v) &&
          exchangeAlwaysGains(context, vEntry, bit, chainEnd, v, e, e)) {
        marks[q] = 0;
      } else {
        dominatesAll = false;
        break;
      }
    }
    if (dominatesAll) dominating = v;
  }
  if (dominating < 0) return true;

  const std::uint8_t keepBits = static_cast<std::uint8_t>(kOutgoing | kIncoming) & ~bit;
  std::int32_t q = 0;
  while (optionCount(end, bit) > 1 && q < end.edgeCount) {
    const CandidateEdge edge = end.edges[q];
    if (edge.city == dominating || (edge.dirs & bit) == 0) {
      ++q;
      continue;
    }
    // Look at position q again: it now holds the same edge without this direction, or the next.
    if (!restrictThenPropagate(context, node, chainEnd, edge.city, q,
                               static_cast<std::uint8_t>(edge.dirs & keepBits))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool walkForcedChain(SearchContext& context, SearchNode& node, const ChainSide& side) {
  const std::int32_t cityCount = context.state.cityCount;
  std::int32_t chainEnd = side.startCity;
  std::int32_t steps = 0;
  for (;;) {
    const CityCandidates& end = *node.entryOfCity[chainEnd];
    if (optionCount(end, side.followBit) <= 0 || chainEnd == side.closeCity) return true;
    if (optionCount(end, side.followBit) > 1) {
      if (!scanOptions(context, node, side, chainEnd, steps)) return false;
    }
    const std::int32_t options = optionCount(end, side.followBit);
    // Several options left: the chain ends here. None left cannot pass the degree bound, but
    // stop rather than follow an unset city.
    if (options != 1) return true;
    chainEnd = firstOptionCity(end, side.followBit);
    if (++steps > cityCount) return false;
    if (!propagateForcedArcs(context, node, chainEnd)) return false;
    if (optionCount(*node.entryOfCity[chainEnd], side.followBit) <= 0) return true;
  }
}

}  // namespace ringmarch
