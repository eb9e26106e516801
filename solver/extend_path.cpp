// The recursive search step: appends a city to the node's path and either records a complete
// tour (when it is strictly shorter than the best one) or builds, evaluates and expands the
// child node whose children pass the bound test. Reads the parent node; changes bestTour and
// bestLength, the statistics, and the per-depth path and node of the level it runs. Result: 1
// when a complete tour was reached somewhere below (better or not), 0 when none was, -1 when
// the search must unwind (memory ran out, or the monitor asked to stop).
#include "solver/search.h"
#include "solver/search_context.h"
#include "solver/witness_check.h"

namespace ringmarch {

namespace {

// Counts an evaluated node and lets the monitor look at the search every progressInterval
// nodes. Answers false when the monitor asked to stop.
bool countEvaluation(SearchContext& context) {
  SolveStatistics& statistics = context.statistics;
  statistics.evaluatedNodes += 1;
  SolveMonitor* monitor = context.options.monitor;
  if (monitor == nullptr) return true;
  const std::uint64_t interval =
      context.options.progressInterval > 0 ? context.options.progressInterval : 1;
  if (statistics.evaluatedNodes % interval != 0) return true;
  if (monitor->onProgress(currentProgress(context))) {
    return true;
  }
  context.stopRequested = true;
  return false;
}

}  // namespace

std::int32_t extendPath(SearchContext& context, const SearchNode& node, std::int32_t city) {
  SolverState& state = context.state;
  const std::int32_t depth = node.path->count + 1;
  TourRecord& path = context.levelPaths[depth];
  copyTour(path, *node.path);
  appendCity(path, city);
  if (depth > context.statistics.deepestPath) context.statistics.deepestPath = depth;

  if (path.count == path.targetCount) {
    // Only a strictly shorter tour replaces the best one. The lengths are compared directly:
    // the best tour always exists here, even when its length happens to be 0.
    if (path.length < state.bestLength) {
      copyTour(state.bestTour, path);
      state.bestLength = path.length;
    }
    return 1;
  }

  SearchNode& child = context.levelNodes[depth];
  if (!buildChild(context, child, node, path)) return -1;
  const std::int32_t children = evaluateChild(context, child);
  checkWitnessChildren(context, child, children);
  const bool goOn = countEvaluation(context);
  if (children < 0 || !goOn) {
    releaseNode(context, child);
    return -1;
  }

  std::int32_t reached = 0;
  for (std::int32_t i = 0; i < children; ++i) {
    const std::int32_t next = candidateCity(context, child, i);
    if (next < 0) continue;
    if (!path.nearestPlaced && next == path.secondOfStart) continue;
    const std::int32_t result = extendPath(context, child, next);
    if (result < 0) {
      releaseNode(context, child);
      return -1;
    }
    if (result == 1) reached = 1;
  }
  releaseNode(context, child);
  return reached;
}

}  // namespace ringmarch
