// The bounds that only cut what holds no strictly shorter tour: the improved first tour, the
// Lagrangian tree bound and the arc elimination by its reduced costs. The first level's bound is
// a true lower bound, the answers do not depend on the switches, asymmetric instances run without
// them, and a tight budget does not make the first level's bound test reject an optimal child.
#include <gtest/gtest.h>

#include <vector>

#include "support/optimal_tour.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

SolveOptions withSwitches(bool upperBound, bool lagrangian, bool elimination) {
  SolveOptions options;
  options.improveUpperBound = upperBound;
  options.chain.lagrangianBound = lagrangian;
  options.chain.reducedCostElimination = elimination;
  return options;
}

TEST(LagrangianBound, FirstLevelBoundNeverExceedsTheOptimumAndIsOftenExact) {
  int instances = 0;
  int exact = 0;
  for (int count = 6; count <= 12; ++count) {
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
      const auto problem =
          seed % 2 == 0 ? euclideanInstance(count, seed * 7333u + static_cast<unsigned>(count))
                        : explicitInstance(count, seed * 5003u + static_cast<unsigned>(count),
                                           seed % 4 == 1 ? 6 : 300, static_cast<int>(seed) % count);
      const std::int64_t optimum = heldKarpOptimum(*problem);
      const SolveOutcome outcome = solveProblem(*problem);
      SCOPED_TRACE(::testing::Message() << count << " cities, seed " << seed);
      ASSERT_EQ(outcome.code, ErrorCode::Success);
      EXPECT_EQ(outcome.length, optimum);
      EXPECT_LE(outcome.statistics.improvedLength, outcome.statistics.initialLength);
      EXPECT_GE(outcome.statistics.improvedLength, optimum);
      EXPECT_LE(outcome.statistics.firstLevelBound, optimum);
      EXPECT_EQ(outcome.statistics.lowerBound, optimum);
      ++instances;
      if (outcome.statistics.firstLevelBound == optimum) ++exact;
    }
  }
  // Small instances mostly have no gap at all; a bound that never reaches the optimum is broken.
  EXPECT_GT(exact, instances / 2);
}

// Nine cities, distances without a triangle inequality, start city 5. With the improved tour as
// the bound (1862 + 1), the first level's elimination leaves the start city only its two tour
// edges, so the degree bound is exact; the bound test of the child 5 -> 7 once charged the start
// city's adjust on top of the real edge and rejected the optimal tour.
TEST(LagrangianBound, TightBudgetKeepsTheStartCitysBoundTestHonest) {
  const std::vector<std::vector<int>> matrix = {
      {0, 824, 208, 898, 469, 541, 159, 562, 630}, {824, 0, 914, 123, 374, 340, 774, 814, 682},
      {208, 914, 0, 258, 346, 36, 589, 136, 166},  {898, 123, 258, 0, 956, 271, 906, 735, 162},
      {469, 374, 346, 956, 0, 710, 507, 421, 85},  {541, 340, 36, 271, 710, 0, 236, 386, 188},
      {159, 774, 589, 906, 507, 236, 0, 392, 120}, {562, 814, 136, 735, 421, 386, 392, 0, 874},
      {630, 682, 166, 162, 85, 188, 120, 874, 0}};
  const auto problem = matrixInstance(matrix, 5);
  ASSERT_EQ(heldKarpOptimum(*problem), 1862);
  for (int subset = 0; subset < 8; ++subset) {
    SCOPED_TRACE(subset);
    const SolveOutcome outcome = solveProblem(
        *problem, withSwitches((subset & 1) != 0, (subset & 2) != 0, (subset & 4) != 0));
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    EXPECT_EQ(outcome.length, 1862);
    EXPECT_EQ(outcome.order, (std::vector<int>{5, 7, 2, 0, 6, 8, 4, 1, 3}));
  }
}

TEST(LagrangianBound, EliminationRemovesArcsAndTheSwitchesChangeOnlyTheTreeSize) {
  const auto problem = euclideanInstance(45, 77);
  const SolveOutcome off = solveProblem(*problem, withSwitches(false, false, false));
  const SolveOutcome bound = solveProblem(*problem, withSwitches(false, true, false));
  const SolveOutcome all = solveProblem(*problem, withSwitches(true, true, true));
  ASSERT_EQ(off.code, ErrorCode::Success);
  EXPECT_EQ(off.statistics.eliminatedArcs, 0u);
  EXPECT_EQ(bound.statistics.eliminatedArcs, 0u);
  EXPECT_GT(all.statistics.eliminatedArcs, 0u);
  EXPECT_EQ(off.statistics.firstLevelBound, 0);
  EXPECT_GT(bound.statistics.firstLevelBound, 0);
  EXPECT_LT(bound.statistics.evaluatedNodes, off.statistics.evaluatedNodes);
  EXPECT_LT(all.statistics.evaluatedNodes, bound.statistics.evaluatedNodes);
  EXPECT_EQ(all.order, off.order);
  EXPECT_EQ(bound.order, off.order);
  EXPECT_EQ(all.length, off.length);
}

// The search does not solve asymmetric matrices exactly; the bounds that assume symmetry stay
// off, so their answer is the one the search gives without them.
TEST(LagrangianBound, AsymmetricMatricesRunWithoutTheNewBounds) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    auto problem = explicitInstance(11, seed * 31u, 50, 0);
    problem->rows[1].dist[2] += 17;  // one pair no longer agrees
    const SolveOutcome off = solveProblem(*problem, withSwitches(false, false, false));
    const SolveOutcome on = solveProblem(*problem);
    SCOPED_TRACE(seed);
    ASSERT_EQ(on.code, ErrorCode::Success);
    EXPECT_EQ(on.order, off.order);
    EXPECT_EQ(on.statistics.evaluatedNodes, off.statistics.evaluatedNodes);
    EXPECT_EQ(on.statistics.eliminatedArcs, 0u);
    EXPECT_EQ(on.statistics.firstLevelBound, 0);
    EXPECT_EQ(on.statistics.improvedLength, on.statistics.initialLength);
  }
}

TEST(ImprovedTour, IsDeterministicValidAndNeverLongerThanTheInitialTour) {
  for (int count : {8, 30, 90}) {
    const auto problem = euclideanInstance(count, 4242u + static_cast<unsigned>(count));
    const SolveOutcome first = solveProblem(*problem);
    const SolveOutcome again = solveProblem(*problem);
    SCOPED_TRACE(count);
    ASSERT_EQ(first.code, ErrorCode::Success);
    EXPECT_EQ(first.statistics.improvedLength, again.statistics.improvedLength);
    EXPECT_EQ(first.order, again.order);
    EXPECT_LE(first.statistics.improvedLength, first.statistics.initialLength);
    EXPECT_GE(first.statistics.improvedLength, first.length);
  }
  // A 90-city nearest-neighbour tour is never a local optimum of 2-opt and Or-opt moves.
  const auto problem = euclideanInstance(90, 4332u);
  EXPECT_LT(solveProblem(*problem).statistics.improvedLength,
            solveProblem(*problem).statistics.initialLength);
}

}  // namespace
}  // namespace ringmarch::testing
