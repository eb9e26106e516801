// Narrowing of one candidate edge: the single primitive by which propagation and pruning take
// directions away from an edge. Stores the new direction bits in the owner's entry and the
// mirrored bits in the other city's entry (removing the edge from both lists when no direction
// is left, keeping the lists' order), clears the arc table's cells of the lost arcs, and
// refreshes both cities' degree bounds. False: a city ran out of candidates or the bound
// reached the budget; the node holds no tour strictly shorter than the best one.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

// Lowers the entry's direction counts for the bits that leave an edge.
inline void countLostBits(CityCandidates& entry, std::uint8_t oldDirs, std::uint8_t newDirs) {
  const std::uint8_t lost = static_cast<std::uint8_t>(oldDirs & ~newDirs);
  if (lost & kOutgoing) entry.outCount -= 1;
  if (lost & kIncoming) entry.inCount -= 1;
}

// Removes the edge at position k, closing the gap. False when the list is left empty.
inline bool removeEdgeAt(CityCandidates& entry, std::int32_t k) {
  entry.edgeCount -= 1;
  if (entry.edgeCount < 1) return false;
  for (std::int32_t q = k; q < entry.edgeCount; ++q) entry.edges[q] = entry.edges[q + 1];
  return true;
}

}  // namespace

bool restrictEdge(SearchContext& context, SearchNode& node, std::int32_t city, std::int32_t other,
                  std::int32_t position, std::uint8_t newDirs) {
  ArcTable& arcs = *node.arcCache;
  CityCandidates& entry = *node.entryOfCity[city];
  countLostBits(entry, entry.edges[position].dirs, newDirs);
  if (!(newDirs & kOutgoing)) arcs[city][other] = 0;
  if (!(newDirs & kIncoming)) arcs[other][city] = 0;
  entry.edges[position].dirs = newDirs;
  if (newDirs == 0 && !removeEdgeAt(entry, position)) return false;
  if (!refreshCityBound(context, node, city)) return false;

  CityCandidates& mirror = *node.entryOfCity[other];
  const std::uint8_t mirrored = static_cast<std::uint8_t>(((newDirs & kIncoming) ? kOutgoing : 0) |
                                                          ((newDirs & kOutgoing) ? kIncoming : 0));
  for (std::int32_t q = mirror.edgeCount - 1; q >= 0; --q) {
    CandidateEdge& edge = mirror.edges[q];
    if (edge.city != city) continue;
    const std::uint8_t kept = static_cast<std::uint8_t>(edge.dirs & mirrored);
    countLostBits(mirror, edge.dirs, kept);
    edge.dirs = kept;
    if (kept == 0 && !removeEdgeAt(mirror, q)) return false;
  }
  return refreshCityBound(context, node, other);
}

}  // namespace ringmarch
