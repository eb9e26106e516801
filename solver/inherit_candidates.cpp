// Child candidates: fills a freshly built child node from its parent. Every city that still
// needs a tour neighbour gets an entry; of the parent's edges it keeps the directions that the
// free ends of both cities still allow, whose length fits into the room the degree bound leaves,
// and that no exchange with the path shortens (admitArc). Each unordered pair is decided once,
// from its smaller city, and read back through the arc table by the larger one. Rebuilds every
// city's degree bound on the way. Reads the parent (unchanged), the path and the distances;
// writes the child's entries, edges, sums and arc table. False: some city failed its bound, so
// no tour strictly shorter than the best one extends the path.
#include "solver/admit_arc_tables.h"
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

bool inheritCandidates(SearchContext& context, SearchNode& child) {
  const SolverState& state = context.state;
  const TourRecord& path = *child.path;
  const SearchNode& parent = *child.parent;
  ArcTable& arcs = *child.arcCache;
  const std::uint8_t* freeEnds = path.freeEnds;
  const Cost budget = budgetOf(context, child);
  AdmitArcTables tables;
  prepareAdmitArc(context, child, tables);

  if (path.count > 1) {
    // The arc P->L is on the path now: P needs no successor and L no predecessor any more.
    child.outSum -= parent.entryOfCity[path.previousCity]->minOut;
    child.inSum -= parent.entryOfCity[path.currentCity]->minIn;
  }

  CandidateEdge* next = child.edgePool;
  for (std::int32_t p = 0; p < parent.entryCount; ++p) {
    const CityCandidates& source = parent.entries[p];
    const std::int32_t c = source.city;
    const std::uint8_t f = freeEnds[c];
    if (f == 0) continue;
    if (f & kOutgoing) child.outSum -= source.minOut;
    if (f & kIncoming) child.inSum -= source.minIn;

    CityCandidates& entry = child.entries[child.entryCount];
    child.entryOfCity[c] = &entry;
    if (c == path.currentCity) child.currentEntry = &entry;
    entry.city = c;
    entry.insertCost = source.insertCost;
    entry.edges = next;
    std::int32_t outCount = 0;
    std::int32_t inCount = 0;
    const std::int32_t* row = state.distance[c];

    for (std::int32_t k = 0; k < source.edgeCount; ++k) {
      const CandidateEdge& edge = source.edges[k];
      const std::int32_t j = edge.city;
      const std::uint8_t g = freeEnds[j];
      if ((f & g) == 0) continue;
      std::uint8_t dirs = 0;
      if (c < j) {
        const Cost d = row[j];
        if ((edge.dirs & f & kOutgoing) && (g & kIncoming) && d + child.outSum < budget) {
          const bool admitted = admitPreparedArc(context, child, tables, c, j);
          arcs[c][j] = admitted ? 1 : 0;
          if (admitted) dirs |= kOutgoing;
        }
        if ((edge.dirs & f & kIncoming) && (g & kOutgoing) && d + child.inSum < budget) {
          const bool admitted = admitPreparedArc(context, child, tables, j, c);
          arcs[j][c] = admitted ? 1 : 0;
          if (admitted) dirs |= kIncoming;
        }
      } else if (c > j) {
        dirs = static_cast<std::uint8_t>(arcs[c][j] | (arcs[j][c] << 1));
      }
      if (dirs == 0) continue;
      *next++ = CandidateEdge{j, dirs, edge.exchangeCost};
      if (dirs & kOutgoing) ++outCount;
      if (dirs & kIncoming) ++inCount;
    }

    entry.edgeCount = static_cast<std::int32_t>(next - entry.edges);
    entry.outCount = outCount;
    entry.inCount = inCount;
    entry.minOut = 0;
    entry.minIn = 0;
    entry.adjust = 0;
    entry.minOutCity = -1;
    entry.minInCity = -1;
    if (!refreshCityBound(context, child, c)) return false;
    child.entryCount += 1;
  }
  return true;
}

}  // namespace ringmarch
