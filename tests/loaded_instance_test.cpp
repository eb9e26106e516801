// Instances loaded from arrays (LoadDistances, LoadCoordinates) and the neighbour order they,
// the readers and the generator share.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "model/error_reporting.h"
#include "model/generation.h"
#include "model/problem_data.h"
#include "object/ringmarch_object.h"

namespace ringmarch {
namespace {

// The exchange sort the order is defined by: from the identity, swap neighbours while the
// earlier one is strictly farther.
std::vector<std::int32_t> exchangeSorted(const CityRow& row, int n) {
  std::vector<std::int32_t> order(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) order[k] = k;
  for (int p = 0; p + 1 < n; ++p) {
    for (int k = n - 1; k > p; --k) {
      if (row.dist[order[k - 1]] > row.dist[order[k]]) std::swap(order[k - 1], order[k]);
    }
  }
  return order;
}

TEST(NeighbourOrder, EqualsTheExchangeSortWithManyTies) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  std::mt19937 random(77);
  for (int n : {0, 1, 2, 3, 17, 64, 127}) {
    for (int spread : {2, 5, 1000, std::numeric_limits<int>::max()}) {
      problem->count = n;
      std::uniform_int_distribution<std::int32_t> value(-spread / 2, spread / 2);
      for (int k = 0; k < n; ++k) problem->rows[0].dist[k] = value(random);
      sortNeighbourOrder(*problem, 0);
      const std::vector<std::int32_t> expected = exchangeSorted(problem->rows[0], n);
      for (int k = 0; k < n; ++k) {
        ASSERT_EQ(problem->rows[0].neighbourOrder[k], expected[k])
            << n << " " << spread << " " << k;
      }
    }
  }
}

TEST(NeighbourOrder, NegativeCountTouchesNothing) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = -5;
  problem->rows[0].neighbourOrder[0] = 42;
  sortNeighbourOrder(*problem, 0);
  EXPECT_EQ(problem->rows[0].neighbourOrder[0], 42);
}

class LoadedInstance : public ::testing::Test {
 protected:
  std::unique_ptr<RingmarchObject> object = std::make_unique<RingmarchObject>();
};

TEST_F(LoadedInstance, DistancesAreTakenAsGivenWithLabelsAndStartCity) {
  const std::int32_t matrix[9] = {0, -4, 3000000, -4, 0, 7, 3000000, 8, 0};
  ASSERT_EQ(object->LoadDistances(3, matrix), kSuccessResult);
  EXPECT_EQ(object->state(), ObjectState::InstanceReady);
  const ProblemData& instance = object->instance();
  EXPECT_EQ(instance.count, 3);
  EXPECT_EQ(instance.hasCoordinates, 0);
  EXPECT_EQ(instance.startCity, 0);
  EXPECT_STREQ(instance.rows[2].name, "3");
  EXPECT_EQ(instance.rows[2].dist[1], 8);  // one direction each, as given
  EXPECT_EQ(instance.rows[1].dist[2], 7);
  EXPECT_EQ(instance.rows[0].neighbourOrder[0], 1);  // -4 comes before 0
}

TEST_F(LoadedInstance, CoordinatesGiveEuclideanDistancesAndTheLeftmostStart) {
  const double xy[8] = {5.0, 0.0, 0.5, 0.0, 0.5, 1.5, 3.5, 4.0};
  ASSERT_EQ(object->LoadCoordinates(4, xy), kSuccessResult);
  const ProblemData& instance = object->instance();
  EXPECT_EQ(instance.hasCoordinates, 1);
  EXPECT_EQ(instance.startCity, 1);        // the first city with the smallest x
  EXPECT_EQ(instance.rows[0].dist[1], 5);  // 4.5 rounds up
  EXPECT_EQ(instance.rows[1].dist[2], 2);  // 1.5 rounds up
  EXPECT_EQ(instance.minX, 0.5);
  EXPECT_EQ(instance.maxY, 4.0);
}

// (count, coordinates, answer): every refusal keeps the instance and the tour held.
TEST_F(LoadedInstance, RefusalsLeaveInstanceAndTourAsTheyWere) {
  ASSERT_EQ(object->NewTspWithSeed(6, 3), kSuccessResult);
  std::int32_t length = 0;
  ASSERT_EQ(object->Solve(&length), kSuccessResult);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double finite[4] = {0.0, 0.0, 1.0, 1.0};
  const double notFinite[4] = {0.0, 0.0, nan, 1.0};
  const double tooFar[4] = {0.0, 0.0, 1e300, 0.0};
  struct Case {
    std::int32_t count;
    const double* coordinates;
    OperationResult answer;
  };
  const Case cases[] = {
      {128, finite, resultValueOf(ErrorCode::TooManyCities)},
      {-1, finite, resultValueOf(ErrorCode::CityIdOutOfRange)},
      {2, nullptr, kInvalidPointerResult},
      {2, notFinite, resultValueOf(ErrorCode::PositionOutOfRange)},
      {2, tooFar, resultValueOf(ErrorCode::DistanceOutOfRange)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(object->LoadCoordinates(c.count, c.coordinates), c.answer) << c.count;
    EXPECT_EQ(object->instance().count, 6);
    EXPECT_EQ(object->state(), ObjectState::TourReady);
  }
  EXPECT_EQ(object->LoadDistances(128, nullptr), resultValueOf(ErrorCode::TooManyCities));
  EXPECT_EQ(object->LoadDistances(-2, nullptr), resultValueOf(ErrorCode::CityIdOutOfRange));
  EXPECT_EQ(object->LoadDistances(3, nullptr), kInvalidPointerResult);
  EXPECT_EQ(lastError().code, ErrorCode::CityIdOutOfRange);
  EXPECT_EQ(object->state(), ObjectState::TourReady);
  // A successful load drops the tour.
  ASSERT_EQ(object->LoadDistances(0, nullptr), kSuccessResult);
  EXPECT_EQ(object->state(), ObjectState::InstanceReady);
  EXPECT_EQ(object->Length(&length), resultValueOf(ErrorCode::NotSolved));
}

}  // namespace
}  // namespace ringmarch
