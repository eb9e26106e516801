// Bound test of one child: may the i-th candidate edge of the current city still lead to a tour
// strictly shorter than the best one? The current city's estimated outgoing edge (its minOut)
// is replaced by the real edge in the spanning-tree bound and in the doubled degree bound; the
// child must beat bestLength in both. Reads the evaluated node and bestLength at the moment of
// the test; changes nothing. Result: the edge's city, or -1 when the child cannot win.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

std::int32_t candidateCity(const SearchContext& context, const SearchNode& node, std::int32_t i) {
  const CityCandidates& entry = *node.currentEntry;
  const std::int32_t j = entry.edges[i].city;
  const Cost pathLength = node.path->length;
  const Cost best = context.state.bestLength;
  const Cost d = context.state.distance[entry.city][j];
  const Cost treeTest = pathLength + d + node.treeBound - entry.minOut;
  if (treeTest >= best) return -1;
  // With the successor fixed, the city's share of the doubled degree bound is d plus its cheapest
  // predecessor: its minOut goes, and so does its adjust (the extra charge, at the first level,
  // for a cheapest edge that would have served both sides).
  const Cost degreeTest =
      2 * pathLength + d + node.outSum + node.inSum + node.adjustSum - entry.minOut - entry.adjust;
  if (degreeTest >= 2 * best) return -1;
  if (node.hasOutBounds && pathLength + node.outBound[j] >= best) return -1;
  return j;
}

}  // namespace ringmarch
