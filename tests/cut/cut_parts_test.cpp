// The branch-and-cut engine's parts against what can be checked by hand or by enumeration: the
// LP wrapper's warm re-solves, exact subtour separation, the exact bound never above a brute-
// force optimum, reduced-cost fixing checked by enumerating tours, and the twin form's tours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "cut/blossom_separation.h"
#include "cut/engine_graph.h"
#include "cut/exact_bound.h"
#include "cut/lp_solver.h"
#include "cut/separation.h"
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
  // The pool's flat copy of its sets: the scan reads the same cities and sums the same values
  // as the cut itself, weighted sets included.
  CitySetCut weighted;
  weighted.sets = {{0, 1}, {3, 4, 5}, {1, 2, 4}};
  weighted.weights = {3, -1, 2};
  weighted.rhs = 1;
  ASSERT_TRUE(canonicalize(weighted, 6));
  EXPECT_EQ(pool.add(weighted), 1);
  SupportAdjacency adjacency(g);
  for (int id = 0; id < pool.size(); ++id) {
    for (std::size_t s = 0; s < pool[id].sets.size(); ++s) {
      const auto cities = pool.cities(id, static_cast<int>(s));
      EXPECT_EQ(std::vector<int>(cities.begin(), cities.end()), pool[id].sets[s]);
    }
    EXPECT_EQ(adjacency.activity(pool, id), adjacency.activity(pool[id]));
  }
  EXPECT_NEAR(adjacency.activity(pool, 0), 9.0, 1e-9);
}

TEST(CutPool, RetiredCutsLeaveNoTraceAndComeBackAsNew) {
  // Twelve cuts over ten cities, weighted ones among them; every other one retired. The pool
  // must then read as a pool of the kept cuts alone: the same coefficients on every edge, the
  // same cities, and a retired cut found again pooled under a new id.
  constexpr int n = 10;
  std::vector<CitySetCut> cuts;
  for (int k = 0; k < 12; ++k) {
    CitySetCut cut;
    cut.sets = {{k % n, (k + 3) % n, (k + 4) % n}, {(k + 1) % n, (k + 7) % n}};
    if (k % 3 == 0) {
      cut.weights = {2, -1};
      cut.family = CutFamily::Local;
    }
    cut.rhs = 2 + k % 4;
    ASSERT_TRUE(canonicalize(cut, n));
    cuts.push_back(std::move(cut));
  }
  CutPool pool(n), keptOnly(n);
  std::vector<int> doomed, keptIds;
  for (std::size_t k = 0; k < cuts.size(); ++k) {
    const int id = pool.add(cuts[k]);
    ASSERT_EQ(id, static_cast<int>(k));
    if (k % 2 == 0) {
      doomed.push_back(id);
    } else {
      keptIds.push_back(id);
      keptOnly.add(cuts[k]);
    }
  }
  pool.retire(doomed);
  pool.retire(doomed);  // twice: nothing more happens
  EXPECT_EQ(pool.size(), 12);
  EXPECT_EQ(pool.pooledCities(), keptOnly.pooledCities());
  for (int id = 0; id < pool.size(); ++id) {
    EXPECT_EQ(pool.retired(id), id % 2 == 0) << id;
    EXPECT_EQ(pool[id].rhs, cuts[static_cast<std::size_t>(id)].rhs);
  }
  for (std::size_t k = 0; k < keptIds.size(); ++k) {
    const int id = keptIds[k];
    ASSERT_EQ(pool[id].sets, keptOnly[static_cast<int>(k)].sets);
    for (std::size_t s = 0; s < pool[id].sets.size(); ++s) {
      const auto cities = pool.cities(id, static_cast<int>(s));
      EXPECT_EQ(std::vector<int>(cities.begin(), cities.end()), pool[id].sets[s]);
    }
  }
  for (int u = 0; u < n; ++u) {
    for (int v = u + 1; v < n; ++v) {
      std::vector<std::pair<int, int>> got, want;
      pool.forEachCoefficient(u, v, [&](int id, int c) { got.emplace_back(id, c); });
      keptOnly.forEachCoefficient(
          u, v, [&](int k, int c) { want.emplace_back(keptIds[static_cast<std::size_t>(k)], c); });
      EXPECT_EQ(got, want) << u << "-" << v;
    }
  }
  EXPECT_EQ(pool.insert(cuts[1]), std::make_pair(1, false));
  EXPECT_EQ(pool.insert(cuts[0]), std::make_pair(12, true));
  EXPECT_FALSE(pool.retired(12));
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
    std::vector<std::int32_t> matrix(static_cast<std::size_t>(n * n), 0);
    std::vector<std::int64_t> d(static_cast<std::size_t>(n * n), 0);
    std::uint64_t s = seed;
    for (int a = 0; a < n; ++a) {
      for (int b = a + 1; b < n; ++b) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        d[a * n + b] = d[b * n + a] = static_cast<std::int64_t>((s >> 33) % 50) - 10;
        matrix[a * n + b] = matrix[b * n + a] = static_cast<std::int32_t>(d[a * n + b]);
      }
    }
    const auto instance = Instance::fromMatrix(n, matrix);
    ASSERT_TRUE(instance);
    const EngineGraph graph(*instance);
    EdgeTable edges(n);
    CutPool pool(n);
    LpSolver lp;
    for (int c = 0; c < n; ++c) lp.addRow(2.0, 2.0, {}, {});
    for (std::int64_t e = 0; e < edges.size(); ++e) {
      const auto [a, b] = EdgeTable::endsOf(e);
      edges.set(e, kInLp);
      const int rows[] = {a, b};
      const double ones[] = {1.0, 1.0};
      lp.addColumn(static_cast<double>(graph.cost(a, b)), 0.0, 1.0, rows, ones);
    }
    ASSERT_EQ(lp.solve(), LpStatus::Optimal);
    const auto duals = roundDuals(lp.duals(), n, {}, pool.size());
    const auto bound = lagrangianBound(graph, edges, pool, duals, false, 10);
    const double scaled = static_cast<double>(bound.scaledTotal) / kDualScale;
    EXPECT_NEAR(scaled, lp.objective(), 1e-3) << seed;
    EXPECT_LE(bound.bound, bruteForceTour(n, d)) << seed;
    // Any other duals give a valid bound too, only a weaker one.
    FixedPointDuals shifted = duals;
    for (auto& y : shifted.degree) y += 3 * kDualScale;
    EXPECT_LE(lagrangianBound(graph, edges, pool, shifted, false, 10).bound, bound.bound) << seed;
    // Reduced-cost fixing against a cutoff: every tour shorter than it keeps the fixings.
    const std::int64_t cutoff = bruteForceTour(n, d) + 4;
    const auto fixing =
        reducedCostFixing(graph, edges, pool, duals, bound.scaledTotal, cutoff, false);
    fixedEdges += fixing.toZero.size() + fixing.toOne.size();
    std::vector<int> p(static_cast<std::size_t>(n));
    std::iota(p.begin(), p.end(), 0);
    do {
      std::int64_t len = 0;
      std::vector<char> used(static_cast<std::size_t>(edges.size()), 0);
      for (int i = 0; i < n; ++i) {
        len += d[p[i] * n + p[(i + 1) % n]];
        used[EdgeTable::indexOf(p[i], p[(i + 1) % n])] = 1;
      }
      if (len >= cutoff) continue;
      for (auto e : fixing.toZero) EXPECT_FALSE(used[e]) << seed;
      for (auto e : fixing.toOne) EXPECT_TRUE(used[e]) << seed;
    } while (std::next_permutation(p.begin() + 1, p.end()));
  }
  EXPECT_GT(fixedEdges, 0u);  // the fixing check above looked at some fixed edge
}

TEST(CutEdgeTable, NumbersEdgesInLoopOrderAndBack) {
  std::int64_t e = 0;
  for (int b = 1; b < 300; ++b) {
    for (int a = 0; a < b; ++a, ++e) {
      ASSERT_EQ(EdgeTable::indexOf(a, b), e);
      ASSERT_EQ(EdgeTable::indexOf(b, a), e);
      ASSERT_EQ(EdgeTable::endsOf(e), std::make_pair(a, b));
    }
  }
  // Far beyond: the square root's rounding is corrected.
  for (int b : {46341, 65536, 99999, 199999}) {
    EXPECT_EQ(EdgeTable::endsOf(EdgeTable::indexOf(b - 1, b)), std::make_pair(b - 1, b));
    EXPECT_EQ(EdgeTable::endsOf(EdgeTable::indexOf(0, b)), std::make_pair(0, b));
  }
}

// Leaving a node undoes its fixings, but never one that holds for the whole run: the root's
// fixing may make permanent an edge that some open node had already fixed to one.
TEST(CutEdgeTable, LeavingANodeKeepsPermanentFixings) {
  EdgeTable edges(6);
  const std::int64_t permanentOne = EdgeTable::indexOf(0, 1);
  const std::int64_t nodeOne = EdgeTable::indexOf(1, 2);
  const std::int64_t nodeZero = EdgeTable::indexOf(2, 3);
  const std::int64_t eliminated = EdgeTable::indexOf(3, 4);
  edges.set(permanentOne, kFixedOne | kPermanent);
  edges.set(eliminated, kEliminated);
  // The node's chain: all four fixed, the eliminated edge to zero once more.
  for (const auto& [e, flag] :
       {std::pair{permanentOne, kFixedOne}, std::pair{nodeOne, kFixedOne},
        std::pair{nodeZero, kFixedZero}, std::pair{eliminated, kFixedZero}}) {
    edges.set(e, flag);
  }
  for (const auto& [e, flag] :
       {std::pair{permanentOne, kFixedOne}, std::pair{nodeOne, kFixedOne},
        std::pair{nodeZero, kFixedZero}, std::pair{eliminated, kFixedZero}}) {
    edges.clearNodeFixing(e, flag);
  }
  EXPECT_EQ(edges.flags(permanentOne), kFixedOne | kPermanent);
  EXPECT_EQ(edges.flags(nodeOne), 0);
  EXPECT_EQ(edges.flags(nodeZero), 0);
  EXPECT_EQ(edges.flags(eliminated), kEliminated);
}

TEST(CutEngineGraph, TwinFormToursReadBackInEitherDirection) {
  // d(i, j) = 10 i + j: every arc has its own cost.
  const int n = 5;
  std::vector<std::int32_t> matrix(n * n, 0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) matrix[i * n + j] = i == j ? 0 : 10 * i + j;
  }
  const auto instance = Instance::fromMatrix(n, matrix);
  ASSERT_TRUE(instance);
  const EngineGraph graph(*instance);
  ASSERT_TRUE(graph.isTwin());
  EXPECT_EQ(graph.size(), 2 * n);
  EXPECT_TRUE(graph.isAbsent(0, 1));
  EXPECT_TRUE(graph.isAbsent(n, n + 1));
  EXPECT_TRUE(graph.isPairEdge(2, n + 2));
  EXPECT_EQ(graph.cost(n + 1, 3), 13);  // the exit of 1 to the entry of 3
  EXPECT_EQ(graph.cost(3, n + 1), 13);
  const std::vector<int> cities{2, 0, 4, 1, 3};
  const auto nodes = graph.nodeTourOf(cities);
  EXPECT_EQ(graph.nodeTourLength(nodes), instance->tourLength(cities));
  EXPECT_EQ(graph.cityTourOf(nodes), cities);
  std::vector<int> reversed(nodes.rbegin(), nodes.rend());
  std::rotate(reversed.begin(), reversed.begin() + 3, reversed.end());
  EXPECT_EQ(graph.cityTourOf(reversed), (std::vector<int>{1, 3, 2, 0, 4}));  // from its first entry
  // Not tours of the graph: an absent edge, a missing pair edge, a node twice.
  EXPECT_TRUE(graph.cityTourOf(std::vector<int>{0, 1, 5, 6, 2, 7, 3, 8, 4, 9}).empty());
  EXPECT_TRUE(graph.cityTourOf(std::vector<int>{0, 6, 1, 5, 2, 7, 3, 8, 4, 9}).empty());
  EXPECT_TRUE(graph.cityTourOf(std::vector<int>{0, 5, 0, 5, 2, 7, 3, 8, 4, 9}).empty());
}

TEST(CutEngineGraph, TabledDistancesAreTheRulesOwn) {
  // The graph tables a coordinate rule's distances once: every pair, both ways, as the rule says.
  std::vector<double> x, y, z;
  for (int c = 0; c < 23; ++c) {
    x.push_back(3.7 * ((c * 7) % 23) - 40.0);
    y.push_back(7.3 * ((c * 11) % 23) + 0.5 * c - 90.0);
    z.push_back(3.1 * c);
  }
  for (const DistanceRule rule :
       {DistanceRule::Euc2d, DistanceRule::Euc3d, DistanceRule::Ceil2d, DistanceRule::Att,
        DistanceRule::Geo, DistanceRule::Man2d, DistanceRule::Max3d}) {
    const bool threeD = rule == DistanceRule::Euc3d || rule == DistanceRule::Max3d;
    const auto instance = Instance::fromCoordinates(rule, x, y, threeD ? z : std::vector<double>{});
    ASSERT_TRUE(instance) << distanceRuleName(rule);
    const EngineGraph graph(*instance);
    for (int a = 0; a < instance->size(); ++a) {
      for (int b = 0; b < instance->size(); ++b) {
        if (a == b) continue;
        ASSERT_EQ(graph.cost(a, b), instance->distance(a, b)) << distanceRuleName(rule);
      }
    }
  }
}

}  // namespace
}  // namespace ringmarch::cut
