// One pass over the complete graph: the cheap bound c - Y_u - Y_v decides most edges, the exact
// reduced cost (adding back twice the dual weight of the sets holding both ends) the rest.
#include "cut/exact_bound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace ringmarch::cut {

namespace {

std::int64_t roundScaled(double value) {
  const double scaled = std::nearbyint(value * static_cast<double>(kDualScale));
  // Duals beyond 2^60 units are not produced by a sane LP; clamping keeps every sum in range and
  // is still a valid choice of duals.
  const double limit = 1.0e18;
  if (!(scaled == scaled)) return 0;  // NaN
  return static_cast<std::int64_t>(std::clamp(scaled, -limit, limit));
}

__int128 sharedWeight(const CutPool& pool, const FixedPointDuals& duals, int a, int b) {
  const auto ma = pool.memberships(a), mb = pool.memberships(b);
  __int128 shared = 0;
  std::size_t i = 0, j = 0;
  while (i < ma.size() && j < mb.size()) {
    if (ma[i].cut < mb[j].cut || (ma[i].cut == mb[j].cut && ma[i].set < mb[j].set)) {
      ++i;
    } else if (mb[j].cut < ma[i].cut || (mb[j].cut == ma[i].cut && mb[j].set < ma[i].set)) {
      ++j;
    } else {
      shared += duals.cut[static_cast<std::size_t>(ma[i].cut)];
      ++i;
      ++j;
    }
  }
  return shared;
}

std::vector<__int128> cityWeights(const EdgeTable& edges, const CutPool& pool,
                                  const FixedPointDuals& duals) {
  std::vector<__int128> y(static_cast<std::size_t>(edges.n));
  for (int c = 0; c < edges.n; ++c) {
    __int128 w = duals.degree[static_cast<std::size_t>(c)];
    for (const auto& m : pool.memberships(c)) w += duals.cut[static_cast<std::size_t>(m.cut)];
    y[static_cast<std::size_t>(c)] = w;
  }
  return y;
}

}  // namespace

FixedPointDuals roundDuals(std::span<const double> rowDuals, int n, std::span<const int> cutOfRow,
                           int poolSize) {
  FixedPointDuals d;
  d.degree.resize(static_cast<std::size_t>(n));
  for (int c = 0; c < n; ++c) d.degree[c] = roundScaled(rowDuals[static_cast<std::size_t>(c)]);
  d.cut.assign(static_cast<std::size_t>(poolSize), 0);
  for (std::size_t r = 0; r < cutOfRow.size(); ++r) {
    const std::int64_t z = roundScaled(rowDuals[static_cast<std::size_t>(n) + r]);
    d.cut[static_cast<std::size_t>(cutOfRow[r])] = std::max<std::int64_t>(0, z);
  }
  return d;
}

__int128 exactReducedCost(const EdgeTable& edges, const CutPool& pool, const FixedPointDuals& duals,
                          std::size_t e) {
  const int a = edges.u[e], b = edges.v[e];
  __int128 rc =
      static_cast<__int128>(edges.cost[e]) * kDualScale - duals.degree[a] - duals.degree[b];
  // Each set crossed by the edge adds its cut's dual once to the coefficient sum.
  for (const auto& m : pool.memberships(a)) rc -= duals.cut[static_cast<std::size_t>(m.cut)];
  for (const auto& m : pool.memberships(b)) rc -= duals.cut[static_cast<std::size_t>(m.cut)];
  rc += 2 * sharedWeight(pool, duals, a, b);
  return rc;
}

std::int64_t ceilToLength(__int128 scaled) {
  __int128 q = scaled / kDualScale;
  if (scaled % kDualScale > 0) ++q;  // division truncates toward zero
  const __int128 hi = std::numeric_limits<std::int64_t>::max();
  const __int128 lo = std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::clamp(q, lo, hi));
}

ExactBoundResult exactBound(const EdgeTable& edges, const CutPool& pool,
                            const FixedPointDuals& duals, std::vector<std::int64_t>* reducedCost,
                            int negativeLimit) {
  ExactBoundResult r;
  __int128 total = 0;
  for (int c = 0; c < edges.n; ++c) total += 2 * static_cast<__int128>(duals.degree[c]);
  for (int id = 0; id < pool.size(); ++id) {
    total += static_cast<__int128>(pool[id].rhs) * duals.cut[static_cast<std::size_t>(id)];
  }
  const std::vector<__int128> y = cityWeights(edges, pool, duals);
  std::vector<std::pair<__int128, int>> negative;
  const std::size_t m = edges.size();
  for (std::size_t e = 0; e < m; ++e) {
    const EdgeState s = edges.state[e];
    if (s == EdgeState::Absent || s == EdgeState::Eliminated || s == EdgeState::FixedZero) {
      continue;  // x_e = 0 in every tour of the node: the term is 0
    }
    const bool inLp = edges.column[e] >= 0;
    const __int128 cheap =
        static_cast<__int128>(edges.cost[e]) * kDualScale - y[edges.u[e]] - y[edges.v[e]];
    if (s == EdgeState::Free && !inLp && cheap >= 0) continue;
    const __int128 rc = cheap + 2 * sharedWeight(pool, duals, edges.u[e], edges.v[e]);
    if (inLp && reducedCost != nullptr) {
      const __int128 lim = std::numeric_limits<std::int64_t>::max() / 2;
      (*reducedCost)[e] = static_cast<std::int64_t>(std::clamp(rc, -lim, lim));
    }
    if (s == EdgeState::FixedOne) {
      total += rc;
    } else if (rc < 0) {
      total += rc;
      if (!inLp) negative.emplace_back(rc, static_cast<int>(e));
    }
  }
  std::sort(negative.begin(), negative.end());
  if (static_cast<int>(negative.size()) > negativeLimit) negative.resize(negativeLimit);
  for (const auto& [rc, e] : negative) {
    r.negative.push_back(e);
    const __int128 lim = std::numeric_limits<std::int64_t>::min() / 2;
    r.negativeRc.push_back(static_cast<std::int64_t>(std::max(rc, lim)));
  }
  r.scaledTotal = total;
  r.bound = ceilToLength(total);
  return r;
}

FixingResult reducedCostFixing(const EdgeTable& edges, const CutPool& pool,
                               const FixedPointDuals& duals, __int128 gap,
                               std::span<const std::int64_t> lpReducedCost, bool outsideLpToo) {
  FixingResult r;
  if (gap <= 0) return r;  // the bound already meets the cutoff: the caller prunes instead
  const std::vector<__int128> y =
      outsideLpToo ? cityWeights(edges, pool, duals) : std::vector<__int128>{};
  for (std::size_t e = 0; e < edges.size(); ++e) {
    if (edges.state[e] != EdgeState::Free) continue;
    if (edges.column[e] >= 0) {
      const __int128 rc = lpReducedCost[e];
      if (rc >= gap)
        r.toZero.push_back(static_cast<int>(e));
      else if (-rc >= gap)
        r.toOne.push_back(static_cast<int>(e));
    } else if (outsideLpToo) {
      const __int128 cheap =
          static_cast<__int128>(edges.cost[e]) * kDualScale - y[edges.u[e]] - y[edges.v[e]];
      if (cheap >= gap) r.toZero.push_back(static_cast<int>(e));
    }
  }
  return r;
}

}  // namespace ringmarch::cut
