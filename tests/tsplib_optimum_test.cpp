// The full search on the TSPLIB instances small enough for the unit suite: every one reaches its
// published optimum with a valid tour, and the solve does not depend on the chain's filters for
// its result (only for its size).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/instance_loader.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

const std::vector<std::string> kFiles = {"gr17.tsp",   "gr21.tsp",   "gr24.tsp",     "fri26.tsp",
                                         "bayg29.tsp", "bays29.tsp", "dantzig42.tsp"};

TEST(TsplibOptimum, EveryInstanceReachesItsPublishedOptimum) {
  for (const std::string& file : kFiles) {
    SCOPED_TRACE(file);
    const auto problem = loadInstance(std::string(RINGMARCH_TEST_DATA_DIR) + "/" + file);
    ASSERT_NE(problem, nullptr);
    const std::int64_t optimum = publishedOptimum(RINGMARCH_TEST_DATA_DIR, file);
    ASSERT_GT(optimum, 0);
    const SolveOutcome outcome = solveProblem(*problem);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    ASSERT_EQ(tourDefect(outcome.order, problem->count), "");
    EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
    EXPECT_EQ(outcome.length, optimum);
  }
}

TEST(TsplibOptimum, ChainFiltersShrinkTheSearchButNotTheResult) {
  for (const std::string& file : {std::string("gr24.tsp"), std::string("bayg29.tsp")}) {
    SCOPED_TRACE(file);
    const auto problem = loadInstance(std::string(RINGMARCH_TEST_DATA_DIR) + "/" + file);
    ASSERT_NE(problem, nullptr);
    const SolveOutcome full = solveProblem(*problem);
    SolveOptions bare;
    bare.fullChain = false;
    const SolveOutcome without = solveProblem(*problem, bare);
    EXPECT_EQ(full.length, without.length);
    EXPECT_LT(full.statistics.evaluatedNodes, without.statistics.evaluatedNodes);
  }
}

}  // namespace
}  // namespace ringmarch::testing
