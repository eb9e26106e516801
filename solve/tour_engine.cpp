// The tour engine: a local-search tour (findTour) and Held and Karp's lower bound
// (heldKarpBound) of an instance of any size. Reads the instance, asks the run control through
// its stages: an ascent that gives the search its candidates, the search, an ascent towards the
// tour's length. The tour is optimal only when the whole-number bound equals its length. Under a
// time limit the tour search has four fifths of what is left, so that the bound has time too.
#include <algorithm>
#include <chrono>
#include <optional>

#include "solve/engines.h"
#include "tour/find_tour.h"
#include "tour/held_karp_bound.h"

namespace ringmarch {
namespace {

// Passes the tour stage's progress on to the run's own control, and its answer back.
class TourStageWatcher : public RunWatcher {
 public:
  explicit TourStageWatcher(RunControl& control) : control_(control) {}
  bool onProgress(const RunProgress& progress) override { return !control_.shouldStop(progress); }
  StopReason interruption() const override { return control_.reason(); }

 private:
  RunControl& control_;
};

// Candidates per city for the tour search, as Helsgaun (2000) found enough.
constexpr int kAlphaCandidates = 5;
// Kicks per city of the default effort: the tour targets of bench/README.md within their time.
// A directed kick (one pure 3-opt move and a 3-opt search around it) costs a small part of a
// Lin-Kernighan kick: 50 per city take 0.03 s on ftv170 and 0.4 s on rbg443.
constexpr double kKicksPerCity = 5.0;
constexpr double kDirectedKicksPerCity = 50.0;

}  // namespace

SolveResult runTourEngine(const Instance& instance, RunControl& control) {
  SolveResult result;
  result.engine = Engine::Tour;
  result.asymmetric = !instance.isSymmetric();
  // First the ascent without a tour: its penalties give the tour search its alpha-nearest
  // candidates, and the second ascent, towards the tour's length, starts from them.
  const auto ascending = std::chrono::steady_clock::now();
  LowerBoundOptions first;
  first.alphaCandidates = kAlphaCandidates;
  const LowerBoundResult ascent = heldKarpBound(instance, first, control);
  const double firstAscentSeconds = secondsSince(ascending);

  const auto started = std::chrono::steady_clock::now();
  TourSearchOptions search;
  search.candidates = ascent.candidates;
  search.kicksPerCity = instance.isSymmetric() ? kKicksPerCity : kDirectedKicksPerCity;
  TourSearchResult found;
  if (const std::optional<double> left = control.secondsLeft()) {
    // The tour's own share; a stop asked for by the watcher carries over to the whole run.
    TourStageWatcher forward(control);
    RunControl tourControl(*left * 0.8, &forward);
    found = findTour(instance, search, tourControl);
    if (tourControl.reason() != StopReason::None && tourControl.reason() != StopReason::TimeLimit) {
      control.stopFor(tourControl.reason());
    }
  } else {
    found = findTour(instance, search, control);
  }
  result.counts.stages.initialTour = secondsSince(started);
  if (!instance.isTour(found.tour)) {
    result.refusal = ErrorCode::OutOfMemory;
    result.reason = "the tour engine ended without a tour";
    return result;
  }
  result.tour = found.tour;
  result.length = instance.tourLength(found.tour);
  result.counts.nodes = found.kicks;
  result.counts.initialLength = result.length;
  result.counts.improvedLength = result.length;

  const auto bounding = std::chrono::steady_clock::now();
  LowerBoundOptions options;
  options.upperBound = result.length;
  options.startPenalties = ascent.penalties;
  LowerBoundResult bound;
  if (ascent.bound < result.length) bound = heldKarpBound(instance, options, control);
  bound.bound = std::max(bound.bound, ascent.bound);
  result.counts.stages.search = firstAscentSeconds + secondsSince(bounding);
  result.lowerBound = bound.bound;
  if (bound.bound > result.length) {
    // Impossible for a valid bound: trust neither side of the claim.
    result.status = SolveStatus::NotProven;
    result.lowerBound.reset();
    result.reason = "the tour engine's lower bound exceeds its tour's length";
  } else if (bound.bound == result.length) {
    result.status = SolveStatus::Optimal;
  } else if (control.stopped()) {
    result.status = SolveStatus::NotProven;
    result.stopReason = control.reason();
  } else {
    result.status = SolveStatus::NotProven;
    result.reason = "the tour engine's lower bound " + std::to_string(bound.bound) +
                    " is below the tour's length";
  }
  return result;
}

}  // namespace ringmarch
