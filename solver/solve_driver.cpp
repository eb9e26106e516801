// Solve driver: working copy, root node, initial tour, then the exact search from the start
// city: the first-level node is evaluated here and each of its surviving candidates is expanded
// by the recursive search step. The best tour is copied into the result in every case.
//
// The per-solve data (solver state and the per-depth paths and nodes of the search) lives on the
// heap for the duration of one call, so a solve needs little stack and solves on different
// threads share nothing. A failed allocation of it answers OutOfMemory with the result left as
// it was.
#include "solver/solve_driver.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <new>

#include "solver/improve_tour.h"
#include "solver/initial_tour.h"
#include "solver/lagrangian_tree.h"
#include "solver/search.h"
#include "solver/search_context.h"
#include "solver/solver_state.h"
#include "solver/witness_check.h"

namespace ringmarch {

namespace {

// The first chunk of the search's memory: the root's edge pool and a few levels fit in it.
constexpr std::size_t kFirstChunkBytes = std::size_t{1} << 20;

struct SolveWorkspace {
  SolverState state;
  LagrangianTree lagrangian;
  ImprovedTour improved;
  TourRecord levelPaths[kRowCount + 1];
  SearchNode levelNodes[kRowCount + 1];
};

class Stopwatch {
 public:
  double lap() {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    return seconds;
  }

 private:
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// The first two cities of the start city's neighbour order other than the start city itself
// (positions 1 and 2 for every instance with positive distances between distinct cities).
void setStartFields(const SolverState& state, TourRecord& path, std::int32_t start) {
  const std::int32_t* neighbours = state.workProblem.rows[start].neighbourOrder;
  std::int32_t found[2] = {-1, -1};
  std::int32_t taken = 0;
  for (std::int32_t k = 0; k < state.cityCount && taken < 2; ++k) {
    if (neighbours[k] != start) found[taken++] = neighbours[k];
  }
  path.startCity = start;
  path.nearestOfStart = found[0];
  path.secondOfStart = found[1];
  path.nearestPlaced = path.nearestOfStart == path.secondOfStart;
}

// tour := the closed tour of the cycle `order` (cityCount cities), read from the start city on.
void setTourOrder(TourRecord& tour, const std::int32_t* order, std::int32_t start) {
  const std::int32_t n = tour.targetCount;
  std::int32_t at = 0;
  while (at < n && order[at] != start) ++at;
  if (at == n) at = 0;
  emptyTour(tour);
  for (std::int32_t k = 0; k < n; ++k) appendCity(tour, order[(at + k) % n]);
}

std::int32_t boundAsLength(const SearchNode& node) {
  return node.lagrangianBound > 2147483647 ? 2147483647
                                           : static_cast<std::int32_t>(node.lagrangianBound);
}

// True when d(i, j) = d(j, i) for every pair: the bounds that assume symmetry may run.
bool isSymmetric(const SolverState& state) {
  for (std::int32_t i = 0; i < state.cityCount; ++i) {
    for (std::int32_t j = 0; j < i; ++j) {
      if (state.distance[i][j] != state.distance[j][i]) return false;
    }
  }
  return true;
}

// Evaluates the first-level node and expands its candidates. False when the search unwound
// (memory ran out or the monitor asked to stop).
bool searchFromStart(SearchContext& context, const SearchNode& root, TourRecord& start) {
  SearchNode& first = context.levelNodes[start.count];
  if (!buildChild(context, first, root, start)) return false;
  const std::int32_t children = evaluateNode(context, first);
  checkWitnessChildren(context, first, children);
  context.statistics.evaluatedNodes += 1;
  if (children < 0) {
    releaseNode(context, first);
    return false;
  }
  if (first.lagrangianBound > 0) {
    context.statistics.firstLevelBound = unshiftedLength(context.state, boundAsLength(first));
    context.statistics.lowerBound = context.statistics.firstLevelBound;
  }
  for (std::int32_t i = 0; i < children; ++i) {
    // The first level's Lagrangian bound holds for every tour: once the best tour reaches it,
    // no child can hold a strictly shorter one.
    if (first.hasPenalties && context.state.bestLength <= first.lagrangianBound) break;
    const std::int32_t next = candidateCity(context, first, i);
    if (next < 0) continue;
    if (!start.nearestPlaced && next == start.secondOfStart) continue;
    if (extendPath(context, first, next) < 0) {
      releaseNode(context, first);
      return false;
    }
  }
  releaseNode(context, first);
  return true;
}

}  // namespace

bool tourLengthsFit(const ProblemData& instance) {
  // The diagonal is left out: no tour and no sum of the search uses a city's distance to itself.
  const std::int64_t n = instance.count;
  if (n < 2) return true;
  std::int64_t smallest = std::numeric_limits<std::int64_t>::max();
  std::int64_t largest = std::numeric_limits<std::int64_t>::min();
  for (int i = 0; i < instance.count; ++i) {
    for (int j = 0; j < instance.count; ++j) {
      if (i == j) continue;
      smallest = std::min<std::int64_t>(smallest, instance.rows[i].dist[j]);
      largest = std::max<std::int64_t>(largest, instance.rows[i].dist[j]);
    }
  }
  constexpr std::int64_t kLongest = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kShortest = std::numeric_limits<std::int32_t>::min();
  // Every tour in the instance's own distances lies between n times the smallest and n times
  // the largest distance, and so does every sum of up to n of them.
  if (n * largest > kLongest || n * smallest < kShortest) return false;
  // The search works on distances shifted to be non-negative (loadWorkingCopy): n of those (a
  // tour, a path, any 32-bit sum the search forms) must fit as well; its 64-bit bounds, which
  // scale and penalise them, are then far inside their range.
  const std::int64_t shift = negativeDistanceShift(instance);
  return n * (largest + shift) <= kLongest;
}

ErrorCode solveInstance(TourRecord& result, const ProblemData& instance,
                        const SolveOptions& options, SolveStatistics* statisticsOut) {
  std::unique_ptr<SolveWorkspace> workspace(new (std::nothrow) SolveWorkspace);
  if (!workspace) return ErrorCode::OutOfMemory;
  SolverState& state = workspace->state;
  SolveStatistics statistics;
  Stopwatch stopwatch;

  loadWorkingCopy(state, instance);
  const std::int32_t n = state.cityCount;
  // A start city outside the instance (left over from an earlier, larger instance) falls back to
  // city 0.
  const std::int32_t start =
      instance.startCity >= 0 && instance.startCity < n ? instance.startCity : 0;
  state.bestLength = 0;
  statistics.loadSeconds = stopwatch.lap();

  TourRecord& path = workspace->levelPaths[0];
  initTour(path, &state.workProblem, -1);
  setStartFields(state, path, start);

  SearchContext context{state, options, statistics};
  context.levelPaths = workspace->levelPaths;
  context.levelNodes = workspace->levelNodes;
  if (isSymmetric(state)) context.lagrangian = &workspace->lagrangian;
  std::unique_ptr<SearchArena, void (*)(SearchArena*)> arena(createArena(kFirstChunkBytes),
                                                             destroyArena);
  context.arena = arena.get();
  SearchNode& root = workspace->levelNodes[0];
  // Without memory for the root the solve still hands out the initial tour, as out of memory.
  const bool haveRoot = arena != nullptr && buildRoot(context, root, path);
  statistics.searchSeconds = stopwatch.lap();

  // The monitor may be asked from the first stage on: what it is shown must be set by then.
  state.improvedLength = 2147483647;
  buildInitialTour(state, path, &context);
  statistics.initialLength = unshiftedLength(state, state.bestLength);
  statistics.improvedLength = statistics.initialLength;
  ImprovedTour& improved = workspace->improved;
  improved.length = 2147483647;
  if (options.improveUpperBound && context.lagrangian != nullptr && !context.stopRequested) {
    improveTour(state, state.bestTour, improved, &context);
    if (improved.length < state.bestLength) {
      // Tours no longer than the improved one are sought; the best tour stays the initial one
      // until the search records one, so the search records the tours it records without this.
      state.improvedLength = improved.length;
      state.bestLength = improved.length + 1;
      statistics.improvedLength = unshiftedLength(state, improved.length);
    }
  }
  statistics.initialTourSeconds = stopwatch.lap();

  // A monitor that stopped the first stage stops the solve: its tour is handed out unproven.
  bool searchEnded = haveRoot && !context.stopRequested;
  if (searchEnded) {
    TourRecord& first = workspace->levelPaths[1];
    copyTour(first, path);
    appendCity(first, start);
    if (first.count == first.targetCount) {
      if (first.length < state.bestLength) {
        copyTour(state.bestTour, first);
        state.bestLength = first.length;
      }
    } else {
      searchEnded = searchFromStart(context, root, first);
    }
  }
  if (haveRoot) releaseNode(context, root);
  statistics.searchSeconds += stopwatch.lap();

  if (!searchEnded && state.improvedLength < state.bestTour.length) {
    // A stopped search hands out the improved tour when it recorded nothing as short.
    setTourOrder(state.bestTour, improved.order, start);
  }
  copyTourKeepingProblem(result, state.bestTour);
  result.length = unshiftedLength(state, state.bestTour.length);
  statistics.allocations = context.allocationCount;
  statistics.stopped = !searchEnded && context.stopRequested && !context.outOfMemory;
  if (searchEnded) statistics.lowerBound = result.length;
  if (statisticsOut != nullptr) *statisticsOut = statistics;
  if (searchEnded || statistics.stopped) return ErrorCode::Success;
  return ErrorCode::OutOfMemory;
}

}  // namespace ringmarch
