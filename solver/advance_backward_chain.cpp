// Backward chain: follows forced predecessors from the path's first city, removing arcs from the
// current city that would close the tour early and predecessor options dominated by another
// option. Changes the node through restrictEdge and propagateForcedArcs. False: the node is
// infeasible.
#include "solver/forced_chain_walk.h"
#include "solver/search_context.h"

namespace ringmarch {

bool advanceBackwardChain(SearchContext& context, SearchNode& node) {
  if (!context.options.fullChain || !context.options.chain.forcedChains) return true;
  const ChainSide side{kIncoming, node.path->firstCity, node.path->currentCity};
  return walkForcedChain(context, node, side);
}

}  // namespace ringmarch
