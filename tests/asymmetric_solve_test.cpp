// Exact solves of asymmetric instances through their symmetric form, checked against a directed
// Held-Karp oracle written apart from the solver.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "object/asymmetric_solve.h"
#include "object/ringmarch_object.h"
#include "support/scratch_files.h"
#include "support/tour_checker.h"

namespace ringmarch {
namespace {

using testing::emptyProblem;

std::unique_ptr<ProblemData> randomDirected(int n, std::mt19937& random, int smallest,
                                            int largest) {
  auto problem = emptyProblem();
  problem->count = n;
  std::uniform_int_distribution<int> distance(smallest, largest);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) problem->rows[i].dist[j] = i == j ? 0 : distance(random);
  }
  for (int i = 0; i < n; ++i) sortNeighbourOrder(*problem, i);
  problem->startCity = static_cast<int>(random() % static_cast<unsigned>(n));
  return problem;
}

std::vector<int> tourOf(const TourRecord& tour) {
  return std::vector<int>(tour.order, tour.order + tour.count);
}

std::vector<int> tourOf(const ObjectTour& tour) {
  return std::vector<int>(tour.order, tour.order + tour.count);
}

TEST(AsymmetricSolveTest, ThousandsOfRandomMatricesMatchTheDirectedOracle) {
  std::mt19937 random(20261209);
  int asymmetricSeen = 0;
  for (int k = 0; k < 1200; ++k) {
    const int n = 4 + k % 9;  // 4 to 12 cities
    // Narrow ranges give many ties; some instances have zero and negative distances.
    const int smallest = k % 5 == 0 ? -20 : (k % 5 == 1 ? 0 : 1);
    const int largest = k % 3 == 0 ? 5 : 1000;
    auto problem = randomDirected(n, random, smallest, largest);
    if (hasAsymmetricDistances(*problem)) ++asymmetricSeen;
    SCOPED_TRACE("instance " + std::to_string(k) + ", " + std::to_string(n) + " cities");
    auto tour = std::make_unique<TourRecord>();
    SolveStatistics statistics;
    ASSERT_EQ(solveAsymmetricInstance(*tour, *problem, {}, &statistics), ErrorCode::Success);
    const std::vector<int> order = tourOf(*tour);
    ASSERT_EQ(testing::tourDefect(order, n), "");
    EXPECT_EQ(order.front(), problem->startCity);
    EXPECT_EQ(testing::closedTourLength(*problem, order), tour->length);
    ASSERT_EQ(tour->length, testing::directedHeldKarpOptimum(*problem));
    EXPECT_FALSE(statistics.stopped);
    EXPECT_GE(statistics.initialLength, tour->length);
  }
  EXPECT_GE(asymmetricSeen, 1000);
}

TEST(AsymmetricSolveTest, FormPairsEachCityWithItsTwinAndReadsBothDirections) {
  auto problem = emptyProblem();
  problem->count = 3;
  const std::int32_t d[3][3] = {{0, 1, 9}, {9, 0, 1}, {1, 9, 0}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) problem->rows[i].dist[j] = d[i][j];
  }
  auto symmetric = emptyProblem();
  SymmetricForm form;
  ASSERT_TRUE(buildSymmetricForm(*problem, *symmetric, form));
  ASSERT_EQ(symmetric->count, 6);
  // Spread 8: arc edges cost 25 + (d - 1), same-side edges 50, pair edges 0.
  EXPECT_EQ(symmetric->rows[0].dist[3], 0);
  EXPECT_EQ(symmetric->rows[3].dist[1], 25);  // 0' - 1: the arc 0 -> 1
  EXPECT_EQ(symmetric->rows[1].dist[3], 25);
  EXPECT_EQ(symmetric->rows[0].dist[4], 33);  // 0 - 1': the arc 1 -> 0
  EXPECT_EQ(symmetric->rows[0].dist[1], 50);
  EXPECT_EQ(symmetric->rows[4].dist[5], 50);
  EXPECT_EQ(form.pairLength, 72);

  const std::int32_t forward[6] = {1, 4, 2, 5, 0, 3};  // 1 1' 2 2' 0 0': 1 -> 2 -> 0
  EXPECT_EQ(directedTourOf(form, forward, 0), (std::vector<std::int32_t>{0, 1, 2}));
  const std::int32_t backward[6] = {3, 0, 5, 2, 4, 1};  // the same tour walked backwards
  EXPECT_EQ(directedTourOf(form, backward, 2), (std::vector<std::int32_t>{2, 0, 1}));
  const std::int32_t mixed[6] = {0, 1, 3, 4, 2, 5};  // same-side edges: no directed tour
  EXPECT_TRUE(directedTourOf(form, mixed, 0).empty());
}

TEST(AsymmetricSolveTest, FormsThatCannotBeBuiltAreRefused) {
  std::mt19937 random(5);
  auto symmetric = emptyProblem();
  SymmetricForm form;
  EXPECT_TRUE(buildSymmetricForm(*randomDirected(63, random, 1, 100), *symmetric, form));
  EXPECT_EQ(symmetric->count, 126);
  EXPECT_FALSE(buildSymmetricForm(*randomDirected(64, random, 1, 100), *symmetric, form));
  // 63 cities whose distances spread over 200000: the form's tours would leave 32 bits.
  EXPECT_FALSE(buildSymmetricForm(*randomDirected(63, random, 0, 200000), *symmetric, form));
  auto tour = std::make_unique<TourRecord>();
  EXPECT_EQ(solveAsymmetricInstance(*tour, *randomDirected(40, random, 0, 2000000), {}, nullptr),
            ErrorCode::DistanceOutOfRange);
}

TEST(AsymmetricSolveTest, ObjectKeepsTheDirectedTourAndItsLimits) {
  RingmarchObject object;
  std::int32_t length = 0;
  EXPECT_EQ(ObjectSearch::solveAsymmetricWith(object, {}, nullptr, &length), 0x8004030Du);
  ASSERT_EQ(object.NewTspWithSeed(5, 1), kSuccessResult);
  const std::int32_t d[5][5] = {{0, 10, 1, 10, 10},
                                {1, 0, 10, 10, 10},
                                {10, 10, 0, 1, 10},
                                {10, 10, 10, 0, 1},
                                {10, 1, 10, 10, 0}};
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 5; ++j) {
      if (i != j) {
        ASSERT_EQ(object.SetDistance(i, j, d[i][j]), kSuccessResult);
      }
    }
  }
  ASSERT_EQ(ObjectSearch::solveAsymmetricWith(object, {}, nullptr, &length), kSuccessResult);
  EXPECT_EQ(length, 5);  // 0 -> 2 -> 3 -> 4 -> 1 -> 0
  EXPECT_EQ(object.state(), ObjectState::TourReady);
  std::int32_t reported = 0;
  ASSERT_EQ(object.Length(&reported), kSuccessResult);
  EXPECT_EQ(reported, 5);
  const std::vector<int> order = tourOf(object.tour());
  EXPECT_EQ(testing::closedTourLength(object.instance(), order), 5);

  ASSERT_EQ(object.NewTspWithSeed(64, 1), kSuccessResult);
  EXPECT_EQ(ObjectSearch::solveAsymmetricWith(object, {}, nullptr, &length), 0x80040306u);
  ASSERT_EQ(object.NewTspWithSeed(2, 1), kSuccessResult);
  EXPECT_EQ(ObjectSearch::solveAsymmetricWith(object, {}, nullptr, &length), 0x80040307u);
}

}  // namespace
}  // namespace ringmarch
