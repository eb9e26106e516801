// The branch-and-cut engine's parts against what can be checked by hand or by enumeration: the
// LP wrapper's warm re-solves, exact subtour separation, the exact bound never above a brute-
// force optimum, and the fallback tour search.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "cut/blossom_separation.h"
#include "cut/exact_bound.h"
#include "cut/lp_solver.h"
#include "cut/start_tour.h"
#include "cut/subtour_separation.h"

namespace ringmarch::cut {
namespace {

TEST(CutLpSolver, ResolvesAfterRowsComeAndGo) {
  LpSolver lp;
  lp.addColumn(1.0, 0.0, 1.0, {}, {});
  lp.addColumn(2.0, 0.0, 1.0, {}, {});
  const int both[] = {0, 1};
  const double ones[] = {1.0, 1.0};
  lp.addRow(1.5, LpSolver::kInfinity, both, ones);
  ASSERT_EQ(lp.solve(), LpStatus::Optimal);
  EXPECT_NEAR(lp.objective(), 2.0, 1e-9);  // x0 = 1, x1 = 0.5
  EXPECT_NEAR(lp.duals()[0], 2.0, 1e-9);
  const int first[] = {0};
  lp.removeRows(first);
  ASSERT_EQ(lp.solve(), LpStatus::Optimal);
  EXPECT_NEAR(lp.objective(), 0.0, 1e-9);
  lp.setColumnBounds(1, 1.0, 1.0);
  ASSERT_EQ(lp.solve(), LpStatus::Optimal);
  EXPECT_NEAR(lp.objective(), 2.0, 1e-9);
}

SupportGraph cycleGraph(const std::vector<std::vector<int>>& cycles, int n) {
  SupportGraph g;
  g.n = n;
  for (const auto& c : cycles) {
    for (std::size_t i = 0; i < c.size(); ++i) {
      g.u.push_back(c[i]);
      g.v.push_back(c[(i + 1) % c.size()]);
      g.x.push_back(1.0);
    }
  }
  return g;
}

TEST(CutSubtourSeparation, FindsViolatedSetsAndNoneOnATour) {
  double minimum = -1;
  auto twoTriangles = separateSubtours(cycleGraph({{0, 1, 2}, {3, 4, 5}}, 6), 10, &minimum);
  ASSERT_EQ(twoTriangles.size(), 1u);  // both components are one cut
  EXPECT_EQ(twoTriangles[0].sets[0].size(), 3u);
  EXPECT_EQ(minimum, 0.0);
  EXPECT_TRUE(separateSubtours(cycleGraph({{0, 3, 1, 4, 2, 5}}, 6), 10, &minimum).empty());
  EXPECT_NEAR(minimum, 2.0, 1e-9);
  // Connected, but {0,1,2} and {3,4,5} are joined by two half edges: cut value 1.
  SupportGraph g = cycleGraph({{0, 1, 2}, {3, 4, 5}}, 6);
  for (double& x : g.x) x = 1.0;
  g.x[2] = 0.5;  // edge 2-0
  g.x[5] = 0.5;  // edge 5-3
  g.u.insert(g.u.end(), {0, 2});
  g.v.insert(g.v.end(), {3, 5});
  g.x.insert(g.x.end(), {0.5, 0.5});
  auto cuts = separateSubtours(g, 10, &minimum);
  ASSERT_FALSE(cuts.empty());
  EXPECT_NEAR(minimum, 1.0, 1e-9);
  std::vector<int> side = cuts[0].sets[0];
  EXPECT_TRUE(side == std::vector<int>({0, 1, 2}) || side == std::vector<int>({3, 4, 5}));
}

// The classic fractional 2-matching: two triangles with x = 1/2 joined by three x = 1 edges
// violates the blossom with a triangle as handle: activity 3 + 3 * 2 = 9 < 10.
TEST(CutBlossomSeparation, FindsTheTwoTrianglesBlossomAndPoolsItOnce) {
  SupportGraph g;
  g.n = 6;
  auto edge = [&](int a, int b, double x) { g.u.push_back(a), g.v.push_back(b), g.x.push_back(x); };
  edge(0, 1, 0.5), edge(1, 2, 0.5), edge(0, 2, 0.5);
  edge(3, 4, 0.5), edge(4, 5, 0.5), edge(3, 5, 0.5);
  edge(0, 3, 1.0), edge(1, 4, 1.0), edge(2, 5, 1.0);
  auto cuts = separateFastBlossoms(g, 10);
  ASSERT_FALSE(cuts.empty());
  EXPECT_EQ(cuts[0].rhs, 10);
  EXPECT_EQ(cuts[0].sets.size(), 4u);
  std::vector<std::uint8_t> scratch;
  EXPECT_NEAR(cutActivity(cuts[0], g.u, g.v, g.x, scratch, g.n), 9.0, 1e-9);
  CutPool pool(6);
  EXPECT_EQ(pool.add(cuts[0]), 0);
  EXPECT_EQ(pool.add(cuts[0]), -1);
  // Coefficients from the sets: a tooth edge crosses the handle only; a handle edge its teeth.
  int crossing = 0;
  pool.forEachCoefficient(0, 3, [&](int, int c) { crossing = c; });
  EXPECT_EQ(crossing, 1);
  pool.forEachCoefficient(0, 1, [&](int, int c) { crossing = c; });
  EXPECT_EQ(crossing, 2);
}

std::int64_t bruteForceTour(int n, const std::vector<std::int64_t>& d) {
  std::vector<int> p(static_cast<std::size_t>(n));
  std::iota(p.begin(), p.end(), 0);
  std::int64_t best = INT64_MAX;
  do {
    std::int64_t len = 0;
    for (int i = 0; i < n; ++i) len += d[p[i] * n + p[(i + 1) % n]];
    best = std::min(best, len);
  } while (std::next_permutation(p.begin() + 1, p.end()));
  return best;
}

TEST(CutExactBound, NeverAboveTheOptimumAndCloseToTheLp) {
  std::size_t fixedEdges = 0;
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    const int n = 7;
    std::vector<std::int64_t> d(static_cast<std::size_t>(n * n), 0);
    std::uint64_t s = seed;
    for (int a = 0; a < n; ++a) {
      for (int b = a + 1; b < n; ++b) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        d[a * n + b] = d[b * n + a] = static_cast<std::int64_t>((s >> 33) % 50) - 10;
      }
    }
    EdgeTable edges;
    edges.build(n);
    LpSolver lp;
    for (int c = 0; c < n; ++c) lp.addRow(2.0, 2.0, {}, {});
    for (std::size_t e = 0; e < edges.size(); ++e) {
      edges.cost[e] = d[edges.u[e] * n + edges.v[e]];
      edges.column[e] = static_cast<int>(e);
      const int rows[] = {edges.u[e], edges.v[e]};
      const double ones[] = {1.0, 1.0};
      lp.addColumn(static_cast<double>(edges.cost[e]), 0.0, 1.0, rows, ones);
    }
    ASSERT_EQ(lp.solve(), LpStatus::Optimal);
    CutPool pool(n);
    const auto duals = roundDuals(lp.duals(), n, {}, pool.size());
    const auto bound = exactBound(edges, pool, duals, nullptr, 10);
    const double scaled = static_cast<double>(bound.scaledTotal) / kDualScale;
    EXPECT_NEAR(scaled, lp.objective(), 1e-3) << seed;
    EXPECT_LE(bound.bound, bruteForceTour(n, d)) << seed;
    // Any other duals give a valid bound too, only a weaker one.
    FixedPointDuals shifted = duals;
    for (auto& y : shifted.degree) y += 3 * kDualScale;
    EXPECT_LE(exactBound(edges, pool, shifted, nullptr, 10).bound, bound.bound) << seed;
    // Reduced-cost fixing against a cutoff: every tour shorter than it keeps the fixings.
    std::vector<std::int64_t> rc(edges.size(), 0);
    exactBound(edges, pool, duals, &rc, 10);
    const std::int64_t cutoff = bruteForceTour(n, d) + 4;
    const auto fixing = reducedCostFixing(
        edges, pool, duals, static_cast<__int128>(cutoff) * kDualScale - bound.scaledTotal, rc,
        false);
    fixedEdges += fixing.toZero.size() + fixing.toOne.size();
    std::vector<int> p(static_cast<std::size_t>(n));
    std::iota(p.begin(), p.end(), 0);
    do {
      std::int64_t len = 0;
      std::vector<char> used(edges.size(), 0);
      for (int i = 0; i < n; ++i) {
        len += d[p[i] * n + p[(i + 1) % n]];
        used[EdgeTable::indexOf(p[i], p[(i + 1) % n])] = 1;
      }
      if (len >= cutoff) continue;
      for (int e : fixing.toZero) EXPECT_FALSE(used[e]) << seed;
      for (int e : fixing.toOne) EXPECT_TRUE(used[e]) << seed;
    } while (std::next_permutation(p.begin() + 1, p.end()));
  }
  EXPECT_GT(fixedEdges, 0u);  // the fixing check above looked at some fixed edge
}

TEST(CutStartTour, ListsEveryCityAndFindsTheConvexOrder) {
  const int n = 12;
  std::vector<double> x(n), y(n);
  for (int i = 0; i < n; ++i) {
    const double angle = 2.0 * M_PI * ((i * 5) % n) / n;  // cities out of angular order
    x[i] = 1000.0 * std::cos(angle);
    y[i] = 1000.0 * std::sin(angle);
  }
  EdgeCost cost = [&](int a, int b) {
    return static_cast<std::int64_t>(std::lround(std::hypot(x[a] - x[b], y[a] - y[b])));
  };
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[(i * 5) % n] = i;  // the polygon's order
  const std::int64_t polygon = closedTourCost(order, cost);
  std::vector<int> identity(n);
  std::iota(identity.begin(), identity.end(), 0);
  for (int kicks : {0, 50}) {
    auto tour = improveTour(n, cost, identity, {10, kicks, 1});
    std::vector<int> sorted = tour;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, identity);
    EXPECT_EQ(closedTourCost(tour, cost), polygon) << kicks;
  }
}

}  // namespace
}  // namespace ringmarch::cut
