// The engine's driver: the first tour, the root's working edge set (the tour's edges and the
// tour engine's candidate neighbours), then nodes best bound first. A node's LP is tightened by
// rounds of cuts until no cut is found or the rounds stop paying; then every edge is priced, and
// edges with negative reduced cost join the LP, which goes back to cutting. The price scan is
// also the node's proven bound. A node is pruned when that bound reaches the best tour, settled
// when its LP point is a tour, and otherwise split on the strong-branching edge.
#include "cut/branch_and_cut.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <utility>

#include "cut/edge_table.h"
#include "cut/engine_graph.h"
#include "cut/exact_bound.h"
#include "cut/lp_guided_tour.h"
#include "cut/relaxation.h"
#include "cut/separation.h"
#include "cut/strong_branching.h"
#include "tour/find_tour.h"
#include "tour/search_graph.h"

namespace ringmarch::cut {

namespace {

constexpr std::int64_t kNoBound = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kNoTour = std::numeric_limits<std::int64_t>::max();
// Cut rows slack in this many solves in a row leave the LP (they stay pooled, and a node's warm
// start brings back the ones its parent's basis holds).
constexpr int kCutMaxAge = 2;
// Rounds whose objective rose less than this share over the last kTailRounds rounds end the
// cutting at a node.
constexpr int kTailRounds = 4;
constexpr double kTailShare = 2e-5;
// Local cuts are looked for when the root, ready to branch, has its LP below the best tour by more
// than this share of the tour's length (where the template families leave a wide gap); they stop
// once their last kTailRounds rounds together closed less than kLocalTailShare of that gap.
constexpr double kLocalGapShare = 0.01;
constexpr double kLocalTailShare = 0.05;
constexpr double kIntegral = 1e-6;

using Fixing = std::pair<std::int64_t, std::uint8_t>;  // edge, kFixedZero or kFixedOne

// A node's fixings: its parent's, then its own (the branching edge, then what reduced-cost
// fixing found at the node). The children share the parent's link, so that a subtree's fixings
// are held once however many of its nodes are open.
struct FixingChain {
  std::shared_ptr<const FixingChain> parent;
  std::vector<Fixing> own;
};

// The fixings from the root down, in the order they were made.
void flattenFixings(const FixingChain* chain, std::vector<Fixing>& out) {
  out.clear();
  std::vector<const FixingChain*> links;
  for (; chain != nullptr; chain = chain->parent.get()) links.push_back(chain);
  for (auto link = links.rbegin(); link != links.rend(); ++link) {
    out.insert(out.end(), (*link)->own.begin(), (*link)->own.end());
  }
}

struct Node {
  std::uint64_t id = 0;
  std::int64_t bound = kNoBound;  // proven for every tour of the node
  double estimate = 0.0;          // the LP's guess, for the order only
  int depth = 0;
  std::shared_ptr<FixingChain> fixings = std::make_shared<FixingChain>();
  // The parent's final basis, shared by both children.
  std::shared_ptr<const Relaxation::WarmStart> warmStart;
  // The branch that made the node (edge -1 at the root): the edge's value and the LP's value in
  // the parent, and the side. The node's first LP value is that side's rise for the edge's
  // pseudocosts, measured to the end where a trial stops after a few iterations.
  std::int64_t branchEdge = -1;
  double branchX = 0.0, parentObjective = 0.0;
  bool branchOne = false;
};

struct NodeOrder {
  bool operator()(const Node& a, const Node& b) const {
    if (a.bound != b.bound) return a.bound < b.bound;
    if (a.estimate != b.estimate) return a.estimate < b.estimate;
    return a.id < b.id;
  }
};

class BranchAndCutRun {
 public:
  BranchAndCutRun(const Instance& instance, const CutEngineOptions& options, RunControl& control)
      : options_(options),
        control_(control),
        graph_(instance),
        edges_(graph_.size()),
        pool_(graph_.size()),
        lp_(graph_, edges_, pool_) {}

  CutEngineResult run();

 private:
  enum class Outcome { Pruned, Branched, Abandoned, Stopped };

  RunProgress progress() const;  // the run's nodes, best tour, bound and LP time so far
  bool shouldStop();
  // The LP is below the best tour by more than kLocalGapShare of its length.
  bool wideGap() const {
    return best_ != kNoTour && static_cast<double>(best_) - lp_.objective() >
                                   kLocalGapShare * std::abs(static_cast<double>(best_));
  }
  void offerTour(std::span<const int> cityTour);
  void searchTour(std::span<const int> start, double kicksPerCity, std::uint64_t seed);
  void keepTourSearchInPace();
  void buildRoot();
  void applyFixings(const Node& node);
  Outcome evaluate(Node& node);
  Outcome settleInfeasible(Node& node, bool& retry);
  bool lpPointIsTour(const SupportGraph& point, std::vector<int>& nodeTour) const;
  LagrangianBound priceAndBound(Node& node, const FixedPointDuals& duals, int priceLimit);
  void addPricedEdges(const LagrangianBound& priced);
  bool fixAtRoot();
  bool fixAtNode(Node& node, const FixedPointDuals& duals, __int128 scaledTotal);
  void branch(const Node& node);
  void retireIdleCuts();
  std::int64_t globalBound() const;
  LpStatus timedSolve(int iterationLimit = -1);

  // Checks against a known optimal tour (and, in the same runs, of the fixings' bookkeeping).
  void checkFlags();
  bool holdsWitness(const Node& node) const;
  void checkWitnessBound(const Node& node);
  void checkNewCuts(int firstNewId);
  void witnessFault(std::string what);

  const CutEngineOptions& options_;
  RunControl& control_;
  EngineGraph graph_;
  EdgeTable edges_;
  CutPool pool_;
  Relaxation lp_;
  CutEngineStatistics stats_;
  std::vector<int> bestTour_;  // cities of the instance
  std::int64_t best_ = kNoTour;
  std::set<Node, NodeOrder> open_;
  std::vector<std::int64_t> abandoned_;
  std::int64_t evaluating_ = kNoTour;  // the bound of the node being evaluated, if any
  std::uint64_t nextId_ = 0;
  std::vector<Fixing> applied_;
  std::optional<FixedPointDuals> rootDuals_;
  __int128 rootTotal_ = 0;
  std::int64_t guidedAt_ = kNoBound;     // the global bound at the last guided tour search
  std::uint64_t nextGuidedNode_ = 2;     // the node count of the next scheduled tour search
  std::uint64_t pacedFrom_ = 0;          // simplex iterations at the last paced tour search
  std::uint64_t nextPaced_ = 0;          // and at the next one (0: not yet counted)
  std::int64_t fixedAgainst_ = kNoTour;  // the best length the root fixing last used
  std::size_t retireAbove_ = 0;          // pooled cities that start the next retiring
  BranchingHistory branchingHistory_;
  LocalCutMemory localCutMemory_;
  std::vector<std::string> witnessViolations_;
  std::vector<char> witnessEdge_;  // by edge number, when a witness is given
  std::int64_t witnessLength_ = kNoTour;
};

LpStatus BranchAndCutRun::timedSolve(int iterationLimit) {
  const auto started = std::chrono::steady_clock::now();
  const LpStatus status = lp_.solve(iterationLimit);
  stats_.lpSeconds += secondsSince(started);
  return status;
}

std::int64_t BranchAndCutRun::globalBound() const {
  std::int64_t bound = best_;
  if (!open_.empty()) bound = std::min(bound, open_.begin()->bound);
  for (const std::int64_t b : abandoned_) bound = std::min(bound, b);
  return std::min(bound, evaluating_);
}

RunProgress BranchAndCutRun::progress() const {
  RunProgress progress;
  progress.nodes = stats_.nodes;
  if (best_ != kNoTour) progress.bestLength = best_;
  const std::int64_t bound = globalBound();
  if (bound != kNoBound && bound != kNoTour) progress.lowerBound = bound;
  progress.lpSeconds = stats_.lpSeconds;
  return progress;
}

bool BranchAndCutRun::shouldStop() {
  return control_.shouldStop(progress());
}

void BranchAndCutRun::offerTour(std::span<const int> cityTour) {
  const Instance& instance = graph_.instance();
  if (!instance.isTour(cityTour)) return;
  const std::int64_t length = instance.tourLength(cityTour);
  if (length >= best_) return;
  best_ = length;
  bestTour_.assign(cityTour.begin(), cityTour.end());
}

void BranchAndCutRun::searchTour(std::span<const int> start, double kicksPerCity,
                                 std::uint64_t seed) {
  if (!options_.searchTours) return;
  TourSearchOptions search;
  search.kicksPerCity = kicksPerCity;
  search.startTour = start;
  search.seed = seed;
  // The watcher keeps seeing this run's nodes and best tour, not the search's kicks.
  const RunProgress shown = progress();
  const RunControl::ShowProgress showRun(control_, shown);
  const TourSearchResult found = findTour(graph_.instance(), search, control_);
  offerTour(found.tour);
}

void BranchAndCutRun::keepTourSearchInPace() {
  if (options_.tourKicksPerLpIteration <= 0.0 || !options_.searchTours) return;
  const std::uint64_t done = lp_.iterations();
  if (done < nextPaced_) return;
  if (nextPaced_ != 0) {
    const double kicks = options_.tourKicksPerLpIteration * static_cast<double>(done - pacedFrom_);
    ++stats_.pacedTours;
    // Seeds of their own: the guided searches count from 1.
    searchTour(bestTour_, kicks / graph_.cities(), (std::uint64_t{1} << 32) + stats_.pacedTours);
  }
  pacedFrom_ = done;
  nextPaced_ = std::max<std::uint64_t>(2 * done, 1);
}

void BranchAndCutRun::buildRoot() {
  const int n = graph_.size();
  // Absent and pair edges of the twin form.
  if (graph_.isTwin()) {
    const int cities = graph_.cities();
    for (int b = 1; b < n; ++b) {
      for (int a = 0; a < b; ++a) {
        if (graph_.isAbsent(a, b)) edges_.set(EdgeTable::indexOf(a, b), kAbsent);
      }
    }
    for (int c = 0; c < cities; ++c) {
      edges_.set(EdgeTable::indexOf(c, c + cities), kFixedOne | kPermanent);
    }
  }
  // Every fixed edge has its column from the start.
  std::vector<std::int64_t> start;
  if (graph_.isTwin()) {
    for (int c = 0; c < graph_.cities(); ++c)
      start.push_back(EdgeTable::indexOf(c, c + graph_.cities()));
  }
  tour::SearchGraph candidates(graph_.instance());
  candidates.buildCandidates(graph_.isTwin() || graph_.instance().isExplicit() ? 8 : 6, 2);
  for (int a = 0; a < n; ++a) {
    for (int b : candidates.candidates(a)) {
      if (a != b && !graph_.isAbsent(a, b)) start.push_back(EdgeTable::indexOf(a, b));
    }
  }
  const std::vector<int> nodeTour = graph_.nodeTourOf(bestTour_);
  for (std::size_t k = 0; k < nodeTour.size(); ++k) {
    start.push_back(EdgeTable::indexOf(nodeTour[k], nodeTour[(k + 1) % nodeTour.size()]));
  }
  std::sort(start.begin(), start.end());
  start.erase(std::unique(start.begin(), start.end()), start.end());
  lp_.addEdges(start);
}

void BranchAndCutRun::applyFixings(const Node& node) {
  for (const auto& [e, flag] : applied_) {
    edges_.clearNodeFixing(e, flag);
    lp_.boundByFlags(e);
  }
  flattenFixings(node.fixings.get(), applied_);
  std::vector<std::int64_t> missing;
  for (const auto& [e, flag] : applied_) {
    edges_.set(e, flag);
    if (flag == kFixedOne && !edges_.has(e, kInLp)) missing.push_back(e);
  }
  lp_.addEdges(missing);
  for (const auto& [e, flag] : applied_) lp_.boundByFlags(e);
}

bool BranchAndCutRun::lpPointIsTour(const SupportGraph& point, std::vector<int>& nodeTour) const {
  const int n = graph_.size();
  std::vector<std::array<int, 2>> link(static_cast<std::size_t>(n), {-1, -1});
  for (std::size_t e = 0; e < point.x.size(); ++e) {
    if (point.x[e] < kIntegral) continue;
    if (point.x[e] < 1.0 - kIntegral) return false;
    for (const auto& [a, b] :
         {std::pair{point.u[e], point.v[e]}, std::pair{point.v[e], point.u[e]}}) {
      auto& l = link[static_cast<std::size_t>(a)];
      if (l[0] < 0) {
        l[0] = b;
      } else if (l[1] < 0) {
        l[1] = b;
      } else {
        return false;
      }
    }
  }
  nodeTour.clear();
  std::vector<char> visited(static_cast<std::size_t>(n), 0);
  int previous = -1, at = 0;
  for (int k = 0; k < n; ++k) {
    const auto& l = link[static_cast<std::size_t>(at)];
    if (l[0] < 0 || l[1] < 0 || visited[static_cast<std::size_t>(at)]) return false;
    visited[static_cast<std::size_t>(at)] = 1;
    nodeTour.push_back(at);
    const int step = l[0] != previous ? l[0] : l[1];
    previous = at;
    at = step;
  }
  return at == 0;
}

// An infeasible LP: a certificate that proves it in whole numbers prunes the node; one that
// names edges outside the LP that could mend the rows has them added (retry). The LP library's
// ray is tried first, the phase-one duals after it.
BranchAndCutRun::Outcome BranchAndCutRun::settleInfeasible(Node& node, bool& retry) {
  retry = false;
  std::vector<FixedPointDuals> certificates = lp_.rayCertificates();
  for (std::size_t k = 0; k <= certificates.size(); ++k) {
    if (k == certificates.size()) {
      std::optional<FixedPointDuals> phaseOne = lp_.phaseOneCertificate();
      if (!phaseOne) break;
      certificates.push_back(std::move(*phaseOne));
    }
    const LagrangianBound proof =
        lagrangianBound(graph_, edges_, pool_, certificates[k], true, std::max(50, graph_.size()));
    if (proof.scaledTotal > 0) {
      node.bound = kNoTour;  // no tour at all in this node
      checkWitnessBound(node);
      return Outcome::Pruned;
    }
    if (!proof.negative.empty()) {
      lp_.addEdges(proof.negative);
      stats_.pricedEdges += proof.negative.size();
      retry = true;
      return Outcome::Abandoned;
    }
  }
  return Outcome::Abandoned;
}

BranchAndCutRun::Outcome BranchAndCutRun::evaluate(Node& node) {
  applyFixings(node);
  checkFlags();
  // The parent's final basis: one bound away from optimal for this node.
  if (node.warmStart) lp_.startFrom(*node.warmStart);
  ++stats_.nodes;
  stats_.maxDepth = std::max(stats_.maxDepth, node.depth);
  const int n = graph_.size();
  const int cutLimit = std::max(20, n / 4);
  const int priceLimit = std::max(50, n / 2);
  std::vector<double> history;
  // Local cuts at the root, once it is ready to branch: its cuts, pricing and tour searches done,
  // so that the gap they are measured by is the one branching would face. Then in every round
  // in which the other separators find nothing, until they stop paying.
  bool localPending = options_.localCuts && node.depth == 0;
  bool tryLocalCuts = false;
  int localRegion = kLocalRegion;
  std::vector<double> localHistory;
  while (true) {
    if (shouldStop()) return Outcome::Stopped;
    const LpStatus status = timedSolve();
    if (status == LpStatus::Infeasible) {
      bool retry = false;
      const Outcome outcome = settleInfeasible(node, retry);
      if (retry) continue;
      return outcome;
    }
    if (status != LpStatus::Optimal) return Outcome::Abandoned;
    // Every solve ages the cut rows, so that rows slack twice in a row leave: the LP stays close
    // to its tight rows, which keeps each solve and each strong-branching trial cheap (ts225's
    // LP held four to six cut rows per city when only cutting rounds aged them). A slack row's
    // dual is 0: the duals read below lose nothing.
    lp_.ageAndDropCuts(kCutMaxAge);
    history.push_back(lp_.objective());
    if (node.branchEdge >= 0) {
      branchingHistory_.recordSide(node.branchEdge, node.branchX, node.branchOne,
                                   lp_.objective() - node.parentObjective);
      node.branchEdge = -1;
    }
    // An LP within 1 of the best tour may already prove the node can hold nothing shorter: its
    // proven bound is taken now rather than after rounds that could only raise the LP further
    // (pruned nodes of pr1002 spent up to 29 rounds past that point).
    if (best_ != kNoTour && lp_.objective() > static_cast<double>(best_) - 1.0) {
      const LagrangianBound priced = priceAndBound(node, lp_.duals(), priceLimit);
      if (node.bound >= best_) return Outcome::Pruned;
      if (!priced.negative.empty()) {
        addPricedEdges(priced);
        history.clear();
        continue;
      }
    }
    const SupportGraph point = lp_.support();
    const std::size_t rounds = history.size();
    const bool tailing =
        rounds > kTailRounds && history[rounds - 1] - history[rounds - 1 - kTailRounds] <
                                    kTailShare * std::max(1.0, std::abs(history[rounds - 1]));
    {
      // Once the rounds stop paying, only subtour cuts are looked for: a point that violates
      // none of them and is integral is a tour.
      SeparationCounts counts;
      const int firstNew = pool_.size();
      const std::vector<int> cuts = findViolatedCuts(
          point, pool_, lp_, cutLimit, tailing, tryLocalCuts ? &localCutMemory_ : nullptr,
          localRegion, options_.shrunkLocalRegions && !graph_.isTwin(), counts, nullptr);
      for (std::size_t f = 0; f < counts.found.size(); ++f) stats_.cutsFound[f] += counts.found[f];
      stats_.cutsFromPool += counts.fromPool;
      checkNewCuts(firstNew);
      if (counts.localTried) {
        stats_.largestLocalRegion = std::max(stats_.largestLocalRegion, localRegion);
        const bool found = counts.found[static_cast<std::size_t>(CutFamily::Local)] > 0;
        // New cuts of another kind: the rounds may pay again.
        if (found) history.clear();
        localHistory.push_back(lp_.objective());
        const std::size_t looks = localHistory.size();
        const bool stalled =
            looks > kTailRounds &&
            localHistory[looks - 1] - localHistory[looks - 1 - kTailRounds] <
                kLocalTailShare * (static_cast<double>(best_) - localHistory[looks - 1]);
        tryLocalCuts = found && !stalled;
        // Regions of one node more while the gap stays wide: they see more of the point, and
        // their cuts are facets of a larger piece of the tour polytope.
        if (!tryLocalCuts && localRegion < options_.largestLocalRegion && wideGap()) {
          ++localRegion;
          localHistory.clear();
          tryLocalCuts = true;
        }
      }
      if (!cuts.empty()) {
        ++stats_.cutRounds;
        lp_.addCuts(cuts);
        continue;
      }
    }
    // No cut (or no progress): price every edge; the same scan is the node's proven bound.
    const FixedPointDuals duals = lp_.duals();
    const LagrangianBound priced = priceAndBound(node, duals, priceLimit);
    if (node.bound >= best_) return Outcome::Pruned;
    if (!priced.negative.empty()) {
      addPricedEdges(priced);
      history.clear();
      continue;
    }
    std::vector<int> nodeTour;
    if (lpPointIsTour(point, nodeTour)) {
      offerTour(graph_.cityTourOf(nodeTour));
      if (node.bound >= best_) return Outcome::Pruned;
    }
    if (node.depth == 0) {
      rootDuals_ = duals;
      rootTotal_ = priced.scaledTotal;
    }
    // A tour search from the LP point whenever the proven bound has moved since the last one,
    // and at the 2nd, 4th, 8th, ... node: a bound that already meets the optimum never moves,
    // and only a better tour ends such a search.
    const std::int64_t bound = globalBound();
    if (bound > guidedAt_ || stats_.nodes >= nextGuidedNode_) {
      guidedAt_ = std::max(guidedAt_, bound);
      while (nextGuidedNode_ <= stats_.nodes) nextGuidedNode_ *= 2;
      ++stats_.guidedTours;
      searchTour(lpGuidedStart(graph_, point), options_.guidedTourKicksPerCity,
                 1 + stats_.guidedTours);
      if (node.bound >= best_) return Outcome::Pruned;
    }
    if (node.depth > 0) {
      keepTourSearchInPace();
      if (node.bound >= best_) return Outcome::Pruned;
    }
    // New fixings change the LP: solve it again before branching on it.
    if (fixAtRoot()) continue;
    if (node.depth > 0 && fixAtNode(node, duals, priced.scaledTotal)) continue;
    if (localPending) {
      localPending = false;
      if (wideGap()) {
        tryLocalCuts = true;
        continue;
      }
    }
    return Outcome::Branched;
  }
}

// Prices every edge against the duals: the scan is also the node's proven bound, which it raises
// (never lowers); returns the edges priced out, for the LP.
LagrangianBound BranchAndCutRun::priceAndBound(Node& node, const FixedPointDuals& duals,
                                               int priceLimit) {
  LagrangianBound priced = lagrangianBound(graph_, edges_, pool_, duals, false, priceLimit);
  node.bound = std::max(node.bound, priced.bound);
  checkWitnessBound(node);
  evaluating_ = node.bound;
  if (node.depth == 0) stats_.rootBound = node.bound;
  return priced;
}

void BranchAndCutRun::addPricedEdges(const LagrangianBound& priced) {
  lp_.addEdges(priced.negative);
  stats_.pricedEdges += priced.negative.size();
}

bool BranchAndCutRun::fixAtRoot() {
  if (!rootDuals_ || best_ == kNoTour || best_ == fixedAgainst_) return false;
  fixedAgainst_ = best_;
  rootDuals_->cut.resize(static_cast<std::size_t>(pool_.size()), 0);
  const FixingResult fixing =
      reducedCostFixing(graph_, edges_, pool_, *rootDuals_, rootTotal_, best_, true);
  for (const std::int64_t e : fixing.toZero) {
    if (!witnessEdge_.empty() && witnessEdge_[static_cast<std::size_t>(e)] &&
        witnessLength_ < best_) {
      witnessFault("an edge of the known optimal tour was eliminated");
    }
    edges_.set(e, kEliminated);
    lp_.boundByFlags(e);
  }
  for (const std::int64_t e : fixing.toOne) {
    if (!witnessEdge_.empty() && !witnessEdge_[static_cast<std::size_t>(e)] &&
        witnessLength_ < best_) {
      witnessFault("an edge outside the known optimal tour was fixed to one");
    }
    edges_.set(e, kFixedOne | kPermanent);
    lp_.boundByFlags(e);
  }
  stats_.eliminatedEdges += fixing.toZero.size();
  // Columns of eliminated edges leave the LP for good.
  std::vector<std::int64_t> doomed;
  for (const std::int64_t e : fixing.toZero) {
    if (edges_.has(e, kInLp)) doomed.push_back(e);
  }
  lp_.removeEdges(doomed);
  return !fixing.toZero.empty() || !fixing.toOne.empty();
}

// Reduced-cost fixing at a node: its fixings hold for its whole subtree, so they join the node's
// own and pass to its children. True when an edge was fixed to one (the LP point changes).
bool BranchAndCutRun::fixAtNode(Node& node, const FixedPointDuals& duals, __int128 scaledTotal) {
  if (best_ == kNoTour) return false;
  const FixingResult fixing =
      reducedCostFixing(graph_, edges_, pool_, duals, scaledTotal, best_, true);
  const bool witnessShorter = !witnessEdge_.empty() && witnessLength_ < best_;
  for (const auto& [list, flag] :
       {std::pair{&fixing.toZero, kFixedZero}, std::pair{&fixing.toOne, kFixedOne}}) {
    for (const std::int64_t e : *list) {
      if (witnessShorter && holdsWitness(node) &&
          (witnessEdge_[static_cast<std::size_t>(e)] != 0) != (flag == kFixedOne)) {
        witnessFault("a node's reduced-cost fixing excluded the known optimal tour");
      }
      edges_.set(e, flag);
      lp_.boundByFlags(e);
      node.fixings->own.emplace_back(e, flag);
    }
  }
  flattenFixings(node.fixings.get(), applied_);
  return !fixing.toOne.empty();
}

void BranchAndCutRun::branch(const Node& node) {
  BranchingRules rules;
  rules.candidates = options_.strongBranchingCandidates;
  rules.iterations = options_.strongBranchingIterations;
  rules.reliable = options_.strongBranchingReliability;
  rules.lookahead = options_.strongBranchingLookahead;
  const BranchChoice choice = chooseBranchEdge(lp_, edges_, rules, branchingHistory_);
  if (choice.edge < 0) {
    abandoned_.push_back(node.bound);
    ++stats_.abandonedNodes;
    return;
  }
  const auto start = std::make_shared<const Relaxation::WarmStart>(lp_.warmStart());
  const double parentObjective = lp_.objective();
  for (const auto& [flag, estimate] :
       {std::pair{kFixedZero, choice.zeroObjective}, std::pair{kFixedOne, choice.oneObjective}}) {
    Node child;
    child.id = ++nextId_;
    child.bound = node.bound;
    child.estimate = estimate;
    child.depth = node.depth + 1;
    child.fixings =
        std::make_shared<FixingChain>(FixingChain{node.fixings, {Fixing{choice.edge, flag}}});
    child.warmStart = start;
    child.branchEdge = choice.edge;
    child.branchX = choice.x;
    child.parentObjective = parentObjective;
    child.branchOne = flag == kFixedOne;
    open_.insert(std::move(child));
  }
}

// Between nodes, once the pool holds more cities than its budget: the cuts unused for longest
// (oldest use stamp first, then lowest id) go until it holds half of it. Kept are the cuts the
// LP holds, those an open node's warm start names (its start brings them back) and those with a
// root dual (the root's fixing prices edges with them). When the kept cuts alone stay above the
// budget, the next pass waits until the pool has grown by half a budget again.
void BranchAndCutRun::retireIdleCuts() {
  const std::size_t budget = options_.poolCityBudget;
  retireAbove_ = std::max(retireAbove_, budget);
  if (pool_.pooledCities() <= retireAbove_) return;
  std::vector<char> kept(static_cast<std::size_t>(pool_.size()), 0);
  for (int id = 0; id < pool_.size(); ++id) kept[static_cast<std::size_t>(id)] = lp_.inLp(id);
  if (rootDuals_) {
    for (std::size_t id = 0; id < rootDuals_->cut.size(); ++id) {
      if (rootDuals_->cut[id] != 0) kept[id] = 1;
    }
  }
  for (const Node& node : open_) {
    if (!node.warmStart) continue;
    for (const auto& [id, status] : node.warmStart->cutRows) kept[static_cast<std::size_t>(id)] = 1;
  }
  std::vector<std::pair<std::uint64_t, int>> idle;  // (last use, id)
  for (int id = 0; id < pool_.size(); ++id) {
    if (!kept[static_cast<std::size_t>(id)] && !pool_.retired(id)) {
      idle.emplace_back(pool_.lastUse(id), id);
    }
  }
  std::sort(idle.begin(), idle.end());
  std::size_t cities = pool_.pooledCities();
  std::vector<int> doomed;
  for (const auto& [lastUse, id] : idle) {
    if (cities <= budget / 2) break;
    for (const auto& set : pool_[id].sets) cities -= set.size();
    doomed.push_back(id);
  }
  pool_.retire(doomed);
  stats_.retiredCuts += doomed.size();
  retireAbove_ = std::max(budget, pool_.pooledCities() + budget / 2);
}

// With a witness given: every edge is fixed at the node exactly as its fixings from the root
// down say, or for the whole run (a permanent fixing to one).
void BranchAndCutRun::checkFlags() {
  if (witnessEdge_.empty()) return;
  std::vector<std::uint8_t> expected(static_cast<std::size_t>(edges_.size()), 0);
  for (const auto& [e, flag] : applied_) expected[static_cast<std::size_t>(e)] |= flag;
  for (std::int64_t e = 0; e < edges_.size(); ++e) {
    std::uint8_t want = expected[static_cast<std::size_t>(e)];
    if (edges_.has(e, kPermanent)) want |= kFixedOne;
    if ((edges_.flags(e) & (kFixedZero | kFixedOne)) != want) {
      witnessFault("an edge's fixing disagrees with the node's fixings");
      return;
    }
  }
}

bool BranchAndCutRun::holdsWitness(const Node& node) const {
  if (witnessEdge_.empty()) return false;
  std::vector<Fixing> fixings;
  flattenFixings(node.fixings.get(), fixings);
  for (const auto& [e, flag] : fixings) {
    const bool inTour = witnessEdge_[static_cast<std::size_t>(e)] != 0;
    if (inTour != (flag == kFixedOne)) return false;
  }
  return true;
}

// A node holding the known optimal tour, while that tour is shorter than the best in hand, has
// a bound at most its length (once the best tour is as short, the search may drop it).
void BranchAndCutRun::checkWitnessBound(const Node& node) {
  if (holdsWitness(node) && witnessLength_ < best_ && node.bound > witnessLength_) {
    witnessFault("a node holding the known optimal tour got a bound above its length");
  }
}

void BranchAndCutRun::checkNewCuts(int firstNewId) {
  if (witnessEdge_.empty()) return;
  const std::vector<int> nodeTour = graph_.nodeTourOf(options_.witnessTour);
  std::vector<char> in(static_cast<std::size_t>(graph_.size()), 0);
  for (int id = firstNewId; id < pool_.size(); ++id) {
    const CitySetCut& cut = pool_[id];
    std::int64_t crossings = 0;
    for (std::size_t s = 0; s < cut.sets.size(); ++s) {
      const auto& set = cut.sets[s];
      for (int c : set) in[static_cast<std::size_t>(c)] = 1;
      for (std::size_t k = 0; k < nodeTour.size(); ++k) {
        crossings +=
            cut.weight(s) * (in[static_cast<std::size_t>(nodeTour[k])] !=
                             in[static_cast<std::size_t>(nodeTour[(k + 1) % nodeTour.size()])]);
      }
      for (int c : set) in[static_cast<std::size_t>(c)] = 0;
    }
    if (crossings < cut.rhs) witnessFault("a cut cuts off the known optimal tour");
  }
}

void BranchAndCutRun::witnessFault(std::string what) {
  if (witnessViolations_.size() < 20) witnessViolations_.push_back(std::move(what));
}

CutEngineResult BranchAndCutRun::run() {
  CutEngineResult result;
  const Instance& instance = graph_.instance();
  if (!options_.witnessTour.empty() && instance.isTour(options_.witnessTour)) {
    witnessLength_ = instance.tourLength(options_.witnessTour);
    witnessEdge_.assign(static_cast<std::size_t>(edges_.size()), 0);
    const std::vector<int> nodeTour = graph_.nodeTourOf(options_.witnessTour);
    for (std::size_t k = 0; k < nodeTour.size(); ++k) {
      witnessEdge_[static_cast<std::size_t>(
          EdgeTable::indexOf(nodeTour[k], nodeTour[(k + 1) % nodeTour.size()]))] = 1;
    }
  }
  std::string failure;
  const auto started = std::chrono::steady_clock::now();
  auto searchStarted = started;
  try {
    offerTour(options_.startTour);
    if (best_ != kNoTour) stats_.initialLength = best_;
    searchTour(bestTour_, options_.firstTourKicksPerCity, 1);
    if (best_ != kNoTour) {
      stats_.improvedLength = best_;
      if (!stats_.initialLength) stats_.initialLength = best_;
    }
    stats_.firstTourSeconds = secondsSince(started);
    searchStarted = std::chrono::steady_clock::now();
    buildRoot();
    Node root;
    root.id = nextId_;
    open_.insert(root);
    while (!open_.empty()) {
      Node node = open_.extract(open_.begin()).value();
      if (node.bound >= best_) continue;
      evaluating_ = node.bound;
      const Outcome outcome = evaluate(node);
      evaluating_ = kNoTour;
      if (outcome == Outcome::Stopped) {
        open_.insert(std::move(node));
        break;
      }
      if (outcome == Outcome::Abandoned) {
        abandoned_.push_back(node.bound);
        ++stats_.abandonedNodes;
      } else if (outcome == Outcome::Branched) {
        branch(node);
      }
      retireIdleCuts();
    }
  } catch (const std::bad_alloc&) {
    control_.stopFor(StopReason::OutOfMemory);
  } catch (...) {
    failure = "the LP solver failed";
  }
  // A node cut short by a failure keeps its bound in the result.
  if (evaluating_ != kNoTour) abandoned_.push_back(evaluating_);
  evaluating_ = kNoTour;
  stats_.lpIterations = lp_.iterations();
  stats_.searchSeconds = secondsSince(searchStarted);
  result.statistics = stats_;
  result.witnessViolations = witnessViolations_;
  result.stopReason = control_.reason();
  if (bestTour_.empty()) return result;
  result.tour = bestTour_;
  result.length = best_;
  const std::int64_t bound = globalBound();
  if (bound != kNoBound) result.lowerBound = std::min(bound, best_);
  result.optimal = failure.empty() && result.lowerBound && *result.lowerBound >= best_;
  if (!result.optimal && result.stopReason == StopReason::None) {
    result.reason = !failure.empty() ? failure
                                     : std::to_string(stats_.abandonedNodes) +
                                           " nodes could not be settled by the LP solver";
  }
  return result;
}

}  // namespace

CutEngineResult solveByBranchAndCut(const Instance& instance, const CutEngineOptions& options,
                                    RunControl& control) {
  CutEngineResult result;
  try {
    const auto started = std::chrono::steady_clock::now();
    BranchAndCutRun run(instance, options, control);
    const double setup = secondsSince(started);
    result = run.run();
    result.statistics.setupSeconds = setup;
    return result;
  } catch (const std::bad_alloc&) {
    control.stopFor(StopReason::OutOfMemory);
    result.stopReason = StopReason::OutOfMemory;
  }
  return result;
}

}  // namespace ringmarch::cut
