// Exact blossom separation against known points and against brute force: on random points that
// satisfy the degree equations and the subtour constraints it must find a blossom exactly as
// violated as the most violated one, and every blossom it returns must be a comb that no tour
// violates.
#include <gtest/gtest.h>

#include "cut/exact_blossom_separation.h"
#include "separator_checks.h"
#include "separator_fixtures.h"

namespace ringmarch::cut {
namespace {

using namespace fixtures;

// A 5-cycle and a triangle at 1/2 joined by 1-paths; the 5-cycle's two 1-edges to city 0 would
// be teeth sharing city 0, and moving 0 into the handle leaves the triangle's blossom.
SupportGraph sharedToothEnd() {
  return graphOf(9, {{0, 3, 1.0},
                     {0, 8, 1.0},
                     {1, 2, 1.0},
                     {1, 3, 0.5},
                     {1, 8, 0.5},
                     {2, 6, 0.5},
                     {2, 7, 0.5},
                     {3, 4, 0.5},
                     {4, 5, 0.5},
                     {4, 6, 1.0},
                     {5, 7, 1.0},
                     {5, 8, 0.5},
                     {6, 7, 0.5}});
}

TEST(CutExactBlossoms, FindTheKnownBlossomsAndNoneOnATour) {
  struct Case {
    const char* name;
    SupportGraph graph;
    double violation;  // of the most violated blossom
  };
  const Case cases[] = {{"two triangles", twoTriangles(), 1.0},
                        {"Petersen", petersen(), 1.0},
                        {"three-city teeth", threeCityTeeth(), 0.0},
                        {"shared tooth end", sharedToothEnd(), 1.0},
                        {"tour", tourGraph(8), 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NEAR(bruteForceBlossomViolation(c.graph), c.violation, 1e-9);
    const auto cuts = separateExactBlossoms(c.graph, 100);
    if (c.violation == 0.0) {
      EXPECT_TRUE(cuts.empty());
      continue;
    }
    ASSERT_FALSE(cuts.empty());
    EXPECT_NEAR(violationOf(cuts[0], c.graph), c.violation, 1e-9);
    expectSoundCombs(cuts, c.graph, 10);
  }
  const auto repaired = separateExactBlossoms(sharedToothEnd(), 10);
  ASSERT_EQ(repaired.size(), 1u);
  EXPECT_EQ(repaired[0].sets, (std::vector<std::vector<int>>{{1, 2}, {2, 6, 7}, {4, 6}, {5, 7}}));
  // The blossom of the two triangles: a triangle and the three 1-edges.
  const auto cuts = separateExactBlossoms(twoTriangles(), 1);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].rhs, 10);
  // Of two halves the one without city 0 is the canonical side.
  EXPECT_EQ(cuts[0].sets, (std::vector<std::vector<int>>{{0, 3}, {1, 4}, {2, 5}, {3, 4, 5}}));
}

TEST(CutExactBlossoms, MatchBruteForceOnRandomPoints) {
  int points = 0, violated = 0;
  for (int n = 6; n <= 10; ++n) {
    for (double share : {1.0, 0.8, 0.65}) {
      for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        const SupportGraph g = randomFractionalPoint(n, share, seed * 1000 + n);
        if (!satisfiesSubtours(g)) continue;
        SCOPED_TRACE(::testing::Message() << "n " << n << " share " << share << " seed " << seed);
        ++points;
        const double brute = bruteForceBlossomViolation(g);
        const auto cuts = separateExactBlossoms(g, 10);
        const double found = cuts.empty() ? 0.0 : violationOf(cuts[0], g);
        if (brute > 1e-6) {
          ++violated;
          EXPECT_GE(found, brute - 1e-9);
        }
        EXPECT_LE(found, brute + 1e-9);
        expectSoundCombs(cuts, g, 9);
      }
    }
  }
  EXPECT_GE(points, 100);
  EXPECT_GE(violated, 30);
}

TEST(CutExactBlossoms, SameCutsInTheSameOrderOnALargePoint) {
  const SupportGraph g = randomFractionalPoint(600, 0.95, 77);
  const auto first = separateExactBlossoms(g, 50);
  const auto second = separateExactBlossoms(g, 50);
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(first.size(), second.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(first[i].sets, second[i].sets);
    EXPECT_EQ(first[i].rhs, second[i].rhs);
  }
  expectSoundCombs(first, g, 0);
}

}  // namespace
}  // namespace ringmarch::cut
