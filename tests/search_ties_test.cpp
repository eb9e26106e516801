// Matrices with many equal distances, solved against the independent Held-Karp optimum.
//
// Known fault, kept here as a disabled regression test for the owner of the candidate arc test:
// on these two instances the search ends one above the optimum, with or without the chain's
// filters. The tie rule of the tail-segment moves in admitArc (a tie rejects the arc when
// t < w) rejects every optimal tour; without that one tie rule all 1,000 instances of a
// tie-heavy sweep (8 to 15 cities, distances 1 .. 2, 3, 5, 9, 20) reach their optimum.
#include <gtest/gtest.h>

#include "support/optimal_tour.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {
namespace {

struct TieCase {
  int count;
  int largest;
  std::uint32_t seed;
  bool zeroDistances;  // distinct cities at distance 0 as well
};

TEST(SearchTies, DISABLED_TieHeavyMatricesKeepTheirOptimum) {
  for (const TieCase& c : {TieCase{13, 9, 17, false}, TieCase{14, 9, 24, true}}) {
    SCOPED_TRACE(::testing::Message() << c.count << " cities, seed " << c.seed);
    auto problem = explicitInstance(c.count, c.seed * 104723u + c.largest * 37u + c.count,
                                    c.largest, static_cast<int>(c.seed) % c.count);
    if (c.zeroDistances) {
      for (int i = 0; i < c.count; ++i) {
        for (int j = 0; j < c.count; ++j) problem->rows[i].dist[j] -= i == j ? 0 : 1;
      }
      for (int i = 0; i < c.count; ++i) sortNeighbourOrder(*problem, i);
    }
    const SolveOutcome outcome = solveProblem(*problem);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    EXPECT_EQ(outcome.length, optimalTour(*problem).length);
  }
}

}  // namespace
}  // namespace ringmarch::testing
