#include "separator_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "separator_fixtures.h"

namespace ringmarch::cut::fixtures {

void expectSoundCombs(const std::vector<CitySetCut>& cuts, const SupportGraph& g, int toursUpTo) {
  double previous = std::numeric_limits<double>::infinity();
  for (const auto& cut : cuts) {
    CitySetCut again = cut;
    ASSERT_TRUE(canonicalize(again, g.n));
    EXPECT_EQ(again.sets, cut.sets);
    EXPECT_TRUE(isCombByEnumeration(cut, g.n));
    // In canonical form a tooth edge is a 2-set (n >= 6), so any larger set is a larger tooth or
    // the handle: a blossom has exactly one set that is not a pair.
    const auto pairs = std::count_if(cut.sets.begin(), cut.sets.end(),
                                     [](const std::vector<int>& s) { return s.size() == 2; });
    const bool edgeTeeth = pairs >= static_cast<long>(cut.sets.size()) - 1;
    EXPECT_EQ(cut.family, edgeTeeth ? CutFamily::Blossom : CutFamily::Comb);
    const double violation = violationOf(cut, g);
    EXPECT_GT(violation, 1e-6);
    EXPECT_LE(violation, previous + 1e-9);
    previous = violation;
    if (g.n <= toursUpTo) {
      EXPECT_GE(smallestTourActivity(cut, g.n), cut.rhs);
    }
  }
}

}  // namespace ringmarch::cut::fixtures
