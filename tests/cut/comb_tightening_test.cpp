// Comb tightening: a blossom the point meets grown into the violated comb with three-city teeth;
// nothing on a tour; on random points, from random combs, only combs every tour satisfies and the
// point violates.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cut/comb_structure.h"
#include "cut/comb_tightening.h"
#include "separator_checks.h"
#include "separator_fixtures.h"

namespace ringmarch::cut {
namespace {

using namespace fixtures;

CitySetCut combOf(std::vector<int> handle, std::vector<std::vector<int>> teeth, int n) {
  CitySetCut cut;
  const auto family = teeth[0].size() == 2 ? CutFamily::Blossom : CutFamily::Comb;
  EXPECT_TRUE(combCut(std::move(handle), std::move(teeth), family, n, cut));
  return cut;
}

TEST(CutCombTightening, GrowsABlossomIntoTheViolatedComb) {
  // Handle {0, 1, 2} with the edges {i, 3 + 2i} as teeth: activity 12 against 10. Each city
  // 4 + 2i joining its tooth lowers it by 1.
  const SupportGraph g = threeCityTeeth();
  const CitySetCut blossom = combOf({0, 1, 2}, {{0, 3}, {1, 5}, {2, 7}}, 9);
  const auto cuts = tightenCombs(g, {&blossom}, 10, 1e-4);
  ASSERT_EQ(cuts.size(), 1u);
  EXPECT_EQ(cuts[0].family, CutFamily::Comb);
  EXPECT_EQ(cuts[0].sets,
            (std::vector<std::vector<int>>{{0, 1, 2}, {0, 3, 4}, {1, 5, 6}, {2, 7, 8}}));
  expectSoundCombs(cuts, g, 9);
}

TEST(CutCombTightening, NothingOnATourNorFromASubtourCut) {
  const SupportGraph tour = tourGraph(9);
  const CitySetCut comb = combOf({0, 1, 2}, {{2, 3}, {0, 8}, {1, 5}}, 9);
  EXPECT_TRUE(tightenCombs(tour, {&comb}, 10, 1e-4).empty());
  CitySetCut subtour;
  subtour.sets = {{0, 1, 2}};
  EXPECT_TRUE(tightenCombs(threeCityTeeth(), {&subtour}, 10, 1e-4).empty());
}

TEST(CutCombTightening, OnlySoundCombsFromRandomCombsOnRandomPoints) {
  int found = 0;
  for (int n = 7; n <= 9; ++n) {
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
      const int split = std::min(static_cast<int>(seed % 3), 9 - n);
      const SupportGraph g =
          expandCities(randomFractionalPoint(n, 0.8, seed * 100 + n), split, seed);
      const int cities = g.n;
      SCOPED_TRACE(::testing::Message() << "n " << cities << " seed " << seed);
      // Random combs: a handle of the first h cities of a shuffled order, three teeth of two or
      // three cities, each with one city inside and the rest outside the handle.
      std::vector<CitySetCut> combs;
      std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(n);
      auto below = [&](int bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(bound));
      };
      for (int attempt = 0; attempt < 20; ++attempt) {
        std::vector<int> order(static_cast<std::size_t>(cities));
        for (int c = 0; c < cities; ++c) order[static_cast<std::size_t>(c)] = c;
        for (int c = cities - 1; c > 0; --c) std::swap(order[c], order[below(c + 1)]);
        const int handleSize = 3 + below(cities - 6);
        std::vector<int> handle(order.begin(), order.begin() + handleSize);
        std::vector<std::vector<int>> teeth;
        int outsideNext = handleSize;
        for (int t = 0; t < 3 && outsideNext < cities; ++t) {
          std::vector<int> tooth = {handle[static_cast<std::size_t>(t)],
                                    order[static_cast<std::size_t>(outsideNext++)]};
          if (below(2) == 1 && outsideNext < cities) {
            tooth.push_back(order[static_cast<std::size_t>(outsideNext++)]);
          }
          teeth.push_back(tooth);
        }
        if (teeth.size() == 3) combs.push_back(combOf(handle, teeth, cities));
      }
      std::vector<const CitySetCut*> pointers;
      for (const auto& comb : combs) pointers.push_back(&comb);
      const auto cuts = tightenCombs(g, pointers, 10, 1e-4);
      found += static_cast<int>(cuts.size());
      expectSoundCombs(cuts, g, 9);
    }
  }
  EXPECT_GE(found, 10);
}

}  // namespace
}  // namespace ringmarch::cut
