// The walk shared by advanceForwardChain and advanceBackwardChain: the two walks are mirror
// images that differ only in the direction bit they follow and in which path end they start from
// and stop at.
#pragma once

#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

struct ChainSide {
  std::uint8_t followBit;  // kOutgoing: forced successors; kIncoming: forced predecessors
  std::int32_t startCity;  // the path end the chain grows from
  std::int32_t closeCity;  // the other path end; an arc to it closes the tour
};

// Walks the chain of forced arcs from side.startCity, removing early closing arcs and dominated
// options at each chain end. False: the node is infeasible.
bool walkForcedChain(SearchContext& context, SearchNode& node, const ChainSide& side);

}  // namespace ringmarch
