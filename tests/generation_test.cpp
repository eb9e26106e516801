// Instance generation, distances from coordinates, the distance check and the neighbour order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "model/generation.h"
#include "model/problem_data.h"

namespace ringmarch {
namespace {

std::unique_ptr<ProblemData> emptyProblem(int count) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = count;
  return problem;
}

TEST(Generation, GeneratorMatchesTheRunTimeLibrarySequence) {
  // First draws of the run-time library's generator after seeding with 1.
  CrtRandom random(1);
  EXPECT_EQ(random.next(), 41);
  EXPECT_EQ(random.next(), 18467);
  EXPECT_EQ(random.next(), 6334);
  EXPECT_EQ(random.next(), 26500);
}

TEST(Generation, InstanceDrawsXBeforeYAndPicksLowestSmallestX) {
  auto problem = emptyProblem(0);
  generateInstance(*problem, 40, 12345);
  CrtRandom random(12345);
  double smallest = 1e300;
  int start = -1;
  for (int a = 0; a < 40; ++a) {
    const double x = random.next() % 10000;
    const double y = random.next() % 10000;
    EXPECT_EQ(problem->rows[a].x, x);
    EXPECT_EQ(problem->rows[a].y, y);
    EXPECT_EQ(std::string(problem->rows[a].name), std::to_string(a + 1));
    if (x < smallest) {
      smallest = x;
      start = a;
    }
  }
  EXPECT_EQ(problem->startCity, start);
  EXPECT_EQ(problem->minX, smallest);
  EXPECT_EQ(problem->hasCoordinates, 1);
  EXPECT_EQ(checkDistances(*problem), ErrorCode::Success);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(problem->rows[i].neighbourOrder[0], i);
    for (int k = 1; k < 40; ++k) {
      const auto& row = problem->rows[i];
      EXPECT_LE(row.dist[row.neighbourOrder[k - 1]], row.dist[row.neighbourOrder[k]]);
      EXPECT_LE(row.dist[row.neighbourOrder[k]], 14141);
    }
  }
}

TEST(Generation, OneCityAndEmptyInstances) {
  auto problem = emptyProblem(0);
  problem->startCity = 9;
  generateInstance(*problem, 0, 1);
  EXPECT_EQ(problem->count, 0);
  EXPECT_EQ(problem->startCity, 9);
  EXPECT_EQ(problem->minX, kLargestDouble);
  EXPECT_EQ(problem->maxY, kSmallestNormalDouble);

  generateInstance(*problem, 1, 1);
  EXPECT_EQ(problem->startCity, 0);
  EXPECT_EQ(std::string(problem->rows[0].name), "1");
  EXPECT_EQ(problem->minX, problem->rows[0].x);
  EXPECT_EQ(problem->maxX, problem->rows[0].x);
  EXPECT_EQ(problem->rows[0].dist[0], 0);
}

TEST(Generation, RoundingOfEuclideanDistances) {
  struct Case {
    double x, y, scale;
    std::int32_t expected;
  };
  const Case cases[] = {
      {3, 4, 1.0, 5},   {1, 1, 1.0, 1},        {2, 3, 1.0, 4},
      {1.5, 2, 1.0, 3}, {0, 100, 0.31706, 32}, {9999, 9999, 1.0, 14141},
  };
  for (const Case& c : cases) {
    auto problem = emptyProblem(2);
    problem->rows[1].x = c.x;
    problem->rows[1].y = c.y;
    EXPECT_TRUE(computeDistances(*problem, c.scale));
    EXPECT_EQ(problem->rows[0].dist[1], c.expected) << c.x << "," << c.y;
    EXPECT_EQ(problem->rows[1].dist[0], c.expected);
    EXPECT_EQ(problem->rows[0].dist[0], 0);
  }
}

TEST(Generation, DistancesBeyondThirtyTwoBitsAreClampedAndReported) {
  auto problem = emptyProblem(2);
  problem->rows[1].x = 1e12;
  EXPECT_FALSE(computeDistances(*problem, 1.0));
  EXPECT_EQ(problem->rows[0].dist[1], 2147483647);
  problem->rows[1].x = std::nan("");
  EXPECT_FALSE(computeDistances(*problem, 1.0));
}

TEST(Generation, DistanceCheckAnswersFirstFailingTest) {
  struct Case {
    int n;
    std::int32_t matrix[3][3];
    ErrorCode expected;
  };
  const Case cases[] = {
      {2, {{0, 5}, {5, 0}}, ErrorCode::Success},
      {2, {{0, -3}, {-3, 0}}, ErrorCode::Success},
      {2, {{1, 4}, {5, 0}}, ErrorCode::SameCityDistanceNotZero},  // diagonal visited first
      {2, {{0, 4}, {5, 0}}, ErrorCode::DistanceNotSymmetric},
      {1, {{7}}, ErrorCode::SameCityDistanceNotZero},
      {2, {{0, 5}, {5, 7}}, ErrorCode::SameCityDistanceNotZero},
      {3, {{0, 0, 4}, {0, 0, 3}, {4, 3, 0}}, ErrorCode::DistanceNotPositive},
      {0, {}, ErrorCode::Success},
  };
  for (const Case& c : cases) {
    auto problem = emptyProblem(c.n);
    for (int i = 0; i < c.n; ++i)
      for (int j = 0; j < c.n; ++j) problem->rows[i].dist[j] = c.matrix[i][j];
    EXPECT_EQ(checkDistances(*problem), c.expected);
  }
}

TEST(Generation, NeighbourOrderTiesKeepAscendingNumbers) {
  auto problem = emptyProblem(5);
  const std::int32_t row0[] = {0, 5, 5, 5, 1};
  std::memcpy(problem->rows[0].dist, row0, sizeof row0);
  sortNeighbourOrder(*problem, 0);
  const std::int32_t expected[] = {0, 4, 1, 2, 3};
  for (int k = 0; k < 5; ++k) EXPECT_EQ(problem->rows[0].neighbourOrder[k], expected[k]);

  // A city at distance 0 from city 3 comes before city 3 itself in city 3's row.
  const std::int32_t row3[] = {2, 9, 9, 0, 0};
  std::memcpy(problem->rows[3].dist, row3, sizeof row3);
  problem->rows[3].dist[3] = 0;
  sortNeighbourOrder(*problem, 3);
  EXPECT_EQ(problem->rows[3].neighbourOrder[0], 3);
  problem->rows[3].dist[1] = 0;
  sortNeighbourOrder(*problem, 3);
  EXPECT_EQ(problem->rows[3].neighbourOrder[0], 1);
}

TEST(Generation, BoundsWidenOnlyAndTruncateSafely) {
  auto problem = emptyProblem(0);
  resetBounds(*problem);
  extendBounds(*problem, 5, -2);
  extendBounds(*problem, 3, 7);
  EXPECT_EQ(problem->minX, 3);
  EXPECT_EQ(problem->maxX, 5);
  EXPECT_EQ(problem->minY, -2);
  EXPECT_EQ(problem->maxY, 7);
  EXPECT_EQ(truncateToWhole(-2.7), -2.0);
  EXPECT_EQ(truncateToWhole(12.9), 12.0);
  EXPECT_EQ(truncateToWhole(kLargestDouble), 2147483647.0);
  EXPECT_EQ(truncateToWhole(-kLargestDouble), -2147483648.0);
  EXPECT_EQ(truncateToWhole(std::nan("")), 0.0);
}

}  // namespace
}  // namespace ringmarch
