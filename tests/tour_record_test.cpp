// TourRecord operations and the initial tour.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/generation.h"
#include "solver/initial_tour.h"
#include "solver/solver_state.h"
#include "solver/tour_record.h"
#include "support/tour_checker.h"

namespace ringmarch {
namespace {

std::unique_ptr<ProblemData> matrixProblem(const std::vector<std::vector<int>>& matrix) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = static_cast<int>(matrix.size());
  for (int i = 0; i < problem->count; ++i) {
    for (int j = 0; j < problem->count; ++j) problem->rows[i].dist[j] = matrix[i][j];
    sortNeighbourOrder(*problem, i);
  }
  return problem;
}

TEST(TourRecord, AppendKeepsInvariantsAndClosesOnce) {
  auto problem = matrixProblem({{0, 2, 9}, {2, 0, 4}, {9, 4, 0}});
  TourRecord tour;
  initTour(tour, problem.get(), -1);
  EXPECT_TRUE(tour.nearestPlaced);
  EXPECT_EQ(tour.targetCount, 3);
  appendCity(tour, 1);
  EXPECT_EQ(tour.freeEnds[1], kBothEndsFree);  // one-city path keeps both ends free
  EXPECT_EQ(tour.order[1], 1);
  appendCity(tour, 0);
  EXPECT_EQ(tour.freeEnds[1], kPredecessorFree);
  EXPECT_EQ(tour.freeEnds[0], kSuccessorFree);
  EXPECT_EQ(tour.length, 2);
  EXPECT_EQ(tour.previousCity, 1);
  appendCity(tour, 2);
  EXPECT_EQ(tour.length, 2 + 9 + 4);  // last edge and closing edge together
  EXPECT_EQ(tour.order[3], 1);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(tour.position[tour.order[k]], k);
}

TEST(TourRecord, OneCityTargetCountsItsOwnDistance) {
  auto problem = matrixProblem({{0, 1}, {1, 0}});
  TourRecord tour;
  initTour(tour, problem.get(), 1);
  appendCity(tour, 0);
  EXPECT_EQ(tour.count, 1);
  EXPECT_EQ(tour.length, 0);
  EXPECT_EQ(tour.freeEnds[0], kBothEndsFree);
  EXPECT_EQ(tour.order[1], tour.order[0]);
}

TEST(TourRecord, NearestPlacedFollowsTheStartNeighbours) {
  auto problem = matrixProblem({{0, 1, 2, 3}, {1, 0, 1, 1}, {2, 1, 0, 1}, {3, 1, 1, 0}});
  TourRecord tour;
  initTour(tour, problem.get(), -1);
  tour.nearestOfStart = 1;
  tour.secondOfStart = 2;
  tour.nearestPlaced = false;
  appendCity(tour, 0);
  EXPECT_FALSE(tour.nearestPlaced);
  appendCity(tour, 1);
  EXPECT_TRUE(tour.nearestPlaced);
}

TEST(TourRecord, CompareTreatsZeroLengthAsNoTour) {
  TourRecord a{}, b{};
  EXPECT_EQ(compareTours(a, b), 0);
  b.length = 10;
  EXPECT_GT(compareTours(a, b), 0);
  EXPECT_LT(compareTours(b, a), 0);
  a.length = 10;
  EXPECT_EQ(compareTours(a, b), 0);
  a.length = 7;
  EXPECT_LT(compareTours(a, b), 0);
}

TEST(TourRecord, RemoveLastUndoesAppend) {
  auto problem = matrixProblem({{0, 2, 9, 3}, {2, 0, 4, 5}, {9, 4, 0, 6}, {3, 5, 6, 0}});
  TourRecord tour;
  initTour(tour, problem.get(), -1);
  appendCity(tour, 2);
  appendCity(tour, 3);
  removeLastCity(tour);
  removeLastCity(tour);
  EXPECT_EQ(tour.count, 0);
  EXPECT_EQ(tour.length, 0);
  EXPECT_EQ(tour.currentCity, -1);
  EXPECT_EQ(tour.previousCity, -1);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(tour.position[c], -1);
    EXPECT_EQ(tour.freeEnds[c], kBothEndsFree);
  }
}

struct InitialTourRun {
  std::unique_ptr<SolverState> state = std::make_unique<SolverState>();
  TourRecord path;
};

void runInitialTour(InitialTourRun& run, const ProblemData& problem) {
  loadWorkingCopy(*run.state, problem);
  initTour(run.path, &run.state->workProblem, -1);
  buildInitialTour(*run.state, run.path);
}

TEST(InitialTour, ThreeCitiesTakeNearestThenRemaining) {
  auto problem = matrixProblem({{0, 5, 3}, {5, 0, 4}, {3, 4, 0}});
  InitialTourRun run;
  runInitialTour(run, *problem);
  const TourRecord& best = run.state->bestTour;
  EXPECT_EQ(best.order[0], 0);
  EXPECT_EQ(best.order[1], 2);
  EXPECT_EQ(best.order[2], 1);
  EXPECT_EQ(run.state->bestLength, 12);
  // The working record is empty again.
  EXPECT_EQ(run.path.count, 0);
  EXPECT_EQ(run.path.firstCity, -1);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(run.path.position[c], -1);
}

TEST(InitialTour, TwoOptRemovesCrossingsButNotTheClosingEdge) {
  // Square corners 0 (0,0), 1 (10,10), 2 (10,0), 3 (0,10): nearest neighbour from 0 goes
  // 0 -> 2 (10) -> 1 (10) -> 3 (10) -> 0 (10), already uncrossed.
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = 4;
  const double xy[4][2] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
  for (int i = 0; i < 4; ++i) {
    problem->rows[i].x = xy[i][0];
    problem->rows[i].y = xy[i][1];
  }
  computeDistances(*problem, 1.0);
  InitialTourRun run;
  runInitialTour(run, *problem);
  EXPECT_EQ(run.state->bestLength, 40);
}

TEST(InitialTour, GivesValidToursOnRandomInstancesAndToleratesZeroDistances) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    auto problem = std::make_unique<ProblemData>();
    initProblemData(*problem);
    generateInstance(*problem, 30, seed);
    if (seed % 5 == 0) {  // duplicate cities: zero distances between distinct cities
      problem->rows[3].x = problem->rows[4].x;
      problem->rows[3].y = problem->rows[4].y;
      computeDistances(*problem, 1.0);
    }
    InitialTourRun run;
    runInitialTour(run, *problem);
    const TourRecord& best = run.state->bestTour;
    std::vector<int> order(best.order, best.order + best.count);
    EXPECT_EQ(testing::tourDefect(order, 30), "");
    EXPECT_EQ(testing::closedTourLength(*problem, order), run.state->bestLength);
    EXPECT_EQ(best.order[0], 0);
    // 2-opt left no strictly improving exchange of two non-adjacent path edges.
    const auto d = [&](int a, int b) -> std::int64_t { return problem->rows[a].dist[b]; };
    for (int m = 28; m >= 2; --m) {
      for (int i = 0; i <= m - 2; ++i) {
        const int a = order[i], b = order[i + 1], c = order[m], e = order[m + 1];
        EXPECT_GE(d(a, c) + d(b, e), d(a, b) + d(c, e)) << "seed " << seed << " i " << i;
      }
    }
  }
}

}  // namespace
}  // namespace ringmarch
