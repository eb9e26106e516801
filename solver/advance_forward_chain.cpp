// Forward chain: follows forced successors from the path's current city, removing arcs back to
// the first city that would close the tour early and successor options dominated by another
// option. Changes the node through restrictEdge and propagateForcedArcs. False: the node is
// infeasible.
#include "solver/forced_chain_walk.h"
#include "solver/search_context.h"

namespace ringmarch {

bool advanceForwardChain(SearchContext& context, SearchNode& node) {
  if (!context.options.fullChain || !context.options.chain.forcedChains) return true;
  const ChainSide side{kOutgoing, node.path->currentCity, node.path->firstCity};
  return walkForcedChain(context, node, side);
}

}  // namespace ringmarch
