// The internal search check: on instances with a unique optimal tour, no step of the evaluation
// chain may prune a node on that tour or remove one of its arcs while the best tour found is
// longer than the optimum. Runs in builds with RINGMARCH_SEARCH_CHECKS (debug and sanitize).
#include <gtest/gtest.h>

#include <algorithm>

#include "solver/witness_check.h"
#include "support/optimal_tour.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {
namespace {

// Solves with the witness tour and its length handed to the search checks.
bool runWithWitness(const ProblemData& problem, const std::vector<std::int32_t>& witness,
                    std::int32_t witnessLength, SolveOutcome& outcome) {
  SolveOptions options;
  options.witnessTour = witness.data();
  options.witnessLength = witnessLength;
  outcome = solveProblem(problem, options);
  return outcome.code == ErrorCode::Success;
}

TEST(SearchWitness, NoStepCutsTheUniqueOptimalTour) {
  if (!kSearchChecks) GTEST_SKIP() << "built without RINGMARCH_SEARCH_CHECKS";
  std::uint64_t checkedNodes = 0;
  int instances = 0;
  for (int count = 9; count <= 14; ++count) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
      const auto problem =
          seed % 2 == 0 ? euclideanInstance(count, seed * 6007u + static_cast<unsigned>(count))
                        : explicitInstance(count, seed * 3001u + static_cast<unsigned>(count), 1000,
                                           static_cast<int>(seed) % count);
      const OptimalTour optimal = optimalTour(*problem);
      if (!optimal.unique) continue;
      ++instances;
      const auto witness = searchDirection(*problem, optimal.order);
      SolveOutcome outcome;
      ASSERT_TRUE(
          runWithWitness(*problem, witness, static_cast<std::int32_t>(optimal.length), outcome));
      SCOPED_TRACE(::testing::Message() << count << " cities, seed " << seed);
      EXPECT_EQ(outcome.length, optimal.length);
      EXPECT_EQ(outcome.statistics.witnessViolations, 0u)
          << "first violation in " << outcome.statistics.witnessViolation;
      checkedNodes += outcome.statistics.witnessChecks;
    }
  }
  EXPECT_GT(instances, 40);
  // The check must have looked at many nodes, or it proves nothing.
  EXPECT_GT(checkedNodes, 1000u);
}

// With zero and negative distances the start city need not stand first in its own neighbour
// order, and the search's lengths are in shifted distances: the check must still follow the
// tour in the search's direction and compare lengths in the same units.
TEST(SearchWitness, ZeroAndNegativeDistancesAreCheckedInTheSearchsTerms) {
  if (!kSearchChecks) GTEST_SKIP() << "built without RINGMARCH_SEARCH_CHECKS";
  int instances = 0;
  std::uint64_t checkedNodes = 0;
  for (int lowest : {0, -3, -500}) {
    for (int count = 6; count <= 11; ++count) {
      for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        auto problem = explicitInstance(count, seed * 4099u + static_cast<unsigned>(count), 400,
                                        static_cast<int>(seed) % count);
        // 1 .. 400 moved down so that the smallest entries are `lowest`.
        for (int i = 0; i < count; ++i) {
          for (int j = 0; j < count; ++j) {
            if (i != j) problem->rows[i].dist[j] += lowest - 1;
          }
        }
        for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
        const OptimalTour optimal = optimalTour(*problem);
        if (!optimal.unique) continue;
        ++instances;
        SolveOutcome outcome;
        ASSERT_TRUE(runWithWitness(*problem, searchDirection(*problem, optimal.order),
                                   static_cast<std::int32_t>(optimal.length), outcome));
        SCOPED_TRACE(::testing::Message()
                     << count << " cities, lowest " << lowest << ", seed " << seed);
        EXPECT_EQ(outcome.length, optimal.length);
        EXPECT_EQ(outcome.statistics.witnessViolations, 0u)
            << "first violation in " << outcome.statistics.witnessViolation;
        checkedNodes += outcome.statistics.witnessChecks;
      }
    }
  }
  EXPECT_GT(instances, 60);
  EXPECT_GT(checkedNodes, 500u);
}

// A control: the check does fire when the tour it is given is not optimal, since the search
// then prunes nodes along it while the best length is still above the claimed optimum.
TEST(SearchWitness, CheckReportsATourThatIsNotOptimal) {
  if (!kSearchChecks) GTEST_SKIP() << "built without RINGMARCH_SEARCH_CHECKS";
  int flagged = 0;
  for (std::uint32_t seed = 1; seed <= 10; ++seed) {
    const auto problem = euclideanInstance(12, seed * 7717u);
    const OptimalTour optimal = optimalTour(*problem);
    auto wrong = searchDirection(*problem, optimal.order);
    std::swap(wrong[3], wrong[7]);  // a worse tour through the same start
    SolveOutcome outcome;
    ASSERT_TRUE(
        runWithWitness(*problem, wrong, static_cast<std::int32_t>(optimal.length), outcome));
    if (outcome.statistics.witnessViolations > 0) ++flagged;
  }
  EXPECT_GT(flagged, 5);
}

}  // namespace
}  // namespace ringmarch::testing
