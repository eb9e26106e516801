// The cut engine behind the solve layer: the branch and cut of cut/ on the instance as it is,
// its result read into the layer's terms. Reads the instance, asks the run control through the
// engine; the result is optimal only when the engine's exact bound met its tour. In a build
// without the engine the layer refuses the request before it gets here.
#include "solve/engines.h"

#ifdef RINGMARCH_HAVE_CUT_ENGINE
#include "cut/branch_and_cut.h"
#endif

namespace ringmarch {

#ifdef RINGMARCH_HAVE_CUT_ENGINE

SolveResult runCutEngine(const Instance& instance, RunControl& control,
                         std::span<const int> startTour) {
  SolveResult result;
  result.engine = Engine::Cut;
  result.asymmetric = !instance.isSymmetric();
  cut::CutEngineOptions options;
  options.startTour = startTour;
  const cut::CutEngineResult run = cut::solveByBranchAndCut(instance, options, control);
  const cut::CutEngineStatistics& s = run.statistics;
  result.counts.nodes = s.nodes;
  result.counts.lpIterations = s.lpIterations;
  result.counts.lpSeconds = s.lpSeconds;
  result.counts.cutRounds = s.cutRounds;
  result.counts.subtourCuts = s.cutsFound[static_cast<std::size_t>(cut::CutFamily::Subtour)];
  result.counts.blossomCuts = s.cutsFound[static_cast<std::size_t>(cut::CutFamily::Blossom)];
  result.counts.combCuts = s.cutsFound[static_cast<std::size_t>(cut::CutFamily::Comb)];
  result.counts.localCuts = s.cutsFound[static_cast<std::size_t>(cut::CutFamily::Local)];
  result.counts.poolCuts = s.cutsFromPool;
  result.counts.pricedEdges = s.pricedEdges;
  result.counts.eliminatedEdges = s.eliminatedEdges;
  result.counts.rootBound = s.rootBound;
  if (run.tour.empty() || !instance.isTour(run.tour)) {
    result.refusal = ErrorCode::OutOfMemory;
    result.reason = "the cut engine ended without a tour";
    return result;
  }
  result.tour = run.tour;
  result.length = instance.tourLength(run.tour);
  result.counts.initialLength = s.initialLength.value_or(result.length);
  result.counts.improvedLength = s.improvedLength.value_or(result.length);
  result.counts.stages = {s.setupSeconds, s.firstTourSeconds, s.searchSeconds};
  result.lowerBound = run.lowerBound;
  if (run.optimal && run.lowerBound && *run.lowerBound == result.length) {
    result.status = SolveStatus::Optimal;
  } else {
    result.status = SolveStatus::NotProven;
    result.stopReason = run.stopReason;
    result.reason = run.reason;
  }
  return result;
}

#else

SolveResult runCutEngine(const Instance&, RunControl&, std::span<const int>) {
  SolveResult result;
  result.engine = Engine::Cut;
  result.reason = "the cut engine is not part of this build";
  return result;
}

#endif

}  // namespace ringmarch
