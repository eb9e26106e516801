// Lagrangian tree bound: the tree bound's structure (a spanning tree of the open cities plus the
// current city's outgoing and the first city's incoming arc, lagrangian_tree.h) under city
// penalties, tightened by subgradient ascent: a city of degree above 2 in the lightest structure
// is made dearer, one of degree 1 cheaper, with Polyak's step towards the budget. The first
// level starts from no penalties and runs a long ascent; a deeper node starts from its parent's
// penalties and runs a few steps. The ascent stops as soon as the bound reaches the budget.
//
// Reads the node's candidate edges, the path and the parent's penalties; writes the node's
// penalties, its bound and the per-child bounds that candidateCity tests (a completion whose first
// arc is L -> j), and leaves the final tree in the solve's LagrangianTree for
// eliminateByReducedCost. False: the bound reached the budget, or the open cities cannot be joined
// through candidate edges; no tour strictly shorter than the best one passes through the node.
#include "solver/lagrangian_tree.h"

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

// Penalties stay inside this range, so no weight or sum can overflow: distances are below 2^31
// and scaled to below 2^39, a penalised edge stays below 2^52, a tree of 126 of them below 2^59.
constexpr Cost kPenaltyLimit = Cost{1} << 50;
constexpr Cost kStepUnit = 16;  // the step factor lambda is counted in sixteenths
// The step's distance to the target is capped here, so that lambda (at most 2^5) times it times a
// degree excess (below 2^7) stays below 2^56. Real gaps are below 2^40 (a scaled budget is below
// 2^39); only a bound far below zero, after penalties near their limit, would reach the cap.
constexpr Cost kGapLimit = Cost{1} << 44;

struct AscentPlan {
  std::int32_t iterations;
  Cost lambda;            // sixteenths
  std::int32_t patience;  // steps without a better bound before lambda halves
};

// The first level starts from no penalties; a second pass over the same node (after the
// elimination has thinned its edges, so each step is cheap) goes on from where the first ended
// with more patience; a deeper node starts from its parent's penalties and takes a few steps.
AscentPlan planFor(const SearchNode& node, std::int32_t open) {
  if (node.hasPenalties) return AscentPlan{50 + 100 * open, kStepUnit, 20 + 2 * open};
  if (node.parent == nullptr || !node.parent->hasPenalties) {
    return AscentPlan{50 + 30 * open, 2 * kStepUnit, 20 + open};
  }
  return AscentPlan{10, kStepUnit, 3};
}

// Fills the compact city list and the scaled edge weights of the node's open cities.
void collectStructure(const SearchContext& context, const SearchNode& node, LagrangianTree& t) {
  const TourRecord& path = *node.path;
  const std::int32_t n = context.state.cityCount;
  const auto& d = context.state.distance;
  std::int32_t k = 0;
  for (std::int32_t c = 0; c < n; ++c) {
    if (path.position[c] < 0) {
      t.index[c] = k;
      t.city[k++] = c;
    } else {
      t.index[c] = -1;
    }
  }
  t.size = k;
  for (std::int32_t a = 0; a < k; ++a) {
    t.outWeight[a] = kNoEdge;
    t.inWeight[a] = kNoEdge;
  }
  std::int32_t edges = 0;
  for (std::int32_t a = 0; a < k; ++a) {
    const std::int32_t c = t.city[a];
    const CityCandidates& entry = *node.entryOfCity[c];
    t.firstEdge[a] = edges;
    for (std::int32_t e = 0; e < entry.edgeCount; ++e) {
      const std::int32_t b = t.index[entry.edges[e].city];
      if (b < 0) continue;
      t.other[edges] = b;
      t.weight[edges] = kPenaltyScale * d[c][entry.edges[e].city];
      ++edges;
    }
  }
  t.firstEdge[k] = edges;
  const std::int32_t L = path.currentCity;
  const std::int32_t F = path.firstCity;
  const CityCandidates& last = *node.entryOfCity[L];
  for (std::int32_t e = 0; e < last.edgeCount; ++e) {
    const std::int32_t b = t.index[last.edges[e].city];
    if (b >= 0 && (last.edges[e].dirs & kOutgoing)) {
      t.outWeight[b] = kPenaltyScale * d[L][last.edges[e].city];
    }
  }
  const CityCandidates& first = *node.entryOfCity[F];
  for (std::int32_t e = 0; e < first.edgeCount; ++e) {
    const std::int32_t b = t.index[first.edges[e].city];
    if (b >= 0 && (first.edges[e].dirs & kIncoming)) {
      t.inWeight[b] = kPenaltyScale * d[first.edges[e].city][F];
    }
  }
}

// Best and second best of one side's end arcs under the penalties.
void chooseEnds(const Cost* weights, const Cost* penalty, std::int32_t k, std::int32_t* choice,
                Cost* value) {
  choice[0] = choice[1] = -1;
  value[0] = value[1] = kNoEdge;
  for (std::int32_t a = 0; a < k; ++a) {
    if (weights[a] >= kNoEdge) continue;
    const Cost v = weights[a] + penalty[a];
    if (v < value[0]) {
      choice[1] = choice[0];
      value[1] = value[0];
      choice[0] = a;
      value[0] = v;
    } else if (v < value[1]) {
      choice[1] = a;
      value[1] = v;
    }
  }
}

// Lightest structure under t.penalty: fills degree, treeParent, joinOrder (and maxOnPath when
// asked), treeWeight, penaltySum, the end choices and bound. False when the open cities cannot be
// spanned or an end has no arc.
bool lightestStructure(LagrangianTree& t, bool withPaths) {
  const std::int32_t k = t.size;
  const Cost* penalty = t.penalty;
  // The cities not yet joined, with their keys side by side so that the search for the lightest
  // key runs over one short array; slotOf finds a city's place in it.
  std::int32_t waiting[kRowCount];
  Cost key[kRowCount];
  std::int32_t slotOf[kRowCount];
  std::int32_t from[kRowCount];
  Cost penaltySum = 0;
  for (std::int32_t b = 0; b < k; ++b) {
    penaltySum += penalty[b];
    t.degree[b] = 0;
  }
  for (std::int32_t s = 0; s + 1 < k; ++s) {
    waiting[s] = s + 1;
    key[s] = kNoEdge;
    slotOf[s + 1] = s;
  }
  slotOf[0] = -1;
  std::int32_t waitingCount = k - 1;
  // Offers the edges of a city that just joined to the waiting cities.
  const auto offerEdges = [&](std::int32_t joined) {
    const Cost base = penalty[joined];
    for (std::int32_t e = t.firstEdge[joined]; e < t.firstEdge[joined + 1]; ++e) {
      const std::int32_t b = t.other[e];
      const std::int32_t slot = slotOf[b];
      if (slot < 0) continue;
      const Cost candidate = t.weight[e] + base + penalty[b];
      if (candidate < key[slot]) {
        key[slot] = candidate;
        from[b] = joined;
      }
    }
  };
  t.treeParent[0] = -1;
  t.joinOrder[0] = 0;
  if (withPaths) t.maxOnPath[0][0] = 0;
  offerEdges(0);
  Cost total = 0;
  for (std::int32_t step = 1; step < k; ++step) {
    std::int32_t best = 0;
    for (std::int32_t s = 1; s < waitingCount; ++s) {
      if (key[s] < key[best]) best = s;
    }
    // Keys of cities without an edge to the tree stay far above this, whatever the penalties.
    if (key[best] >= kNoEdge / 2) return false;
    const std::int32_t next = waiting[best];
    const Cost edge = key[best];
    waitingCount -= 1;
    waiting[best] = waiting[waitingCount];
    key[best] = key[waitingCount];
    slotOf[waiting[best]] = best;
    slotOf[next] = -1;
    const std::int32_t parent = from[next];
    t.treeParent[next] = parent;
    t.degree[next] += 1;
    t.degree[parent] += 1;
    total += edge;
    if (withPaths) {
      Cost* row = t.maxOnPath[next];
      const Cost* parentRow = t.maxOnPath[parent];
      for (std::int32_t q = 0; q < step; ++q) {
        const std::int32_t u = t.joinOrder[q];
        const Cost m = u == parent || parentRow[u] < edge ? edge : parentRow[u];
        row[u] = m;
        t.maxOnPath[u][next] = m;
      }
      row[next] = 0;
    }
    t.joinOrder[step] = next;
    offerEdges(next);
  }
  chooseEnds(t.outWeight, penalty, k, t.outChoice, t.outValue);
  chooseEnds(t.inWeight, penalty, k, t.inChoice, t.inValue);
  if (t.outChoice[0] < 0 || t.inChoice[0] < 0) return false;
  std::int32_t outCity = t.outChoice[0];
  std::int32_t inCity = t.inChoice[0];
  Cost ends = t.outValue[0] + t.inValue[0];
  if (outCity == inCity) {
    // A completion through two or more open cities leaves L and enters F through different ones.
    const Cost keepOut = t.outValue[0] + t.inValue[1];
    const Cost keepIn = t.outValue[1] + t.inValue[0];
    if (keepOut >= kNoEdge && keepIn >= kNoEdge) return false;
    if (keepOut <= keepIn) {
      inCity = t.inChoice[1];
      ends = keepOut;
    } else {
      outCity = t.outChoice[1];
      ends = keepIn;
    }
  }
  t.degree[outCity] += 1;
  t.degree[inCity] += 1;
  t.treeWeight = total;
  t.penaltySum = penaltySum;
  t.bound = total + ends - 2 * penaltySum;
  return true;
}

Cost clampPenalty(Cost p) {
  return p > kPenaltyLimit ? kPenaltyLimit : (p < -kPenaltyLimit ? -kPenaltyLimit : p);
}

}  // namespace

Cost endArcsWithOut(const LagrangianTree& t, std::int32_t a) {
  if (t.outWeight[a] >= kNoEdge) return kNoEdge;
  const Cost out = t.outWeight[a] + t.penalty[a];
  const Cost in = t.inChoice[0] != a ? t.inValue[0] : t.inValue[1];
  return in >= kNoEdge ? kNoEdge : out + in;
}

Cost endArcsWithIn(const LagrangianTree& t, std::int32_t a) {
  if (t.inWeight[a] >= kNoEdge) return kNoEdge;
  const Cost in = t.inWeight[a] + t.penalty[a];
  const Cost out = t.outChoice[0] != a ? t.outValue[0] : t.outValue[1];
  return out >= kNoEdge ? kNoEdge : out + in;
}

bool lagrangianBoundTest(SearchContext& context, SearchNode& node) {
  LagrangianTree* scratch = context.lagrangian;
  if (scratch == nullptr || !context.options.fullChain || !context.options.chain.lagrangianBound)
    return true;
  if (node.currentEntry == nullptr) return true;
  const TourRecord& path = *node.path;
  const std::int32_t open = context.state.cityCount - path.count;
  if (open <= 3) return true;

  LagrangianTree& t = *scratch;
  t.node = nullptr;
  collectStructure(context, node, t);
  const std::int32_t k = t.size;
  const Cost* start = node.hasPenalties                                     ? node.penalty
                      : node.parent != nullptr && node.parent->hasPenalties ? node.parent->penalty
                                                                            : nullptr;
  for (std::int32_t a = 0; a < k; ++a) t.penalty[a] = start != nullptr ? start[t.city[a]] : 0;

  const Cost budget = budgetOf(context, node);
  // The bound prunes once it rounds up to the budget: scaled, once it exceeds this.
  const Cost limit = kPenaltyScale * (budget - 1);
  const Cost target = kPenaltyScale * budget;
  AscentPlan plan = planFor(node, open);
  node.hasPenalties = false;
  node.hasOutBounds = false;
  Cost best = -kNoEdge;
  std::int32_t sinceBetter = 0;
  // The first level's ascents are long: the monitor is asked every few dozen steps.
  const bool firstLevel = path.count == 1;
  for (std::int32_t step = 0; step < plan.iterations; ++step) {
    if (firstLevel && step % 32 == 31 && !keepSearching(context)) return false;
    if (!lightestStructure(t, false)) return false;
    if (t.bound > best) {
      best = t.bound;
      for (std::int32_t a = 0; a < k; ++a) t.bestPenalty[a] = t.penalty[a];
      sinceBetter = 0;
    } else if (++sinceBetter >= plan.patience) {
      plan.lambda /= 2;
      sinceBetter = 0;
      if (plan.lambda == 0) break;
    }
    if (best > limit) {
      node.lagrangianBound = unscaledBound(best);
      return false;
    }
    Cost norm = 0;
    for (std::int32_t a = 0; a < k; ++a) {
      const Cost g = t.degree[a] - 2;
      norm += g * g;
    }
    if (norm == 0) break;  // the structure is a completion: the bound is its length
    const Cost gap = target - t.bound;
    const Cost numerator = plan.lambda * (gap > kGapLimit ? kGapLimit : gap);
    const Cost denominator = kStepUnit * norm;
    bool moved = false;
    for (std::int32_t a = 0; a < k; ++a) {
      const Cost g = t.degree[a] - 2;
      if (g == 0) continue;
      const Cost change = numerator * g / denominator;
      if (change != 0) moved = true;
      t.penalty[a] = clampPenalty(t.penalty[a] + change);
    }
    if (!moved) break;
  }

  // The final structure at the best penalties: its tree and end arcs serve the per-child bounds
  // here and the reduced costs of the elimination.
  for (std::int32_t a = 0; a < k; ++a) t.penalty[a] = t.bestPenalty[a];
  const bool withPaths = context.options.chain.reducedCostElimination;
  if (!lightestStructure(t, withPaths)) return false;
  node.lagrangianBound = unscaledBound(t.bound);
  if (t.bound > limit) return false;

  // Every city gets a penalty, placed ones 0: a look-ahead probe (probe_long_arcs.cpp) evaluates
  // a path that does not extend this node's path, so its open cities include cities placed here
  // (the start city), and it starts its ascent from these penalties.
  for (std::int32_t c = 0; c < context.state.cityCount; ++c) {
    node.outBound[c] = 0;
    node.penalty[c] = 0;
  }
  for (std::int32_t a = 0; a < k; ++a) {
    node.penalty[t.city[a]] = t.penalty[a];
    const Cost ends = endArcsWithOut(t, a);
    if (ends < kNoEdge) {
      node.outBound[t.city[a]] = unscaledBound(t.treeWeight + ends - 2 * t.penaltySum);
    }
  }
  node.hasPenalties = true;
  node.hasOutBounds = true;
  t.node = &node;
  return true;
}

}  // namespace ringmarch
