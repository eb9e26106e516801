// The single entry into the solver: loads the instance, builds the initial tour, runs the exact
// search and hands back the best tour found.
#pragma once

#include <cstdint>

#include "model/error_code.h"
#include "model/problem_data.h"
#include "solver/tour_record.h"

namespace ringmarch {

struct SolveStatistics {
  std::int32_t initialLength = 0;    // length of the initial tour
  std::int32_t improvedLength = 0;   // length of the improved first tour (the search's bound)
  std::uint64_t evaluatedNodes = 0;  // search nodes evaluated
  bool stopped = false;              // the monitor stopped the search: the tour is not proven
  std::int32_t deepestPath = 0;      // most cities on a search path (the recursion's depth)
  std::uint64_t allocations = 0;     // node arrays and arc tables taken by the search
  std::uint64_t eliminatedArcs = 0;  // candidate arcs removed by reduced cost
  // A proven lower bound on every tour: the first level's Lagrangian bound (0 when it did not
  // run); once the search has ended, the length of the tour it returns.
  std::int32_t lowerBound = 0;
  std::int32_t firstLevelBound = 0;  // the first level's Lagrangian bound (0 when it did not run)
  // Seconds spent in each stage of the solve (steady clock, measured once per stage).
  double loadSeconds = 0.0;         // working copy and distance matrix
  double initialTourSeconds = 0.0;  // nearest neighbour and 2-opt, and the tour improvement
  double searchSeconds = 0.0;       // root node and the exact search
  // Internal search checks (builds with RINGMARCH_SEARCH_CHECKS): nodes on the optimal tour
  // that were checked, violations found, and the step that caused the first one.
  std::uint64_t witnessChecks = 0;
  std::uint64_t witnessViolations = 0;
  const char* witnessViolation = nullptr;
};

struct SolveProgress {
  std::uint64_t evaluatedNodes;
  std::int32_t bestLength;
  std::int32_t lowerBound = 0;  // the first level's proven bound once known (0 before)
};

// Listens to a running search. Called every SolveOptions::progressInterval evaluated nodes; the
// search goes on while it answers true and unwinds, keeping the best tour so far, on false.
// Without a monitor the search runs to its end and pays nothing for this.
class SolveMonitor {
 public:
  virtual ~SolveMonitor() = default;
  virtual bool onProgress(const SolveProgress& progress) = 0;
  // Asked often inside long stretches without nodes (the first tour's 2-opt and improvement, the
  // first level's bound and probes): false stops the solve as onProgress does. Should be cheap
  // (a clock reading at most).
  virtual bool keepGoing(const SolveProgress&) { return true; }
};

// Switches for the filters of the evaluation chain, so that tests and benchmarks can measure what
// each one saves. The search stays exact with any of them off; it only evaluates more nodes.
struct ChainSwitches {
  bool probeLongArcs = true;
  bool exchangeFilter = true;
  bool pruneByReachability = true;
  bool forcedChains = true;  // advanceForwardChain and advanceBackwardChain
  // Bounds of symmetric instances only (an asymmetric one runs without them): the Lagrangian
  // tree bound and the per-child bounds it gives, and the arc elimination by its reduced costs.
  bool lagrangianBound = true;
  bool reducedCostElimination = true;  // needs lagrangianBound
};

struct SolveOptions {
  SolveMonitor* monitor = nullptr;
  // false skips every filter of ChainSwitches; true runs those that `chain` leaves on.
  bool fullChain = true;
  ChainSwitches chain;
  // Symmetric instances: improve the initial tour by local search and let the search look for
  // tours no longer than the improved one (the returned tour stays the one the search records).
  bool improveUpperBound = true;
  // Internal search checks (builds with RINGMARCH_SEARCH_CHECKS only): the instance's unique
  // optimal tour (cityCount cities, starting at the start city, in the direction the search
  // visits it) and its length.
  const std::int32_t* witnessTour = nullptr;
  std::int32_t witnessLength = 0;
  std::uint64_t progressInterval = 4096;
  // Test hook: the allocation with this 1-based number fails as if memory ran out (0 = never).
  std::uint64_t failAllocationNumber = 0;
};

// True when every tour of the instance and every sum the search forms from its distances stays
// inside the 32-bit length range: with n cities and the smallest and largest distance between
// distinct cities, n times each lies in the range, and so does n times the largest distance
// after the shift that makes the smallest one 0. The diagonal is not looked at.
bool tourLengthsFit(const ProblemData& instance);

// Solves an instance of at least 3 cities whose tour lengths fit (the caller checks both).
// result keeps its problem reference and receives the best tour in every case. Answers
// Success (also when the monitor stopped the search: statistics.stopped tells), or OutOfMemory
// with the best tour found before memory ran out.
ErrorCode solveInstance(TourRecord& result, const ProblemData& instance,
                        const SolveOptions& options = {}, SolveStatistics* statistics = nullptr);

}  // namespace ringmarch
