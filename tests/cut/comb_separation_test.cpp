// Block combs against points whose violated comb is known, among them one whose teeth have three
// cities and which holds no violated blossom; every comb returned must be a comb no tour violates.
#include <gtest/gtest.h>

#include <algorithm>

#include "cut/comb_separation.h"
#include "cut/exact_blossom_separation.h"
#include "separator_checks.h"
#include "separator_fixtures.h"

namespace ringmarch::cut {
namespace {

using namespace fixtures;

TEST(CutBlockCombs, FindTheKnownCombsAndNoneOnATour) {
  struct Case {
    const char* name;
    SupportGraph graph;
    double violation;  // of the most violated comb
    std::size_t toothSize;
  };
  const Case cases[] = {{"two triangles", twoTriangles(), 1.0, 2},
                        {"Petersen", petersen(), 1.0, 2},
                        {"three-city teeth", threeCityTeeth(), 1.0, 3},
                        {"tour", tourGraph(9), 0.0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto cuts = separateBlockCombs(c.graph, 100);
    if (c.violation == 0.0) {
      EXPECT_TRUE(cuts.empty());
      continue;
    }
    ASSERT_FALSE(cuts.empty());
    EXPECT_NEAR(violationOf(cuts[0], c.graph), c.violation, 1e-9);
    for (std::size_t s = 0; s < cuts[0].sets.size(); ++s) {
      // Every set but the handle is a tooth of the expected size.
      const auto size = cuts[0].sets[s].size();
      EXPECT_TRUE(size == c.toothSize || size >= 3) << s;
    }
    expectSoundCombs(cuts, c.graph, 10);
  }
  // The three-city teeth: handle {0, 1, 2}, teeth {i, 3 + 2i, 4 + 2i}.
  const auto cuts = separateBlockCombs(threeCityTeeth(), 1);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].family, CutFamily::Comb);
  EXPECT_EQ(cuts[0].sets,
            (std::vector<std::vector<int>>{{0, 1, 2}, {0, 3, 4}, {1, 5, 6}, {2, 7, 8}}));
}

TEST(CutBlockCombs, OnlySoundCombsOnRandomPoints) {
  int found = 0, withLargeTeeth = 0;
  for (int n = 6; n <= 9; ++n) {
    for (double share : {1.0, 0.8, 0.65}) {
      for (std::uint64_t seed = 1; seed <= 30; ++seed) {
        // Up to three cities split in two, for teeth beyond edges; nine cities at most.
        const int split = std::min(static_cast<int>(seed % 4), 9 - n);
        const SupportGraph g =
            expandCities(randomFractionalPoint(n, share, seed * 1000 + n), split, seed);
        SCOPED_TRACE(::testing::Message() << "n " << n << " share " << share << " seed " << seed);
        const auto cuts = separateBlockCombs(g, 10);
        found += !cuts.empty();
        for (const auto& cut : cuts) withLargeTeeth += cut.family == CutFamily::Comb;
        expectSoundCombs(cuts, g, 9);
      }
    }
  }
  EXPECT_GE(found, 30);
  EXPECT_GE(withLargeTeeth, 5);
}

TEST(CutBlockCombs, SameCutsInTheSameOrderOnALargePoint) {
  const SupportGraph g = expandCities(randomFractionalPoint(500, 0.95, 77), 100, 5);
  const auto first = separateBlockCombs(g, 50);
  const auto second = separateBlockCombs(g, 50);
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
