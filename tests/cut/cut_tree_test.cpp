// The cut tree against brute-force minimum cuts on small graphs: each tree edge's side is a
// minimum cut between its ends, and the smallest value on a tree path is the minimum cut
// between the path's ends, for every pair, on connected and disconnected graphs alike; with a
// threshold, the same for every cut below it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "cut/cut_tree.h"

namespace ringmarch::cut {
namespace {

struct CapacityGraph {
  int n = 0;
  std::vector<int> u, v;
  std::vector<double> capacity;
};

// Each pair an edge with the given chance (in percent); capacities in thirds from 0 to 2.
CapacityGraph randomGraph(int n, int percent, std::uint64_t seed) {
  CapacityGraph g;
  g.n = n;
  std::uint64_t s = seed;
  auto next = [&] {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>(s >> 33);
  };
  for (int a = 0; a < n; ++a) {
    for (int b = a + 1; b < n; ++b) {
      if (next() % 100 >= percent) continue;
      g.u.push_back(next() % 2 ? a : b);  // either orientation
      g.v.push_back(g.u.back() == a ? b : a);
      g.capacity.push_back((next() % 7) / 3.0);
    }
  }
  return g;
}

double sideCapacity(const CapacityGraph& g, const std::vector<char>& side) {
  double total = 0.0;
  for (std::size_t e = 0; e < g.capacity.size(); ++e) {
    if (side[g.u[e]] != side[g.v[e]]) total += g.capacity[e];
  }
  return total;
}

double bruteForceMinimumCut(const CapacityGraph& g, int s, int t) {
  double best = std::numeric_limits<double>::infinity();
  std::vector<char> side(static_cast<std::size_t>(g.n));
  for (std::uint32_t mask = 0; mask < (1u << g.n); ++mask) {
    if (!((mask >> s) & 1) || ((mask >> t) & 1)) continue;
    for (int c = 0; c < g.n; ++c) side[c] = (mask >> c) & 1;
    best = std::min(best, sideCapacity(g, side));
  }
  return best;
}

TEST(CutTree, TreeEdgesAreMinimumCutsAndPathsGiveEveryPair) {
  struct Case {
    int n, percent;
    std::uint64_t seed;
  };
  const Case cases[] = {{1, 100, 1}, {2, 100, 2}, {2, 0, 3},  {5, 60, 4}, {7, 40, 5},
                        {8, 25, 6},  {8, 25, 7},  {9, 70, 8}, {9, 15, 9}, {10, 50, 10}};
  const double infinity = std::numeric_limits<double>::infinity();
  for (const auto& c : cases) {
    for (double threshold : {infinity, 1.0}) {
      SCOPED_TRACE(::testing::Message()
                   << "n " << c.n << " seed " << c.seed << " threshold " << threshold);
      const CapacityGraph g = randomGraph(c.n, c.percent, c.seed);
      const CutTree tree = gomoryHuTree(g.n, g.u, g.v, g.capacity, threshold);
      ASSERT_EQ(tree.parent.size(), static_cast<std::size_t>(g.n));
      ASSERT_EQ(tree.preorder.size(), static_cast<std::size_t>(g.n));
      EXPECT_EQ(tree.parent[0], -1);
      // Preorder: a permutation starting at the root, parents before children, sizes adding up.
      std::vector<int> depth(static_cast<std::size_t>(g.n), 0);
      for (int p = 0; p < g.n; ++p) {
        const int city = tree.preorder[p];
        ASSERT_EQ(tree.position[city], p);
        if (p == 0) continue;
        const int parent = tree.parent[city];
        ASSERT_GE(parent, 0);
        ASSERT_LT(tree.position[parent], p);
        EXPECT_TRUE(tree.below(city, parent));
        depth[city] = depth[parent] + 1;
      }
      EXPECT_EQ(tree.subtreeSize[0], g.n);
      for (int i = 1; i < g.n; ++i) {
        std::vector<char> side(static_cast<std::size_t>(g.n));
        for (int city = 0; city < g.n; ++city) side[city] = tree.below(city, i);
        const double minimum = bruteForceMinimumCut(g, i, tree.parent[i]);
        if (minimum < threshold) {
          EXPECT_NEAR(sideCapacity(g, side), minimum, 1e-9) << "below " << i;
          EXPECT_NEAR(tree.value[i], minimum, 1e-9) << "below " << i;
        } else {
          EXPECT_EQ(tree.value[i], threshold) << "below " << i;
        }
      }
      for (int s = 0; s < g.n; ++s) {
        for (int t = s + 1; t < g.n; ++t) {
          double smallest = std::numeric_limits<double>::infinity();
          for (int a = s, b = t; a != b;) {
            int& deeper = depth[a] >= depth[b] ? a : b;
            smallest = std::min(smallest, tree.value[deeper]);
            deeper = tree.parent[deeper];
          }
          EXPECT_NEAR(smallest, std::min(threshold, bruteForceMinimumCut(g, s, t)), 1e-9)
              << s << " - " << t;
        }
      }
    }
  }
}

}  // namespace
}  // namespace ringmarch::cut
