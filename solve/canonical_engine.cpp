// The canonical engine: today's exact branch-and-bound of up to 127 cities over the solver
// object's problem (solveInstance), asymmetric instances of up to 63 cities through their
// symmetric form (solveAsymmetricInstance). Reads the problem, asks the run control through one
// monitor; the result is optimal only when the search ran to its end.
#include <chrono>
#include <memory>
#include <new>

#include "object/asymmetric_solve.h"
#include "solve/engines.h"
#include "solve/run_control_monitor.h"
#include "solver/solve_driver.h"
#include "solver/tour_record.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch {

SolveResult runCanonicalEngine(const ProblemData& problem, RunControl& control,
                               std::uint64_t nodeLimit) {
  SolveResult result;
  result.engine = Engine::Canonical;
  result.asymmetric = hasAsymmetricDistances(problem);
  RunControlMonitor monitor(control, nodeLimit);
  SolveOptions options;
  options.monitor = &monitor;
  // A node of a large instance can take milliseconds; asking often keeps the time limit close,
  // and one clock reading per few nodes is nothing beside their evaluation.
  options.progressInterval = 8;

  std::unique_ptr<TourRecord> tour(new (std::nothrow) TourRecord);
  if (!tour) {
    result.refusal = ErrorCode::OutOfMemory;
    result.reason = "no memory for the tour";
    return result;
  }
  initTour(*tour, &problem, -1);
  SolveStatistics statistics;
  ErrorCode code = ErrorCode::Success;
  bool exact = true;
  const bool directed = result.asymmetric && problem.count <= kMaxAsymmetricCities;
  if (result.asymmetric && !directed) {
    exact = false;
    result.reason =
        "the distances are not symmetric, and exact solves of asymmetric instances "
        "take at most " +
        std::to_string(kMaxAsymmetricCities) + " cities";
  }
  bool searched = false;
  if (directed) {
    code = solveAsymmetricInstance(*tour, problem, options, &statistics);
    searched = code != ErrorCode::DistanceOutOfRange;
    if (!searched) {
      exact = false;
      result.reason =
          "the distances are not symmetric, and too widely spread for the exact "
          "solve of an asymmetric instance";
    }
  }
  if (!searched) {
    if (!tourLengthsFit(problem)) {
      result.refusal = ErrorCode::DistanceOutOfRange;
      result.reason = "its tour lengths could exceed the 32-bit range";
      return result;
    }
    initTour(*tour, &problem, -1);
    code = solveInstance(*tour, problem, options, &statistics);
  }
  if (code == ErrorCode::OutOfMemory) control.stopFor(StopReason::OutOfMemory);
  if (tour->count != problem.count) {
    result.refusal = code == ErrorCode::Success ? ErrorCode::OutOfMemory : code;
    result.reason = "the search ended without a tour";
    return result;
  }
  result.tour.assign(tour->order, tour->order + tour->count);
  result.length = tour->length;
  result.counts.nodes = statistics.evaluatedNodes;
  result.counts.initialLength = statistics.initialLength;
  result.counts.improvedLength = statistics.improvedLength;
  result.counts.firstLevelBound = statistics.firstLevelBound;
  result.counts.stages = {statistics.loadSeconds, statistics.initialTourSeconds,
                          statistics.searchSeconds};
  const bool finished = code == ErrorCode::Success && !statistics.stopped;
  if (finished && exact) {
    result.status = SolveStatus::Optimal;
    result.lowerBound = result.length;
  } else {
    result.status = SolveStatus::NotProven;
    if (monitor.reachedNodeLimit()) {
      result.handedOverAfter = statistics.evaluatedNodes;
    } else if (!finished) {
      result.stopReason = code == ErrorCode::OutOfMemory ? StopReason::OutOfMemory
                          : control.stopped()            ? control.reason()
                                                         : StopReason::Stopped;
    }
    // The first level's bound is one on directed tours only when the search was the exact one.
    if (exact && statistics.lowerBound > 0) result.lowerBound = statistics.lowerBound;
  }
  return result;
}

}  // namespace ringmarch
