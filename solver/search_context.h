// What one solve's search carries from level to level besides the nodes: the solver state, the
// caller's options, the statistics, and the memory the levels and evaluations draw from.
#pragma once

#include <cstddef>
#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

// A per-solve LIFO pool of memory. Search levels take their node arrays and arc tables from it
// and give them back before they return, so the same memory serves level after level.
class SearchArena;

struct LagrangianTree;

struct SearchContext {
  SolverState& state;
  const SolveOptions& options;
  SolveStatistics& statistics;
  std::uint64_t allocationCount = 0;  // allocations made so far (failure injection counts them)
  bool outOfMemory = false;           // an allocation failed; the search unwinds
  bool stopRequested = false;         // the monitor asked to stop; the search unwinds
  // The pool blocks come from; without one every block is a plain heap allocation.
  SearchArena* arena = nullptr;
  // Scratch of the Lagrangian tree bound, sized once per solve; without it (and for asymmetric
  // instances) the bound and the elimination it drives do not run.
  LagrangianTree* lagrangian = nullptr;
  // Per-depth storage of the search: the path and the node of the level whose path holds k
  // cities live in levelPaths[k] and levelNodes[k] (k = 1 .. cityCount), so the recursion keeps
  // no large record in its stack frames. Without them extendPath cannot run.
  TourRecord* levelPaths = nullptr;
  SearchNode* levelNodes = nullptr;
};

// What the monitor is shown: evaluated nodes, the best length known (the improved first tour
// counts) and the lower bound.
SolveProgress currentProgress(const SearchContext& context);

// False once the search must unwind: the monitor asked to stop now or earlier (then
// stopRequested is set). For the long stretches of work between two evaluated nodes.
bool keepSearching(SearchContext& context);

// Creates a pool whose first chunk holds at least firstChunkBytes; nullptr when memory runs out.
SearchArena* createArena(std::size_t firstChunkBytes);
void destroyArena(SearchArena* arena);
// Bytes of memory the pool holds from the system (for statistics and tests).
std::size_t arenaReservedBytes(const SearchArena* arena);
// Blocks the pool currently hands out (0 once every level has released what it took).
std::size_t arenaBlocksInUse(const SearchArena* arena);

// Memory for node arrays and arc tables. Blocks are released in the reverse order of their
// allocation (each search level releases what it took before it returns). allocateBlock answers
// nullptr when memory runs out or an injected failure is due, and then sets outOfMemory.
void* allocateBlock(SearchContext& context, std::size_t bytes);
void releaseBlock(SearchContext& context, void* block);

// An arc table with cells 0 .. n-1 of rows 0 .. n-1 cleared (n = cityCount); nullptr when memory
// runs out.
ArcTable* allocateArcTable(SearchContext& context);
void releaseArcTable(SearchContext& context, ArcTable* table);

}  // namespace ringmarch
