// The exact search against an independent Held-Karp optimum on many small instances, with every
// returned tour validated independently.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

// The tour is valid, its length is what the solver reports and it is optimal. A tour shorter
// than the initial one was found by the search: it starts at the start city and visits the
// start city's nearest city before its second nearest. Otherwise it is the initial tour, which
// starts at city 0.
void expectOptimal(const ProblemData& problem, const SolveOutcome& outcome) {
  ASSERT_EQ(outcome.code, ErrorCode::Success);
  ASSERT_EQ(tourDefect(outcome.order, problem.count), "");
  EXPECT_EQ(closedTourLength(problem, outcome.order), outcome.length);
  EXPECT_EQ(outcome.length, heldKarpOptimum(problem));
  if (outcome.length < outcome.statistics.initialLength) {
    const int start = problem.startCity;
    ASSERT_EQ(outcome.order.front(), start);
    const std::int32_t* neighbours = problem.rows[start].neighbourOrder;
    const auto at = [&](int city) {
      return std::find(outcome.order.begin(), outcome.order.end(), city) - outcome.order.begin();
    };
    EXPECT_LT(at(neighbours[1]), at(neighbours[2]));
  } else {
    EXPECT_EQ(outcome.order.front(), 0);
  }
}

TEST(SearchOracle, EuclideanInstancesAreSolvedOptimally) {
  int improvedByTheSearch = 0;
  for (int count = 3; count <= 12; ++count) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
      const auto problem = euclideanInstance(count, seed * 7919u + static_cast<unsigned>(count));
      const SolveOutcome outcome = solveProblem(*problem);
      SCOPED_TRACE(::testing::Message() << count << " cities, seed " << seed);
      expectOptimal(*problem, outcome);
      if (outcome.length < outcome.statistics.initialLength) ++improvedByTheSearch;
    }
  }
  // The instances must exercise the search, not only the initial tour.
  EXPECT_GT(improvedByTheSearch, 20);
}

TEST(SearchOracle, MatricesWithManyEqualDistancesAreSolvedOptimally) {
  int improvedByTheSearch = 0;
  for (int count = 3; count <= 12; ++count) {
    for (int largest : {2, 3, 5, 9}) {
      for (std::uint32_t seed = 1; seed <= 30; ++seed) {
        const int start = static_cast<int>(seed) % count;
        const auto problem =
            explicitInstance(count, seed * 104729u + largest * 31u + count, largest, start);
        const SolveOutcome outcome = solveProblem(*problem);
        SCOPED_TRACE(::testing::Message()
                     << count << " cities, distances 1.." << largest << ", seed " << seed);
        expectOptimal(*problem, outcome);
        if (outcome.length < outcome.statistics.initialLength) ++improvedByTheSearch;
      }
    }
  }
  EXPECT_GT(improvedByTheSearch, 20);
}

// Distances below zero (files may hold them): the working copy is shifted to non-negative
// distances, which moves every tour by the same amount, so the answer is still the optimum in the
// instance's own distances.
TEST(SearchOracle, MatricesWithNegativeDistancesAreSolvedOptimally) {
  for (int count = 3; count <= 11; ++count) {
    for (int lowest : {-1, -4, -40}) {
      for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        auto problem = explicitInstance(count, seed * 7u + count * 13u, 9, 0);
        // Shift the 1..9 matrix down and spread it, so that some entries are negative.
        for (int i = 0; i < count; ++i) {
          for (int j = 0; j < count; ++j) {
            if (i != j) problem->rows[i].dist[j] = (problem->rows[i].dist[j] - 1) * 5 + lowest;
          }
        }
        for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
        ASSERT_TRUE(tourLengthsFit(*problem));
        const SolveOutcome outcome = solveProblem(*problem);
        SCOPED_TRACE(::testing::Message()
                     << count << " cities, lowest " << lowest << ", seed " << seed);
        ASSERT_EQ(outcome.code, ErrorCode::Success);
        ASSERT_EQ(tourDefect(outcome.order, count), "");
        EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
        EXPECT_EQ(outcome.length, heldKarpOptimum(*problem));
        EXPECT_LE(outcome.length, outcome.statistics.initialLength);
      }
    }
  }
}

TEST(SearchOracle, ShiftedDistancesCountTowardsTheLengthLimit) {
  auto problem = explicitInstance(4, 3, 9, 0);
  problem->rows[0].dist[1] = problem->rows[1].dist[0] = -1'000'000'000;
  // Shifted by 10^9, the other entries approach 10^9 each: four rows of them exceed 32 bits.
  EXPECT_FALSE(tourLengthsFit(*problem));
  problem->rows[0].dist[1] = problem->rows[1].dist[0] = -100'000'000;
  EXPECT_TRUE(tourLengthsFit(*problem));
}

}  // namespace
}  // namespace ringmarch::testing
