// The branch-and-cut engine: proven optimal tours of instances of any size (asymmetric ones
// through the twin form), after Padberg & Rinaldi 1991 and Applegate, Bixby, Chvatal & Cook 2006.
// An LP relaxation over a working edge set is tightened by subtour and blossom cuts, every edge
// of the complete graph is priced against its duals, and nodes are split on an edge chosen by
// strong branching (reliability branching: an edge tried often enough is scored from its
// pseudocosts), best bound first. Only the exact fixed-point bound prunes a node or proves a
// tour optimal; the LP's floating-point values only guide. Upper bounds come from the tour engine,
// first from its own start, then from starts drawn from LP points, and from the best tour in
// searches that grow with the LP's work. Deterministic: no clock takes part in any decision, so
// the same instance gives the same tour, bound and node count on every run; the run control (a
// time limit, a stop, no memory) only ends a run early, which then hands back the best tour and
// the proven bound.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cut/city_set_cut.h"
#include "instance/instance.h"
#include "instance/run_control.h"

namespace ringmarch::cut {

struct CutEngineOptions {
  // Kicks per city of the first tour search, and of the searches from LP points.
  double firstTourKicksPerCity = 1.0;
  double guidedTourKicksPerCity = 0.2;
  // Searches from the best tour that keep pace with the run: each time the simplex iterations
  // have doubled since the last such search (the first count taken after the root), one with
  // this many kicks for every iteration since. Their share of the run stays fixed, and it is
  // counted in iterations, never by the clock. 0: none. When they came in (with rows aged only
  // in cutting rounds), 0.1 let pa561 find its optimal tour and be proven in 352 s, where without
  // them its bound met the optimum and the tour did not; the files of 128 to 442 cities proven
  // either way took 8 % longer (fl417 108 s against 96).
  double tourKicksPerLpIteration = 0.1;
  // false: no tour searches at all, tours only from integral LP points (and startTour); so that
  // checks against a known optimal tour see the search work without a good tour in hand.
  bool searchTours = true;
  // 16 candidates rather than 8: where many edges sit at one half, the edge that splits the
  // tree well is often not among the first few (p43: 6,973 nodes with 8, 73 with 16; pcb442:
  // 2,611 and 319).
  int strongBranchingCandidates = 16;
  // Dual simplex iterations per trial and side. 400 rather than 100: a trial cut short scores
  // its edge by a child LP far from its end, and the trees grew (fl417 2,379 nodes with 100, 1,551
  // with 200 or 400; pr439 not proven in 120 s with 100, proven in 561 nodes with 200 and 431 with
  // 400). The files of 493 to 1,084 cities proven in 120 s took 3 % longer with 400.
  int strongBranchingIterations = 400;
  // Reliability branching: trials after which an edge's pseudocosts replace its trial, and trials
  // in a row without a better candidate that end the trials at a node (0: off). With 2 and 8 the
  // proven files of 128 to 442 cities took 111 s of user time against 184 s with every
  // candidate tried at every node (rd400 27 s against 47, pcb442 5 s against 15).
  int strongBranchingReliability = 2;
  int strongBranchingLookahead = 8;
  // Local cuts at the root when, ready to branch, its LP is more than 1 % below the best tour.
  // Of the files of 128 to 442 cities only ts225 is that far below (120 s: bound 124,770 in 391
  // nodes, against 124,208 in 1,288 without); of the asymmetric files 10 of 19, in the twin form
  // (ftv170 103 nodes and 2.1 s against 403 and 1.8 s; kro124p 9 nodes and 1.2 s against 23 and
  // 0.2 s); no symmetric file up to 127 cities and no generated lattice.
  bool localCuts = true;
  // Local cuts also in regions of the point with its paths at 1 shrunk (each path less its last
  // city one node), for symmetric instances: regions of ten nodes then see more of a point whose
  // fractional parts long paths join, as in meshes of lines. A 69-city mesh cut from ts225:
  // 2,411 nodes and 49.0 s against 3,699 and 78.2 s; meshes of 30 to 45 cities about a second
  // slower (more local rounds at a root that took a fraction of a second); ts225 no better.
  // Not in the twin form, where every city and its twin are such a path: the asymmetric files
  // took twice the time, with nodes moving both ways.
  bool shrunkLocalRegions = true;
  // Regions grow by one node, up to this many, each time the local rounds stop paying while the
  // root stays more than 1 % below the best tour (they start at kLocalRegion). ts225, 300 s:
  // root 125,679 and bound 126,336 against 123,814 and 125,000 with regions of ten before their
  // cuts were tilted (with growth to 12: root 125,146). A mesh of 97 cities (3 x 2 cells of
  // 6 x 6) proven in 297 nodes and 62 s, not in 150 s before; meshes of 32 to 57 cities take 1 to
  // 1.5 s longer, the extra rounds costing more than their smaller trees save.
  int largestLocalRegion = 13;
  // Pooled cities (summed over the sets of the pooled cuts) above which the cuts unused for
  // longest are retired, down to half of it: about 20 bytes a pooled city, so the pool keeps to
  // about 20 MB however long the run. Cuts in the LP, in an open node's basis or with a root dual
  // are kept. With 1 million rather than 4, d657 evaluated 659 nodes in 300 s against 553 (104
  // MB against 225) and u1060 731 against 681 (bound 224,029 against 223,964); the files of up
  // to 442 cities proven in 120 s kept their node counts either way.
  std::size_t poolCityBudget = 1'000'000;
  // A tour to start from (every city once), such as another engine's best; empty: none.
  std::span<const int> startTour = {};
  // A known optimal tour, checked throughout (tests): no cut may cut it off; while it is shorter
  // than the best tour in hand, no fixing or elimination may exclude it, and no node holding it
  // may get a bound above its length or be found empty. Empty: no checks.
  std::span<const int> witnessTour = {};
};

struct CutEngineStatistics {
  std::uint64_t nodes = 0;         // nodes whose LP was solved
  std::uint64_t lpIterations = 0;  // simplex iterations, strong branching included
  double lpSeconds = 0.0;          // time in the LP solver (a report, never a decision)
  std::uint64_t cutRounds = 0;     // separation rounds
  std::array<std::uint64_t, static_cast<std::size_t>(CutFamily::Count)> cutsFound{};
  std::uint64_t cutsFromPool = 0;  // pooled cuts put back into the LP
  std::uint64_t pricedEdges = 0;   // edges added to the LP by pricing
  std::uint64_t eliminatedEdges = 0;
  std::uint64_t retiredCuts = 0;  // pooled cuts forgotten to keep the pool within its budget
  std::uint64_t guidedTours = 0;  // tour searches from LP points
  std::uint64_t pacedTours = 0;   // tour searches from the best tour, kept in pace with the LP
  std::int64_t rootBound = 0;     // the proven bound of the root
  int largestLocalRegion = 0;     // nodes of the largest local-cut regions looked at (0: none)
  // The tour handed in (or, without one, the first search's) and the first search's result.
  std::optional<std::int64_t> initialLength;
  std::optional<std::int64_t> improvedLength;
  // Time (reports only): building the run (the edge set and its tables), the first tour search,
  // and everything after it.
  double setupSeconds = 0.0;
  double firstTourSeconds = 0.0;
  double searchSeconds = 0.0;
  int maxDepth = 0;
  int abandonedNodes = 0;  // nodes the LP solver could not settle (their bound kept)
};

struct CutEngineResult {
  std::vector<int> tour;  // every city once; empty only when the run ended before any tour
  std::int64_t length = 0;
  // Proven: no tour is shorter (never above length); none when the run ended before the root's
  // LP gave one.
  std::optional<std::int64_t> lowerBound;
  bool optimal = false;  // lowerBound == length
  StopReason stopReason = StopReason::None;
  std::string reason;  // why a finished run is not optimal
  CutEngineStatistics statistics;
  std::vector<std::string> witnessViolations;  // with witnessTour: what contradicted it
};

CutEngineResult solveByBranchAndCut(const Instance& instance, const CutEngineOptions& options,
                                    RunControl& control);

}  // namespace ringmarch::cut
