// The full search on the shipped TSPLIB instances: every one reaches its published optimum with a
// valid tour, the first level's lower bound never exceeds the optimum, and the solve does not
// depend on the chain's filters for its result (only for its size).
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

// The instances of 48 to 124 cities, which only the Lagrangian bounds make quick to prove.
const std::vector<std::string> kLargerFiles = {
    "eil51.tsp",  "berlin52.tsp", "brazil58.tsp", "st70.tsp",    "eil76.tsp",
    "pr76.tsp",   "kroA100.tsp",  "kroB100.tsp",  "kroC100.tsp", "rd100.tsp",
    "eil101.tsp", "lin105.tsp",   "pr107.tsp",    "pr124.tsp"};

void expectPublishedOptima(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
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
    EXPECT_FALSE(outcome.statistics.stopped);
    EXPECT_LE(outcome.statistics.firstLevelBound, optimum);
    EXPECT_EQ(outcome.statistics.lowerBound, optimum);
  }
}

TEST(TsplibOptimum, EveryInstanceReachesItsPublishedOptimum) {
  expectPublishedOptima(kFiles);
}

TEST(TsplibOptimum, EveryLargerInstanceReachesItsPublishedOptimum) {
  expectPublishedOptima(kLargerFiles);
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
