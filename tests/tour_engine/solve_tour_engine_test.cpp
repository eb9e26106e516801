// The tour engine behind the solve layer: instances beyond the canonical engine's limits go to
// it, its tours are valid and measured in 64 bits, it says optimal only when its bound meets the
// tour, and it answers the same every run. Built with RINGMARCH_HAVE_TOUR_ENGINE=ON.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "solve/solve.h"

namespace ringmarch {
namespace {

Instance randomPlane(int n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> coordinate(0, 9999);
  std::vector<double> x, y;
  for (int i = 0; i < n; ++i) {
    x.push_back(coordinate(random));
    y.push_back(coordinate(random));
  }
  return *Instance::fromCoordinates(DistanceRule::Euc2d, x, y);
}

Instance randomDirected(int n, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> distance(1, 1000);
  std::vector<std::int32_t> matrix(static_cast<std::size_t>(n * n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j)
      matrix[static_cast<std::size_t>(i * n + j)] = i == j ? 0 : distance(random);
  }
  return *Instance::fromMatrix(n, matrix);
}

TEST(SolveTourEngineTest, BeyondTheCanonicalLimitsTheTourEngineIsHonest) {
  struct Case {
    const char* what;
    Instance instance;
  };
  for (const Case& c :
       {Case{"200 cities", randomPlane(200, 1)}, Case{"64 directed", randomDirected(64, 2)}}) {
    SCOPED_TRACE(c.what);
    SolveRequest request;
    request.engine = Engine::Tour;
    const SolveResult first = solve(c.instance, request);
    const SolveResult again = solve(c.instance, request);
    ASSERT_NE(first.status, SolveStatus::Refused) << first.reason;
    EXPECT_EQ(first.engine, Engine::Tour);
    ASSERT_TRUE(c.instance.isTour(first.tour));
    EXPECT_EQ(first.length, c.instance.tourLength(first.tour));
    ASSERT_TRUE(first.lowerBound);
    EXPECT_LE(*first.lowerBound, first.length);
    EXPECT_EQ(first.optimal(), *first.lowerBound == first.length);
    if (!first.optimal()) {
      EXPECT_FALSE(first.reason.empty());
    }
    EXPECT_EQ(first.tour, again.tour);
    EXPECT_EQ(first.lowerBound, again.lowerBound);
  }
}

TEST(SolveTourEngineTest, OnSmallInstancesItNeverClaimsLessThanTheCanonicalOptimum) {
  for (std::uint32_t seed = 1; seed <= 10; ++seed) {
    const Instance instance = randomPlane(30, seed);
    SolveRequest tour;
    tour.engine = Engine::Tour;
    const SolveResult byTour = solve(instance, tour);
    const SolveResult exact = solve(instance, {});
    ASSERT_TRUE(exact.optimal());
    ASSERT_NE(byTour.status, SolveStatus::Refused);
    EXPECT_GE(byTour.length, exact.length);
    EXPECT_LE(byTour.lowerBound.value_or(0), exact.length);
    if (byTour.optimal()) {
      EXPECT_EQ(byTour.length, exact.length);
    }
  }
}

}  // namespace
}  // namespace ringmarch
