// What one solve's search carries from level to level besides the nodes: the solver state, the
// caller's options, the statistics, and the memory the levels and evaluations draw from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

struct SearchContext {
  SolverState& state;
  const SolveOptions& options;
  SolveStatistics& statistics;
  std::uint64_t allocationCount = 0;  // allocations made so far (failure injection counts them)
  bool outOfMemory = false;           // an allocation failed; the search unwinds
  bool stopRequested = false;         // the monitor asked to stop; the search unwinds
};

// Memory for node arrays and arc tables. Blocks are released in the reverse order of their
// allocation (each search level releases what it took before it returns). allocateBlock answers
// nullptr when memory runs out or an injected failure is due.
void* allocateBlock(SearchContext& context, std::size_t bytes);
void releaseBlock(SearchContext& context, void* block);

// An arc table with cells 0 .. n-1 of rows 0 .. n-1 cleared (n = cityCount); nullptr when memory
// runs out.
ArcTable* allocateArcTable(SearchContext& context);
void releaseArcTable(SearchContext& context, ArcTable* table);

}  // namespace ringmarch
