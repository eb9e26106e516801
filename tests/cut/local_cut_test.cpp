// Local cuts against enumeration: the cover programme's least cost and its cover, every cut held by
// every tour and violated by its point, no cut of a mix of tours; and the weighted city sets they
// are written in, through the pool and the exact bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "cut/engine_graph.h"
#include "cut/exact_bound.h"
#include "cut/local_cut_separation.h"
#include "separator_fixtures.h"

namespace ringmarch::cut {
namespace {

using fixtures::graphOf;
using fixtures::smallestTourActivity;
using fixtures::violationOf;

std::uint64_t nextRandom(std::uint64_t& s) {
  s = s * 6364136223846793005ULL + 1442695040888963407ULL;
  return s >> 33;
}

// Every cover of cities 0..k-1 by paths with both ends at node k: each order of the cities cut
// into consecutive runs.
std::int64_t coverByEnumeration(int k, const std::vector<std::int64_t>& cost) {
  const int width = k + 1;
  std::vector<int> order(static_cast<std::size_t>(k));
  std::iota(order.begin(), order.end(), 0);
  std::int64_t best = INT64_MAX;
  do {
    for (std::uint32_t cuts = 0; cuts < (1u << (k - 1)); ++cuts) {
      std::int64_t total = cost[static_cast<std::size_t>(k * width + order[0])];
      for (int i = 0; i + 1 < k; ++i) {
        if ((cuts >> i) & 1) {
          total += cost[static_cast<std::size_t>(order[i] * width + k)] +
                   cost[static_cast<std::size_t>(k * width + order[i + 1])];
        } else {
          total += cost[static_cast<std::size_t>(order[i] * width + order[i + 1])];
        }
      }
      total += cost[static_cast<std::size_t>(order[k - 1] * width + k)];
      best = std::min(best, total);
    }
  } while (std::next_permutation(order.begin(), order.end()));
  return best;
}

// The walk `use` returns for the least cost: of that cost, each city on two of its edges, each
// node entered again and the outside node k on an even number of them, at least two.
void expectWalkOfItsCost(int k, const std::vector<std::int64_t>& cost, const std::vector<int>& use,
                         std::uint32_t revisitable, std::int64_t least) {
  const int width = k + 1;
  std::int64_t total = 0;
  std::vector<int> degree(static_cast<std::size_t>(width), 0);
  for (int a = 0; a < width; ++a) {
    for (int b = a + 1; b < width; ++b) {
      const int times = use[static_cast<std::size_t>(a * width + b)];
      total += times * cost[a * width + b];
      degree[a] += times;
      degree[b] += times;
    }
  }
  EXPECT_EQ(total, least) << k;
  for (int v = 0; v <= k; ++v) {
    if (v == k || ((revisitable >> v) & 1) != 0) {
      EXPECT_EQ(degree[v] % 2, 0) << k << " " << v;
      EXPECT_GE(degree[v], 2) << k << " " << v;
    } else {
      EXPECT_EQ(degree[v], 2) << k << " " << v;
    }
  }
}

TEST(CutLocalCuts, CheapestCoverIsTheLeastOverEveryCover) {
  std::uint64_t s = 7;
  for (int k = 1; k <= 8; ++k) {
    for (int trial = 0; trial < (k <= 6 ? 4 : 2); ++trial) {
      const int width = k + 1;
      std::vector<std::int64_t> cost(static_cast<std::size_t>(width * width), 0);
      for (int a = 0; a < width; ++a) {
        for (int b = a + 1; b < width; ++b) {
          cost[a * width + b] = cost[b * width + a] =
              static_cast<std::int64_t>(nextRandom(s) % 21) - 10;
        }
      }
      std::vector<int> use;
      const std::int64_t least = cheapestCover(k, cost, &use);
      EXPECT_EQ(least, coverByEnumeration(k, cost)) << k << " " << trial;
      expectWalkOfItsCost(k, cost, use, 0, least);
      const std::vector<double> asDouble(cost.begin(), cost.end());
      EXPECT_DOUBLE_EQ(cheapestCover(k, asDouble, nullptr), static_cast<double>(least));
    }
  }
}

// The least closed walk from the outside node k that enters each city not in `revisitable` once
// and each one in it at least once, by relaxing moves between (cities entered, node) states until
// nothing changes: a loop of states enters no new city, so it runs over revisitable nodes and the
// outside node only, whose pairs cost at least 0 here.
std::int64_t walkByRelaxation(int k, const std::vector<std::int64_t>& cost,
                              std::uint32_t revisitable) {
  const int width = k + 1;
  const std::size_t states = std::size_t{1} << k;
  std::vector<std::int64_t> best(states * width, INT64_MAX);
  best[k] = 0;  // nothing entered, at the outside node
  for (bool changed = true; changed;) {
    changed = false;
    for (std::size_t mask = 0; mask < states; ++mask) {
      for (int at = 0; at < width; ++at) {
        const std::int64_t here = best[mask * width + at];
        if (here == INT64_MAX) continue;
        for (int to = 0; to < width; ++to) {
          if (to == at) continue;
          const bool entered = to < k && ((mask >> to) & 1) != 0;
          if (entered && ((revisitable >> to) & 1) == 0) continue;
          const std::size_t next = (to < k ? mask | (std::size_t{1} << to) : mask) * width + to;
          const std::int64_t value = here + cost[at * width + to];
          if (value < best[next]) {
            best[next] = value;
            changed = true;
          }
        }
      }
    }
  }
  return best[(states - 1) * width + k];
}

TEST(CutLocalCuts, CheapestWalkWithNodesEnteredAgain) {
  std::uint64_t s = 19;
  for (int k = 2; k <= 7; ++k) {
    for (int trial = 0; trial < 4; ++trial) {
      const int width = k + 1;
      const std::uint32_t revisitable = static_cast<std::uint32_t>(nextRandom(s)) & ((1u << k) - 1);
      const auto again = [&](int v) { return v == k || ((revisitable >> v) & 1) != 0; };
      std::vector<std::int64_t> cost(static_cast<std::size_t>(width * width), 0);
      for (int a = 0; a < width; ++a) {
        for (int b = a + 1; b < width; ++b) {
          std::int64_t c = static_cast<std::int64_t>(nextRandom(s) % 21) - 10;
          if (again(a) && again(b)) c = std::abs(c);
          cost[a * width + b] = cost[b * width + a] = c;
        }
      }
      std::vector<int> use;
      const std::int64_t least = cheapestCover(k, cost, &use, revisitable);
      EXPECT_EQ(least, walkByRelaxation(k, cost, revisitable)) << k << " " << trial;
      if (revisitable == 0) {
        EXPECT_EQ(least, coverByEnumeration(k, cost));
      }
      expectWalkOfItsCost(k, cost, use, revisitable, least);
    }
  }
}

void expectSoundLocalCuts(const std::vector<CitySetCut>& cuts, const SupportGraph& g) {
  for (const auto& cut : cuts) {
    EXPECT_EQ(cut.family, CutFamily::Local);
    CitySetCut again = cut;
    ASSERT_TRUE(canonicalize(again, g.n));
    EXPECT_EQ(again.sets, cut.sets);
    EXPECT_EQ(again.weights, cut.weights);
    EXPECT_GE(violationOf(cut, g), 1e-4);
    EXPECT_GE(smallestTourActivity(cut, g.n), cut.rhs);
  }
}

TEST(CutLocalCuts, CutPointsOutsideTheToursAndHoldForEveryTour) {
  // Blossom points with cities split off (ten cities), where a region of nine sees the comb.
  int found = 0, foundShrunk = 0;
  for (std::uint64_t seed = 1; seed <= 4; ++seed) {
    const SupportGraph g = fixtures::expandCities(fixtures::twoTriangles(), 4, seed);
    ASSERT_EQ(g.n, 10);
    const std::vector<CitySetCut> cuts = separateLocalCuts(g, 10, 1e-4, nullptr, 9);
    found += !cuts.empty();
    expectSoundLocalCuts(cuts, g);
    // The same with its paths at 1 shrunk: regions of fewer nodes, some of several cities.
    const std::vector<CitySetCut> shrunk = separateLocalCuts(g, 10, 1e-4, nullptr, 7, true);
    foundShrunk += !shrunk.empty();
    expectSoundLocalCuts(shrunk, g);
  }
  EXPECT_EQ(found, 4);
  EXPECT_EQ(foundShrunk, 4);
  // Random points on the degree equations: whatever is found must hold.
  for (std::uint64_t seed = 1; seed <= 6; ++seed) {
    const SupportGraph g = fixtures::randomFractionalPoint(9, 0.6, seed);
    expectSoundLocalCuts(separateLocalCuts(g, 10, 1e-4, nullptr, 6 + static_cast<int>(seed % 3)),
                         g);
    expectSoundLocalCuts(separateLocalCuts(g, 10, 1e-4, nullptr, 4, true), g);
  }
}

TEST(CutLocalCuts, NoCutOfAMixOfToursAndRegionsRemembered) {
  std::uint64_t s = 3;
  for (int trial = 0; trial < 4; ++trial) {
    const int n = 11;
    std::vector<std::vector<int>> tours(3, std::vector<int>(n));
    std::vector<fixtures::WeightedEdge> edges;
    const double share[] = {0.5, 0.3, 0.2};
    for (int t = 0; t < 3; ++t) {
      std::iota(tours[t].begin(), tours[t].end(), 0);
      for (int i = n - 1; i > 0; --i) std::swap(tours[t][i], tours[t][nextRandom(s) % (i + 1)]);
      for (int i = 0; i < n; ++i) edges.push_back({tours[t][i], tours[t][(i + 1) % n], share[t]});
    }
    const SupportGraph g = graphOf(n, edges);
    LocalCutMemory memory;
    EXPECT_TRUE(separateLocalCuts(g, 10, 1e-4, &memory, 8).empty()) << trial;
    EXPECT_TRUE(separateLocalCuts(g, 10, 1e-4, &memory, 8).empty()) << trial;
  }
  // A region remembered as a mix is passed over for the same point only.
  LocalCutMemory memory;
  memory.remember({1, 2, 3}, {0.5, 1.0}, true, {});
  EXPECT_TRUE(memory.knownMix({1, 2, 3}, {0.5, 1.0}));
  EXPECT_FALSE(memory.knownMix({1, 2, 3}, {0.5, 0.9}));
  EXPECT_FALSE(memory.knownMix({1, 2, 4}, {0.5, 1.0}));
}

TEST(CutWeightedSets, CanonicalFormPoolAndCoefficients) {
  CitySetCut cut;
  cut.family = CutFamily::Local;
  cut.sets = {{3, 1}, {0, 2, 4, 5, 6}, {1, 3}, {2}};
  cut.weights = {2, -1, 3, 0};
  ASSERT_TRUE(canonicalize(cut, 7));
  // The five-city set is taken by its complement, {1, 3}: the three sets merge into one of
  // weight 2 - 1 + 3, and the set of weight 0 goes.
  ASSERT_EQ(cut.sets.size(), 1u);
  EXPECT_EQ(cut.sets[0], (std::vector<int>{1, 3}));
  EXPECT_EQ(cut.weights, (std::vector<std::int32_t>{4}));
  // Weights all 1 are no weights; weights summing to 0 leave no cut.
  CitySetCut ones{{{0, 1}, {2, 3}}, {1, 1}, 2, CutFamily::Local};
  ASSERT_TRUE(canonicalize(ones, 7));
  EXPECT_TRUE(ones.weights.empty());
  CitySetCut none{{{0, 1}, {0, 1}}, {1, -1}, 0, CutFamily::Local};
  EXPECT_FALSE(canonicalize(none, 7));

  CutPool pool(7);
  CitySetCut plain{{{1, 3}}, {}, 4, CutFamily::Subtour};
  CitySetCut weighted = plain;
  weighted.weights = {2};
  weighted.family = CutFamily::Local;
  EXPECT_EQ(pool.add(plain), 0);
  EXPECT_EQ(pool.add(weighted), 1);  // not taken for the unweighted cut
  EXPECT_EQ(pool.add(weighted), -1);
  CitySetCut mixed{{{1, 2}, {1, 3}}, {3, -2}, 0, CutFamily::Local};
  ASSERT_TRUE(canonicalize(mixed, 7));
  const int id = pool.add(mixed);
  // Edge (1, 4) crosses both sets: 3 - 2; edge (2, 3) both: 3 - 2; edge (1, 2) only {1, 3}: -2;
  // edge (0, 5) neither.
  const auto coefficient = [&](int a, int b) {
    int found = 0;
    pool.forEachCoefficient(a, b, [&](int cutId, int c) {
      if (cutId == id) found = c;
    });
    return found;
  };
  EXPECT_EQ(coefficient(1, 4), 1);
  EXPECT_EQ(coefficient(2, 3), 1);
  EXPECT_EQ(coefficient(1, 2), -2);
  EXPECT_EQ(coefficient(3, 1), 3);
  EXPECT_EQ(coefficient(0, 5), 0);
}

TEST(CutWeightedSets, ExactBoundCountsNegativeWeightsOnEveryEdge) {
  // 2 x(delta({c})) - x(delta({c, d})) >= 0 holds for every tour (x(delta({c, d})) <= 4): a cut
  // with a negative weight. With a positive dual on it, the bound must still be the Lagrangian
  // value over every edge, checked here edge by edge, and never above the optimum.
  const int n = 7;
  std::vector<std::int32_t> matrix(static_cast<std::size_t>(n * n), 0);
  std::uint64_t s = 11;
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      matrix[a * n + b] = matrix[b * n + a] = static_cast<std::int32_t>(nextRandom(s) % 40);
    }
  }
  const auto instance = Instance::fromMatrix(n, matrix);
  ASSERT_TRUE(instance);
  const EngineGraph graph(*instance);
  EdgeTable edges(n);
  CutPool pool(n);
  CitySetCut cut{{{2}, {2, 5}}, {2, -1}, 0, CutFamily::Local};
  ASSERT_TRUE(canonicalize(cut, n));
  pool.add(cut);
  FixedPointDuals duals;
  duals.degree.assign(n, 0);
  for (int c = 0; c < n; ++c)
    duals.degree[c] = static_cast<std::int64_t>(nextRandom(s) % 9) * kDualScale;
  duals.cut = {7 * kDualScale};
  const auto bound = lagrangianBound(graph, edges, pool, duals, false, 100);
  __int128 expected = 0;
  for (int c = 0; c < n; ++c) expected += 2 * static_cast<__int128>(duals.degree[c]);
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      const int crossing =
          2 * ((a == 2) != (b == 2)) - (((a == 2 || a == 5)) != ((b == 2 || b == 5)));
      const __int128 rc = static_cast<__int128>(graph.cost(a, b)) * kDualScale - duals.degree[a] -
                          duals.degree[b] - static_cast<__int128>(crossing) * duals.cut[0];
      expected += std::min<__int128>(0, rc);
    }
  }
  EXPECT_TRUE(bound.scaledTotal == expected);
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::int64_t best = INT64_MAX;
  do {
    std::int64_t length = 0;
    for (int i = 0; i < n; ++i) length += graph.cost(order[i], order[(i + 1) % n]);
    best = std::min(best, length);
  } while (std::next_permutation(order.begin() + 1, order.end()));
  EXPECT_LE(bound.bound, best);
}

TEST(CutLocalCuts, TiltedCutsAreFacetsOfTheTourPolytope) {
  // Blossom points on eight cities: the tour polytope has dimension 20 there, so a facet is held
  // with equality by 20 affinely independent tours. Tilted, nearly every cut is one; the
  // membership LP's own inequality rarely is.
  const int facet = 8 * 5 / 2;
  int tilted = 0, tiltedFacets = 0, untiltedFacets = 0;
  for (std::uint64_t seed = 1; seed <= 8; ++seed) {
    const SupportGraph g = fixtures::expandCities(fixtures::twoTriangles(), 2, seed);
    for (int region : {6, 7}) {
      const auto cuts = separateLocalCuts(g, 10, 1e-4, nullptr, region);
      expectSoundLocalCuts(cuts, g);
      tilted += static_cast<int>(cuts.size());
      for (const auto& cut : cuts) {
        const int tight = fixtures::tightTourCount(cut, g.n);
        EXPECT_LE(tight, facet);
        tiltedFacets += tight == facet;
      }
      for (const auto& cut : separateLocalCuts(g, 10, 1e-4, nullptr, region, false, false)) {
        untiltedFacets += fixtures::tightTourCount(cut, g.n) == facet;
      }
    }
  }
  EXPECT_GE(tilted, 16);
  EXPECT_GE(4 * tiltedFacets, 3 * tilted);
  EXPECT_LT(2 * untiltedFacets, tiltedFacets);
}

}  // namespace
}  // namespace ringmarch::cut
