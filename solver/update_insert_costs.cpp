// Insertion and exchange costs: folds the path's newest edge P->L into every entry's insertCost
// (the cheapest insertion of the city into any path edge so far) and every edge's exchangeCost
// (with d(c, t) added, the cheapest way to route any path edge through the pair c, t). The
// exchange filter reads both. Changes only the node's entries and edges; cannot fail.
#include <algorithm>

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

void updateInsertCosts(SearchContext& context, SearchNode& node) {
  const TourRecord& path = *node.path;
  if (path.count < 2) return;
  const auto& d = context.state.distance;
  const std::int32_t P = path.previousCity;
  const std::int32_t L = path.currentCity;
  const Cost pl = d[P][L];
  const std::int32_t* rowL = d[L];
  const std::int32_t* rowP = d[P];
  for (std::int32_t i = 0; i < node.entryCount; ++i) {
    CityCandidates& entry = node.entries[i];
    const std::int32_t c = entry.city;
    const Cost viaP = static_cast<Cost>(rowP[c]) - pl;  // d(P, c) - d(P, L)
    const Cost viaL = static_cast<Cost>(d[L][c]) - pl;  // d(L, c) - d(P, L)
    entry.insertCost = std::min(entry.insertCost, static_cast<Cost>(d[c][L]) + viaP);
    for (std::int32_t k = 0; k < entry.edgeCount; ++k) {
      CandidateEdge& edge = entry.edges[k];
      const std::int32_t t = edge.city;
      const Cost throughL = static_cast<Cost>(rowL[t]) + viaP;  // d(L,t) - d(P,L) + d(P,c)
      const Cost throughP = static_cast<Cost>(rowP[t]) + viaL;  // d(P,t) - d(P,L) + d(L,c)
      edge.exchangeCost = std::min({edge.exchangeCost, throughL, throughP});
    }
  }
}

}  // namespace ringmarch
