// The exact search: search nodes with their candidate edges, and the procedures that evaluate a
// node (bounds, exchange tests, propagation, pruning). One source unit per procedure.
//
// Conventions shared by every procedure:
// - d(x, y) is state.distance[x][y] (32-bit). Every sum, bound and budget is formed in 64 bits
//   (`Cost`), so no expression overflows; the instance is refused by Solve when a tour length
//   could leave the 32-bit range.
// - budget = bestLength - path.length, read anew at every use.
// - A procedure answers true when the node may still hold a tour strictly shorter than the best
//   one, false when it proved that it cannot (the node is pruned). Procedures that allocate
//   report a failed allocation through SearchContext::outOfMemory.
#pragma once

#include <cstdint>

#include "solver/solve_driver.h"
#include "solver/solver_state.h"
#include "solver/tour_record.h"

namespace ringmarch {

using Cost = std::int64_t;
inline constexpr Cost kUnsetCost = 2147483647;  // insertCost / exchangeCost before any update

// Direction bits of a candidate edge, seen from the entry that owns it.
inline constexpr std::uint8_t kOutgoing = 1;  // the other city may follow the owner
inline constexpr std::uint8_t kIncoming = 2;  // the other city may precede the owner

struct CandidateEdge {
  std::int32_t city;
  std::uint8_t dirs;
  Cost exchangeCost;
};

struct CityCandidates {
  std::int32_t city;
  Cost insertCost;
  std::int32_t minOut;
  std::int32_t minIn;
  Cost adjust;
  CandidateEdge* edges;
  std::int32_t edgeCount;
  std::int32_t outCount;
  std::int32_t minOutCity;
  std::int32_t inCount;
  std::int32_t minInCity;
};

using ArcTable = std::uint8_t[kRowCount][kRowCount];

struct SearchNode {
  const TourRecord* path;
  const SearchNode* parent;
  CityCandidates* entries;
  std::int32_t entryCount;
  std::int32_t entryCapacity;
  CityCandidates* currentEntry;
  CityCandidates* entryOfCity[kRowCount];
  CandidateEdge* edgePool;
  std::int32_t edgeCapacity;
  Cost outSum;
  Cost inSum;
  Cost adjustSum;
  Cost treeBound;
  ArcTable* arcCache;
  // Lagrangian tree bound (lagrangian_bound.cpp): the city penalties of the last ascent, in
  // scaled units (see LagrangianScratch::scale), valid when hasPenalties is set; the bound itself
  // (0 when not computed); and per city j, a bound on every completion whose first arc is
  // current city -> j, valid where hasOutBounds is set.
  bool hasPenalties;
  bool hasOutBounds;
  Cost lagrangianBound;
  Cost penalty[kRowCount];
  Cost outBound[kRowCount];
};

// Everything one solve's search reads and changes besides the nodes: the solver state, the
// options, the statistics and the memory the levels draw from.
struct SearchContext;

// budget of a node: bestLength - path.length.
Cost budgetOf(const SearchContext& context, const SearchNode& node);

// --- Nodes and the search step -------------------------------------------------------------
bool buildRoot(SearchContext& context, SearchNode& node, const TourRecord& path);
bool buildChild(SearchContext& context, SearchNode& node, const SearchNode& parent,
                const TourRecord& path);
void releaseNode(SearchContext& context, SearchNode& node);
std::int32_t evaluateNode(SearchContext& context, SearchNode& node);
std::int32_t evaluateChild(SearchContext& context, SearchNode& node);
std::int32_t candidateCity(const SearchContext& context, const SearchNode& node, std::int32_t i);
std::int32_t extendPath(SearchContext& context, const SearchNode& node, std::int32_t city);

// --- Child candidates, degree bound, forced arcs, tree bound ---------------------------------
bool inheritCandidates(SearchContext& context, SearchNode& child);
bool admitArc(const SearchContext& context, const SearchNode& node, std::int32_t tail,
              std::int32_t head);
bool refreshCityBound(SearchContext& context, SearchNode& node, std::int32_t city);
bool restrictEdge(SearchContext& context, SearchNode& node, std::int32_t city, std::int32_t other,
                  std::int32_t position, std::uint8_t newDirs);
bool propagateForcedArcs(SearchContext& context, SearchNode& node, std::int32_t city);
bool propagateAllForcedArcs(SearchContext& context, SearchNode& node);
void updateInsertCosts(SearchContext& context, SearchNode& node);
bool treeBoundTest(SearchContext& context, SearchNode& node);
bool lagrangianBoundTest(SearchContext& context, SearchNode& node);
bool eliminateByReducedCost(SearchContext& context, SearchNode& node);

// --- The rest of the evaluation chain ------------------------------------------------------
bool restrictAndPropagate(SearchContext& context, SearchNode& node, std::int32_t city,
                          std::int32_t other, std::int32_t position, std::uint8_t newDirs);
bool pruneByReachability(SearchContext& context, SearchNode& node);
bool advanceForwardChain(SearchContext& context, SearchNode& node);
bool advanceBackwardChain(SearchContext& context, SearchNode& node);

enum class ArcOrder { FirstBefore, SecondBefore, EitherOrder };
bool pathExchangeTest(const SearchContext& context, const SearchNode& node, std::int32_t a1,
                      std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w, ArcOrder hint);
bool exchangeTest(const SearchContext& context, const SearchNode& node, std::int32_t a1,
                  std::int32_t b1, std::int32_t a2, std::int32_t b2, Cost w);
bool exchangeTestKnowingIn(const SearchContext& context, const SearchNode& node, std::int32_t a,
                           std::int32_t b, std::int32_t p, std::int32_t m, std::int32_t s, Cost w);
bool exchangeTestKnowingOut(const SearchContext& context, const SearchNode& node, std::int32_t a,
                            std::int32_t b, std::int32_t p, std::int32_t m, std::int32_t s, Cost w);
bool exchangeFilter(SearchContext& context, SearchNode& node);
bool probeLongArcs(SearchContext& context, SearchNode& node);

}  // namespace ringmarch
