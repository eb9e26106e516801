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
  std::uint64_t evaluatedNodes = 0;  // search nodes evaluated
  bool stopped = false;              // the monitor stopped the search: the tour is not proven
  std::int32_t deepestPath = 0;      // most cities on a search path (the recursion's depth)
  std::uint64_t allocations = 0;     // node arrays and arc tables taken by the search
  // Seconds spent in each stage of the solve (steady clock, measured once per stage).
  double loadSeconds = 0.0;         // working copy and distance matrix
  double initialTourSeconds = 0.0;  // nearest neighbour and 2-opt
  double searchSeconds = 0.0;       // root node and the exact search
};

struct SolveProgress {
  std::uint64_t evaluatedNodes;
  std::int32_t bestLength;
};

// Listens to a running search. Called every SolveOptions::progressInterval evaluated nodes; the
// search goes on while it answers true and unwinds, keeping the best tour so far, on false.
// Without a monitor the search runs to its end and pays nothing for this.
class SolveMonitor {
 public:
  virtual ~SolveMonitor() = default;
  virtual bool onProgress(const SolveProgress& progress) = 0;
};

struct SolveOptions {
  SolveMonitor* monitor = nullptr;
  std::uint64_t progressInterval = 4096;
  // Test hook: the allocation with this 1-based number fails as if memory ran out (0 = never).
  std::uint64_t failAllocationNumber = 0;
};

// True when every tour of the instance and every sum the search forms from its distances stays
// inside the 32-bit length range: the sum over the cities of their largest absolute distance is
// at most 2147483647.
bool tourLengthsFit(const ProblemData& instance);

// Solves an instance of at least 3 cities whose tour lengths fit (the caller checks both).
// result keeps its problem reference and receives the best tour in every case. Answers
// Success (also when the monitor stopped the search: statistics.stopped tells), or OutOfMemory
// with the best tour found before memory ran out.
ErrorCode solveInstance(TourRecord& result, const ProblemData& instance,
                        const SolveOptions& options = {}, SolveStatistics* statistics = nullptr);

}  // namespace ringmarch
