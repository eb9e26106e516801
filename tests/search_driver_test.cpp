// The Solve driver end to end: results a client sees, out of memory, the monitor, determinism
// and large distances.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "model/generation.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

void expectValidTour(const ProblemData& problem, const SolveOutcome& outcome) {
  ASSERT_EQ(tourDefect(outcome.order, problem.count), "");
  EXPECT_EQ(closedTourLength(problem, outcome.order), outcome.length);
}

std::ptrdiff_t positionIn(const std::vector<int>& order, int city) {
  return std::find(order.begin(), order.end(), city) - order.begin();
}

TEST(SolveDriver, ThreeCitiesGiveTheInitialTourFromCityZero) {
  const auto problem = explicitInstance(3, 9, 50, 2);
  const SolveOutcome outcome = solveProblem(*problem);
  ASSERT_EQ(outcome.code, ErrorCode::Success);
  expectValidTour(*problem, outcome);
  EXPECT_EQ(outcome.order.front(), 0);
  EXPECT_EQ(outcome.length, outcome.statistics.initialLength);
}

TEST(SolveDriver, ImprovedTourStartsAtTheStartCityWithNearestBeforeSecond) {
  int checked = 0;
  for (std::uint32_t seed = 1; seed <= 300 && checked < 5; ++seed) {
    const auto problem = euclideanInstance(11, seed);
    const int start = problem->startCity;
    if (start == 0) continue;
    const SolveOutcome outcome = solveProblem(*problem);
    if (outcome.length == outcome.statistics.initialLength) continue;
    SCOPED_TRACE(seed);
    expectValidTour(*problem, outcome);
    EXPECT_LT(outcome.length, outcome.statistics.initialLength);
    EXPECT_EQ(outcome.order.front(), start);
    const std::int32_t* neighbours = problem->rows[start].neighbourOrder;
    EXPECT_LT(positionIn(outcome.order, neighbours[1]), positionIn(outcome.order, neighbours[2]));
    ++checked;
  }
  EXPECT_EQ(checked, 5);
}

TEST(SolveDriver, OutOfMemoryHandsOutTheBestTourSoFar) {
  const auto problem = euclideanInstance(12, 2003);
  // Without the improved first tour, the initial tour is all there is before the search, and the
  // search (without its Lagrangian bounds) records several shorter tours; with them, the improved
  // tour (shorter here) is handed out until the search records one.
  for (const bool improve : {false, true}) {
    SCOPED_TRACE(improve ? "improved first bound" : "initial tour only");
    SolveOptions plain;
    plain.improveUpperBound = improve;
    plain.chain.lagrangianBound = improve;
    plain.chain.reducedCostElimination = improve;
    const SolveOutcome full = solveProblem(*problem, plain);
    ASSERT_EQ(full.code, ErrorCode::Success);
    ASSERT_LT(full.length, full.statistics.initialLength);  // the search improves this one
    const std::int32_t firstTour =
        improve ? full.statistics.improvedLength : full.statistics.initialLength;
    if (improve) {
      ASSERT_LT(firstTour, full.statistics.initialLength);
    }
    const std::uint64_t allocations = full.statistics.allocations;
    ASSERT_GT(allocations, 4u);

    std::int32_t previous = full.statistics.initialLength;
    int improvedBeforeFailing = 0;
    for (std::uint64_t failing = 1; failing <= allocations; ++failing) {
      SCOPED_TRACE(failing);
      SolveOptions options = plain;
      options.failAllocationNumber = failing;
      const SolveOutcome outcome = solveProblem(*problem, options);
      ASSERT_EQ(outcome.code, ErrorCode::OutOfMemory);
      expectValidTour(*problem, outcome);
      EXPECT_LE(outcome.length, firstTour);
      EXPECT_GE(outcome.length, full.length);
      // The search runs the same way up to the failure, so a later failure never hands out a
      // worse tour.
      EXPECT_LE(outcome.length, previous);
      previous = outcome.length;
      if (outcome.length < full.statistics.initialLength) ++improvedBeforeFailing;
      if (failing <= 2) {  // the root's arrays: only the first tour exists
        EXPECT_EQ(outcome.length, firstTour);
        EXPECT_EQ(outcome.order.front(), improve ? problem->startCity : 0);
      }
    }
    // Late failures hand out tours better than the initial one, not only the initial one.
    EXPECT_GT(improvedBeforeFailing, 0);
    SolveOptions options = plain;
    options.failAllocationNumber = allocations + 1;
    const SolveOutcome after = solveProblem(*problem, options);
    EXPECT_EQ(after.code, ErrorCode::Success);
    EXPECT_EQ(after.order, full.order);
  }
}

class CountingMonitor : public SolveMonitor {
 public:
  explicit CountingMonitor(int stopAtCall) : stopAtCall_(stopAtCall) {}
  bool onProgress(const SolveProgress& progress) override {
    ++calls;
    lastNodes = progress.evaluatedNodes;
    return calls != stopAtCall_;
  }
  int calls = 0;
  std::uint64_t lastNodes = 0;

 private:
  int stopAtCall_;
};

TEST(SolveDriver, MonitorSeesProgressAndCanStopTheSearch) {
  // Large enough that the full evaluation chain still leaves a search of many nodes.
  const auto problem = euclideanInstance(24, 99);
  const SolveOutcome plain = solveProblem(*problem);
  ASSERT_GT(plain.statistics.evaluatedNodes, 10u);

  CountingMonitor watching(-1);
  SolveOptions options;
  options.monitor = &watching;
  options.progressInterval = 3;
  const SolveOutcome watched = solveProblem(*problem, options);
  EXPECT_EQ(watched.code, ErrorCode::Success);
  EXPECT_FALSE(watched.statistics.stopped);
  EXPECT_EQ(watched.order, plain.order);
  EXPECT_EQ(watched.statistics.evaluatedNodes, plain.statistics.evaluatedNodes);
  EXPECT_GT(watching.calls, 0);
  EXPECT_EQ(watching.lastNodes % 3, 0u);

  CountingMonitor stopping(1);
  options.monitor = &stopping;
  options.progressInterval = 1;
  const SolveOutcome stopped = solveProblem(*problem, options);
  EXPECT_EQ(stopped.code, ErrorCode::Success);
  EXPECT_TRUE(stopped.statistics.stopped);
  EXPECT_EQ(stopping.calls, 1);
  EXPECT_LT(stopped.statistics.evaluatedNodes, plain.statistics.evaluatedNodes);
  expectValidTour(*problem, stopped);
  EXPECT_LE(stopped.length, stopped.statistics.initialLength);
}

// Answers onProgress with true, but asks the search to stop at the n-th keepGoing question.
class StoppingInside : public SolveMonitor {
 public:
  explicit StoppingInside(int stopAt) : stopAt_(stopAt) {}
  bool onProgress(const SolveProgress&) override { return true; }
  bool keepGoing(const SolveProgress& progress) override {
    nodesSeen = progress.evaluatedNodes;
    return ++asked < stopAt_;
  }
  std::uint64_t nodesSeen = 99;
  int asked = 0;

 private:
  int stopAt_;
};

SolveOutcome solveStoppingAt(const ProblemData& problem, StoppingInside& monitor) {
  SolveOptions options;
  options.monitor = &monitor;
  return solveProblem(problem, options);
}

// More than the first stage of any instance here asks (80 cities: some hundreds).
constexpr int kMostFirstStageQuestions = 2048;

// Questions the first stage (the initial tour and its improvement) asks before the first level:
// the largest stop that still ends the solve before its first node is counted.
int firstStageQuestions(const ProblemData& problem) {
  int low = 0;  // a stop here ends the solve before the first node
  int high = kMostFirstStageQuestions;
  while (high - low > 1) {
    const int middle = (low + high) / 2;
    StoppingInside monitor(middle);
    if (solveStoppingAt(problem, monitor).statistics.evaluatedNodes == 0) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return low;
}

// The first stage asks the monitor too, so that a limit of a millisecond is kept: a stop there
// ends the solve before any node with a whole tour, no longer than the initial one; stopped in
// the initial tour's 2-opt, the improvement does not run at all.
TEST(SolveDriver, MonitorCanStopTheFirstStage) {
  const auto problem = euclideanInstance(80, 515);
  const int questions = firstStageQuestions(*problem);
  // 2-opt sweeps and rounds of the improvement: some dozens at least for 80 cities.
  ASSERT_GT(questions, 20);
  ASSERT_LT(questions, kMostFirstStageQuestions - 1);
  for (const int stopAt : {1, 2, questions / 2, questions}) {
    SCOPED_TRACE(stopAt);
    StoppingInside monitor(stopAt);
    const SolveOutcome outcome = solveStoppingAt(*problem, monitor);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    EXPECT_TRUE(outcome.statistics.stopped);
    EXPECT_EQ(monitor.asked, stopAt);
    EXPECT_EQ(outcome.statistics.evaluatedNodes, 0u);
    expectValidTour(*problem, outcome);
    EXPECT_LE(outcome.length, outcome.statistics.initialLength);
    if (stopAt == 1) {
      EXPECT_EQ(outcome.statistics.improvedLength, outcome.statistics.initialLength);
    }
  }
  // Not stopped, the questions change nothing.
  StoppingInside never(1 << 30);
  const SolveOutcome asked = solveStoppingAt(*problem, never);
  const SolveOutcome plain = solveProblem(*problem);
  EXPECT_FALSE(asked.statistics.stopped);
  EXPECT_EQ(asked.order, plain.order);
  EXPECT_EQ(asked.statistics.evaluatedNodes, plain.statistics.evaluatedNodes);
  EXPECT_EQ(asked.statistics.improvedLength, plain.statistics.improvedLength);
}

// The first level of a large instance is one long evaluation (two ascents, then the probes): the
// monitor is asked inside it, and a stop there ends the solve with the improved tour, unproven.
TEST(SolveDriver, MonitorCanStopInsideTheFirstLevel) {
  const auto problem = euclideanInstance(80, 515);
  const int firstStage = firstStageQuestions(*problem);
  for (const int stopAt : {firstStage + 1, firstStage + 3, firstStage + 40}) {
    SCOPED_TRACE(stopAt);
    StoppingInside monitor(stopAt);
    SolveOptions options;
    options.monitor = &monitor;
    const SolveOutcome outcome = solveProblem(*problem, options);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    EXPECT_TRUE(outcome.statistics.stopped);
    EXPECT_EQ(monitor.asked, stopAt);
    EXPECT_EQ(monitor.nodesSeen, 0u);  // asked before the first node was counted
    EXPECT_EQ(outcome.statistics.evaluatedNodes, 1u);
    expectValidTour(*problem, outcome);
    EXPECT_EQ(outcome.length, outcome.statistics.improvedLength);
    EXPECT_LT(outcome.statistics.improvedLength, outcome.statistics.initialLength);
  }
}

TEST(SolveDriver, SolvesAreDeterministicAlsoOnTwoThreadsAtOnce) {
  const auto problem = euclideanInstance(16, 31337);
  const SolveOutcome first = solveProblem(*problem);
  const SolveOutcome second = solveProblem(*problem);
  EXPECT_EQ(first.order, second.order);
  EXPECT_EQ(first.statistics.evaluatedNodes, second.statistics.evaluatedNodes);

  SolveOutcome onThread[2];
  std::thread a([&] { onThread[0] = solveProblem(*problem); });
  std::thread b([&] { onThread[1] = solveProblem(*problem); });
  a.join();
  b.join();
  for (const SolveOutcome& outcome : onThread) {
    EXPECT_EQ(outcome.code, ErrorCode::Success);
    EXPECT_EQ(outcome.order, first.order);
    EXPECT_EQ(outcome.length, first.length);
  }
}

TEST(SolveDriver, LargeDistancesJustInsideTheLimitStayExact) {
  for (std::uint32_t seed = 1; seed <= 6; ++seed) {
    const int count = 9 + static_cast<int>(seed % 3);
    auto problem = explicitInstance(count, seed, 1000);
    const std::int32_t largest = 2147483647 / count;
    for (int i = 0; i < count; ++i) {
      for (int j = 0; j < count; ++j) {
        if (i == j) continue;
        // Keep the random pattern but scale it to the top of the range.
        const std::int32_t d = largest - 1000 + problem->rows[i].dist[j];
        problem->rows[i].dist[j] = std::min(d, largest);
      }
    }
    for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
    ASSERT_TRUE(tourLengthsFit(*problem));
    SCOPED_TRACE(seed);
    const SolveOutcome outcome = solveProblem(*problem);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    expectValidTour(*problem, outcome);
    EXPECT_EQ(outcome.length, heldKarpOptimum(*problem));
  }
}

TEST(SolveDriver, CitiesAtZeroDistanceAreStillSolvedExactly) {
  for (std::uint32_t seed = 1; seed <= 30; ++seed) {
    const int count = 6 + static_cast<int>(seed % 5);
    auto problem = explicitInstance(count, seed * 13u, 4, static_cast<int>(seed) % count);
    // Some distinct cities share a place.
    for (int i = 0; i < count; ++i) {
      for (int j = 0; j < count; ++j) problem->rows[i].dist[j] -= i == j ? 0 : 1;
    }
    for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
    SCOPED_TRACE(seed);
    const SolveOutcome outcome = solveProblem(*problem);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    expectValidTour(*problem, outcome);
    EXPECT_EQ(outcome.length, heldKarpOptimum(*problem));
  }
}

}  // namespace
}  // namespace ringmarch::testing

namespace ringmarch::testing {
namespace {

// A matrix that is not symmetric is solved without a fault: the tour is valid, its length is
// measured correctly and no tour of the instance is shorter than the directed optimum.
TEST(SolveDriver, AsymmetricMatricesGiveValidTours) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    const int count = 5 + static_cast<int>(seed % 8);
    auto problem = explicitInstance(count, seed, 30, static_cast<int>(seed) % count);
    CrtRandom random(seed);
    for (int i = 0; i < count; ++i) {
      for (int j = 0; j < count; ++j) {
        if (i != j && random.next() % 3 == 0) problem->rows[i].dist[j] += random.next() % 40;
      }
    }
    for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
    SCOPED_TRACE(seed);
    const SolveOutcome outcome = solveProblem(*problem);
    ASSERT_EQ(outcome.code, ErrorCode::Success);
    expectValidTour(*problem, outcome);
    EXPECT_GE(outcome.length, heldKarpOptimum(*problem));
    EXPECT_LE(outcome.length, outcome.statistics.initialLength);
  }
}

// A matrix on which 2-opt, judged by the four exchanged edges alone, goes round in circles from
// the nearest-neighbour tour for ever. The solve ends, with the directed optimum.
TEST(SolveDriver, NonSymmetricMatrixWhereTwoOptWouldCycleEnds) {
  const std::int32_t matrix[8][8] = {{0, 18, 1, 6, 19, 9, 9, 7},     {5, 0, 11, 19, 5, 4, 22, 1},
                                     {2, 7, 0, 15, 6, 18, 6, 3},     {8, 3, 14, 0, 8, 9, 21, 12},
                                     {4, 12, 10, 19, 0, 2, 4, 10},   {4, 6, 7, 10, 10, 0, 9, 19},
                                     {4, 18, 17, 18, 10, 13, 0, 15}, {21, 6, 15, 1, 20, 22, 1, 0}};
  auto problem = explicitInstance(8, 1, 5);
  for (int i = 0; i < 8; ++i) {
    for (int j = 0; j < 8; ++j) problem->rows[i].dist[j] = matrix[i][j];
    sortNeighbourOrder(*problem, i);
  }
  const SolveOutcome outcome = solveProblem(*problem);
  ASSERT_EQ(outcome.code, ErrorCode::Success);
  expectValidTour(*problem, outcome);
  EXPECT_GE(outcome.length, heldKarpOptimum(*problem));
  EXPECT_LE(outcome.length, outcome.statistics.initialLength);
}

}  // namespace
}  // namespace ringmarch::testing
