// The order of the separators and the pool check. The pool is scanned whole: its cuts are city
// sets, so their activity is a walk over the support edges at the sets' cities.
#include "cut/separation.h"

#include <algorithm>

#include "cut/blossom_separation.h"
#include "cut/comb_separation.h"
#include "cut/comb_tightening.h"
#include "cut/exact_blossom_separation.h"
#include "cut/local_cut_separation.h"
#include "cut/subtour_separation.h"

namespace ringmarch::cut {
namespace {

// Combs whose slack on the point is below this are tightened: those the LP holds with equality,
// and pooled ones almost met.
constexpr double kTighteningSlack = 0.5;

}  // namespace

SupportAdjacency::SupportAdjacency(const SupportGraph& graph)
    : start_(static_cast<std::size_t>(graph.n) + 1, 0),
      neighbours_(2 * graph.x.size()),
      mark_(static_cast<std::size_t>(graph.n), 0) {
  for (std::size_t e = 0; e < graph.x.size(); ++e) {
    ++start_[static_cast<std::size_t>(graph.u[e]) + 1];
    ++start_[static_cast<std::size_t>(graph.v[e]) + 1];
  }
  for (int c = 0; c < graph.n; ++c) start_[c + 1] += start_[c];
  std::vector<int> fill(start_.begin(), start_.end() - 1);
  for (std::size_t e = 0; e < graph.x.size(); ++e) {
    const int a = graph.u[e], b = graph.v[e];
    neighbours_[static_cast<std::size_t>(fill[a]++)] = {b, graph.x[e]};
    neighbours_[static_cast<std::size_t>(fill[b]++)] = {a, graph.x[e]};
  }
}

void SupportAdjacency::addCrossing(std::span<const int> set, double& sum) {
  ++generation_;
  for (int c : set) mark_[static_cast<std::size_t>(c)] = generation_;
  for (int c : set) {
    const Neighbour* const end = neighbours_.data() + start_[c + 1];
    for (const Neighbour* k = neighbours_.data() + start_[c]; k != end; ++k) {
      if (mark_[static_cast<std::size_t>(k->other)] != generation_) sum += k->value;
    }
  }
}

template <class SetOf>
double SupportAdjacency::activityOf(const CitySetCut& cut, SetOf setOf) {
  double total = 0.0;
  for (std::size_t s = 0; s < cut.sets.size(); ++s) {
    // Unweighted sets add straight into the total: the same sums, to the last bit, whatever the
    // cut's kind.
    if (cut.weights.empty()) {
      addCrossing(setOf(s), total);
    } else {
      double crossing = 0.0;
      addCrossing(setOf(s), crossing);
      total += cut.weight(s) * crossing;
    }
  }
  return total;
}

double SupportAdjacency::activity(const CitySetCut& cut) {
  return activityOf(cut, [&](std::size_t s) { return std::span<const int>(cut.sets[s]); });
}

double SupportAdjacency::activity(const CutPool& pool, int id) {
  return activityOf(pool[id], [&](std::size_t s) { return pool.cities(id, static_cast<int>(s)); });
}

std::vector<int> findViolatedCuts(const SupportGraph& graph, CutPool& pool, const Relaxation& lp,
                                  int limit, bool subtoursOnly, LocalCutMemory* localCuts,
                                  int localRegion, bool shrinkPaths, SeparationCounts& counts,
                                  double* minimumCut) {
  SupportAdjacency adjacency(graph);
  std::vector<int> chosen;
  std::vector<std::pair<double, int>> pooled;       // (-violation, id)
  std::vector<std::pair<double, int>> nearlyTight;  // (slack, id) of combs, those in the LP too
  pool.beginRound();
  for (int id = 0; id < pool.size(); ++id) {
    if (pool.retired(id)) continue;
    const bool comb = isComb(pool[id].family);
    const bool inLp = lp.inLp(id);
    if (inLp) pool.markUsed(id);
    if ((inLp && !comb) || (subtoursOnly && comb)) continue;
    const double slack = adjacency.activity(pool, id) - pool[id].rhs;
    if (!inLp && -slack >= kMinimumViolation) pooled.emplace_back(slack, id);
    if (comb && slack < kTighteningSlack) nearlyTight.emplace_back(slack, id);
  }
  std::sort(pooled.begin(), pooled.end());
  for (const auto& [negative, id] : pooled) {
    if (static_cast<int>(chosen.size()) >= limit) break;
    chosen.push_back(id);
    pool.markUsed(id);
    ++counts.fromPool;
  }
  // Enough pooled cuts make a round by themselves: the separators wait for the next point.
  if (static_cast<int>(chosen.size()) >= limit) return chosen;

  // New cuts, pooled; kept only when violated enough.
  auto take = [&](std::vector<CitySetCut> found) {
    for (auto& cut : found) {
      if (static_cast<int>(chosen.size()) >= limit) return;
      if (cut.rhs - adjacency.activity(cut) < kMinimumViolation) continue;
      const CutFamily family = cut.family;
      const auto [id, added] = pool.insert(std::move(cut));
      pool.markUsed(id);
      if (lp.inLp(id) || std::find(chosen.begin(), chosen.end(), id) != chosen.end()) continue;
      chosen.push_back(id);
      if (added) {
        ++counts.found[static_cast<std::size_t>(family)];
      } else {
        ++counts.fromPool;
      }
    }
  };
  double cutValue = 2.0;
  take(separateSubtours(graph, limit, &cutValue));
  if (minimumCut != nullptr) *minimumCut = cutValue;
  // Combs only for points in the subtour polytope: exact blossoms are exact only there, and
  // the other heuristics look for structure a violated subtour would spoil.
  if (!subtoursOnly && cutValue >= 2.0 - kMinimumViolation) {
    take(separateFastBlossoms(graph, limit));
    take(separateExactBlossoms(graph, limit));
    take(separateBlockCombs(graph, limit));
    // Built only now: the takes above may have moved the pool's cuts.
    std::sort(nearlyTight.begin(), nearlyTight.end());
    nearlyTight.resize(std::min(nearlyTight.size(), static_cast<std::size_t>(limit)));
    std::vector<const CitySetCut*> combs;
    for (const auto& [slack, id] : nearlyTight) combs.push_back(&pool[id]);
    take(tightenCombs(graph, combs, limit, kMinimumViolation));
  }
  if (localCuts != nullptr && chosen.empty() && cutValue >= 2.0 - kMinimumViolation) {
    counts.localTried = true;
    take(separateLocalCuts(graph, limit, kMinimumViolation, localCuts, localRegion, shrinkPaths));
  }
  return chosen;
}

}  // namespace ringmarch::cut
