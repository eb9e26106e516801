// One cut tree under the weights min(x, 1 - x), then each tree cut whose weight is below 1 is
// read off the graph: its crossing edges, the parity of its heavy edges (the parity of the
// cities below the tree node that have an odd number of heavy edges) and the cheapest toggle.
// Edges of value 1 weigh nothing, so the tree's flows run only inside the components of the
// fractional edges, and they stop at 1, since no cut of weight 1 or more is violated. Scratch is
// sized once per call; a candidate costs the edges of its side.
#include "cut/exact_blossom_separation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "cut/comb_structure.h"
#include "cut/cut_tree.h"

namespace ringmarch::cut {

namespace {
constexpr double kViolation = 1e-6;
}  // namespace

std::vector<CitySetCut> separateExactBlossoms(const SupportGraph& g, int limit) {
  if (g.n < 6 || limit <= 0) return {};
  const int n = g.n;
  const std::size_t N = static_cast<std::size_t>(n), m = g.x.size();
  auto heavy = [&](std::size_t e) { return g.x[e] > 0.5; };

  std::vector<double> weight(m), xDegree(N, 0.0);
  std::vector<std::uint8_t> oddBelow(N, 0);
  std::vector<int> start(N + 1, 0), incident(2 * m);
  for (std::size_t e = 0; e < m; ++e) {
    weight[e] = std::max(0.0, std::min(g.x[e], 1.0 - g.x[e]));
    xDegree[g.u[e]] += g.x[e];
    xDegree[g.v[e]] += g.x[e];
    if (heavy(e)) oddBelow[g.u[e]] ^= 1, oddBelow[g.v[e]] ^= 1;
    ++start[g.u[e] + 1];
    ++start[g.v[e] + 1];
  }
  for (int c = 0; c < n; ++c) start[c + 1] += start[c];
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (std::size_t e = 0; e < m; ++e) {
      incident[fill[g.u[e]]++] = static_cast<int>(e);
      incident[fill[g.v[e]]++] = static_cast<int>(e);
    }
  }

  // Only cuts of weight below 1 can hold a violated blossom.
  const CutTree tree = gomoryHuTree(n, g.u, g.v, weight, 1.0);
  for (int p = n - 1; p > 0; --p) {
    const int c = tree.preorder[p];
    oddBelow[tree.parent[c]] ^= oddBelow[c];
  }

  std::vector<std::uint8_t> inHandle(N, 0), combScratch(N, 0);
  std::vector<int> toothCount(N, 0);
  std::vector<int> crossing, teeth, flipped, shared, handle;
  std::vector<std::uint8_t> alive;
  std::vector<std::vector<int>> toothSets;
  std::vector<ScoredCut> found;
  for (int i = 1; i < n; ++i) {
    if (tree.value[i] >= 1.0 - kViolation) continue;  // its left-hand side is at least this
    const int first = tree.position[i], last = first + tree.subtreeSize[i];
    crossing.clear();
    double lhs = 0.0, toggleCost = std::numeric_limits<double>::infinity();
    int toggle = -1;
    for (int p = first; p < last; ++p) {
      const int c = tree.preorder[p];
      for (int q = start[c]; q < start[c + 1]; ++q) {
        const int e = incident[q];
        const int w = g.u[e] == c ? g.v[e] : g.u[e];
        if (tree.below(w, i)) continue;
        crossing.push_back(e);
        lhs += weight[e];
        const double cost = std::abs(1.0 - 2.0 * g.x[e]);
        if (cost < toggleCost || (cost == toggleCost && e < toggle)) toggleCost = cost, toggle = e;
      }
    }
    if (!oddBelow[i]) {
      if (toggle < 0) continue;
      lhs += toggleCost;
    } else {
      toggle = -1;
    }
    if (lhs >= 1.0 - kViolation) continue;

    // The blossom of this cut, then the repair of teeth that share a city.
    teeth.clear();
    alive.clear();
    for (int e : crossing) {
      if (heavy(static_cast<std::size_t>(e)) != (e == toggle)) {
        teeth.push_back(e);
        alive.push_back(1);
        ++toothCount[g.u[e]];
        ++toothCount[g.v[e]];
      }
    }
    for (int p = first; p < last; ++p) inHandle[tree.preorder[p]] = 1;
    shared.clear();
    for (int e : teeth) {
      if (toothCount[g.u[e]] > 1) shared.push_back(g.u[e]);
      if (toothCount[g.v[e]] > 1) shared.push_back(g.v[e]);
    }
    std::sort(shared.begin(), shared.end());
    shared.erase(std::unique(shared.begin(), shared.end()), shared.end());
    flipped.clear();
    for (int c : shared) {
      if (toothCount[c] < 2) continue;
      // An even number of teeth at c: move c across and drop them all. An odd number (possible
      // only off the degree equations): keep the heaviest, drop the others.
      const bool even = toothCount[c] % 2 == 0;
      int keep = -1;
      if (!even) {
        for (std::size_t t = 0; t < teeth.size(); ++t) {
          const int e = teeth[t];
          if (!alive[t] || (g.u[e] != c && g.v[e] != c)) continue;
          if (keep < 0 || g.x[e] > g.x[teeth[keep]]) keep = static_cast<int>(t);
        }
      } else {
        inHandle[c] ^= 1;
        flipped.push_back(c);
      }
      for (std::size_t t = 0; t < teeth.size(); ++t) {
        const int e = teeth[t];
        if (!alive[t] || (g.u[e] != c && g.v[e] != c) || static_cast<int>(t) == keep) continue;
        alive[t] = 0;
        --toothCount[g.u[e]];
        --toothCount[g.v[e]];
      }
    }
    int k = 0;
    for (auto a : alive) k += a;

    handle.clear();
    for (int p = first; p < last; ++p) {
      if (inHandle[tree.preorder[p]]) handle.push_back(tree.preorder[p]);
    }
    for (int c : flipped) {
      if (inHandle[c] && !tree.below(c, i)) handle.push_back(c);
    }
    double activity = 0.0;
    for (int c : handle) {
      for (int q = start[c]; q < start[c + 1]; ++q) {
        const int e = incident[q];
        if (!inHandle[g.u[e] == c ? g.v[e] : g.u[e]]) activity += g.x[e];
      }
    }
    toothSets.clear();
    for (std::size_t t = 0; t < teeth.size(); ++t) {
      if (!alive[t]) continue;
      const int e = teeth[t];
      activity += xDegree[g.u[e]] + xDegree[g.v[e]] - 2.0 * g.x[e];
      toothSets.push_back({std::min(g.u[e], g.v[e]), std::max(g.u[e], g.v[e])});
    }
    const double rhs = 3.0 * k + 1.0;
    if (k >= 3 && activity < rhs - kViolation && isComb(handle, toothSets, n, combScratch)) {
      ScoredCut scored;
      if (combCut(handle, std::move(toothSets), CutFamily::Blossom, n, scored.cut)) {
        scored.violation = rhs - activity;
        found.push_back(std::move(scored));
      }
    }
    for (int p = first; p < last; ++p) inHandle[tree.preorder[p]] = 0;
    for (int c : flipped) inHandle[c] = 0;
    for (int e : teeth) toothCount[g.u[e]] = toothCount[g.v[e]] = 0;
  }
  return bestDistinctCuts(std::move(found), limit);
}

}  // namespace ringmarch::cut
