// The solve layer: the canonical engine through it answers the object's own tours and node
// counts, asymmetric matrices are exact against an oracle written apart from the solver, the
// engine choice, refusals as values, and the time limit and watcher as the only ways to stop.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "object/ringmarch_object.h"
#include "solve/problem_conversion.h"
#include "solve/solve.h"
#include "support/scratch_files.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"
#include "tsplib/tolerant_tsp_reader.h"

namespace ringmarch {
namespace {

using testing::emptyProblem;

std::unique_ptr<ProblemData> randomDirected(int n, std::mt19937& random, int largest) {
  auto problem = emptyProblem();
  problem->count = n;
  std::uniform_int_distribution<int> distance(1, largest);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) problem->rows[i].dist[j] = i == j ? 0 : distance(random);
  }
  for (int i = 0; i < n; ++i) sortNeighbourOrder(*problem, i);
  return problem;
}

// What the object's own solve answers, for comparison.
struct ObjectSolve {
  std::vector<int> tour;
  std::int32_t length = 0;
  std::uint64_t nodes = 0;
};

ObjectSolve objectSolve(const ProblemData& problem) {
  auto object = std::make_unique<RingmarchObject>();
  std::vector<std::int32_t> matrix;
  for (int i = 0; i < problem.count; ++i) {
    for (int j = 0; j < problem.count; ++j) matrix.push_back(problem.rows[i].dist[j]);
  }
  EXPECT_EQ(object->LoadDistances(problem.count, matrix.data()), kSuccessResult);
  SolveStatistics statistics;
  ObjectSolve solved;
  EXPECT_EQ(ObjectSearch::solveWith(*object, {}, &statistics, &solved.length), kSuccessResult);
  solved.tour.assign(object->tour().order, object->tour().order + object->tour().count);
  solved.nodes = statistics.evaluatedNodes;
  return solved;
}

TEST(SolveLayerCanonicalTest, SymmetricSolvesKeepTheObjectsToursAndNodeCounts) {
  struct Case {
    const char* what;
    std::unique_ptr<ProblemData> problem;
  };
  std::vector<Case> cases;
  for (std::uint32_t seed : {1u, 2u, 3u}) {
    cases.push_back({"euclidean 30", testing::euclideanInstance(30, seed)});
    cases.push_back({"ties 25", testing::explicitInstance(25, seed, 6)});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The object's loading from a matrix starts at city 0, as does an instance without
    // coordinates.
    auto problem = std::make_unique<ProblemData>(*c.problem);
    problem->startCity = 0;
    problem->hasCoordinates = 0;
    const ObjectSolve expected = objectSolve(*problem);
    const SolveResult held = solve(*problem, {});
    ASSERT_EQ(held.status, SolveStatus::Optimal) << held.reason;
    EXPECT_EQ(held.engine, Engine::Canonical);
    EXPECT_EQ(held.tour, expected.tour);
    EXPECT_EQ(held.length, expected.length);
    EXPECT_EQ(held.counts.nodes, expected.nodes);
    EXPECT_EQ(held.lowerBound, held.length);

    const std::optional<Instance> instance = instanceOf(*problem);
    ASSERT_TRUE(instance);
    const SolveResult converted = solve(*instance, {});
    EXPECT_EQ(converted.tour, expected.tour);
    EXPECT_EQ(converted.counts.nodes, expected.nodes);
  }
}

TEST(SolveLayerCanonicalTest, ConversionKeepsTheReadersStartCityAndNeighbourOrder) {
  const auto original = testing::euclideanInstance(40, 7);
  const std::optional<Instance> instance = instanceOf(*original);
  ASSERT_TRUE(instance);
  const std::unique_ptr<ProblemData> back = problemOf(*instance);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->startCity, original->startCity);
  for (int i = 0; i < original->count; ++i) {
    for (int j = 0; j < original->count; ++j) {
      ASSERT_EQ(back->rows[i].dist[j], original->rows[i].dist[j]);
      ASSERT_EQ(back->rows[i].neighbourOrder[j], original->rows[i].neighbourOrder[j]);
    }
  }
  EXPECT_EQ(solve(*instance, {}).tour, solve(*original, {}).tour);
}

TEST(SolveLayerCanonicalTest, AsymmetricMatricesAreExactAgainstTheDirectedOracle) {
  std::mt19937 random(7001);
  for (int round = 0; round < 150; ++round) {
    const int n = 4 + round % 6;
    const auto problem = randomDirected(n, random, round % 3 == 0 ? 5 : 500);
    SCOPED_TRACE("round " + std::to_string(round));
    const SolveResult result = solve(*problem, {});
    ASSERT_EQ(result.status, SolveStatus::Optimal) << result.reason;
    ASSERT_EQ(testing::tourDefect(result.tour, n), "");
    EXPECT_EQ(result.length, testing::closedTourLength(*problem, result.tour));
    EXPECT_EQ(result.length, testing::directedHeldKarpOptimum(*problem));
    EXPECT_EQ(result.lowerBound, result.length);
  }
}

TEST(SolveLayerCanonicalTest, AsymmetricBeyondItsLimitGetsAValidTourWithoutProofOrBound) {
  std::mt19937 random(5);
  const auto problem = randomDirected(kMaxAsymmetricCities + 1, random, 50);
  SolveRequest request;
  request.engine = Engine::Canonical;
  const SolveResult result = solve(*problem, request);
  ASSERT_EQ(result.status, SolveStatus::NotProven);
  EXPECT_EQ(result.stopReason, StopReason::None);
  EXPECT_TRUE(result.asymmetric);
  EXPECT_FALSE(result.lowerBound);
  EXPECT_EQ(result.reason,
            "the distances are not symmetric, and exact solves of asymmetric instances take at "
            "most 63 cities");
  EXPECT_EQ(testing::tourDefect(result.tour, problem->count), "");
  EXPECT_EQ(result.length, testing::closedTourLength(*problem, result.tour));
}

TEST(SolveLayerChoiceTest, AutoTakesCanonicalWhereItAppliesAndTheCutEngineBeyond) {
  // A build without the cut engine falls back on the tour engine.
  const Engine beyond = hasCutEngine() ? Engine::Cut : Engine::Tour;
  struct Case {
    int cities;
    bool symmetric;
    Engine expected;
  };
  for (const Case& c : {Case{3, true, Engine::Canonical}, Case{127, true, Engine::Canonical},
                        Case{128, true, beyond}, Case{63, false, Engine::Canonical},
                        Case{64, false, beyond}, Case{5000, true, beyond}}) {
    EXPECT_EQ(automaticEngine(c.cities, c.symmetric), c.expected)
        << c.cities << (c.symmetric ? " symmetric" : " asymmetric");
  }
  for (const Engine engine : {Engine::Auto, Engine::Canonical, Engine::Tour, Engine::Cut}) {
    EXPECT_EQ(engineNamed(engineName(engine)), engine);
  }
  EXPECT_FALSE(engineNamed("Auto"));
  EXPECT_FALSE(engineNamed(""));
}

TEST(SolveLayerRefusalTest, RefusalsAreValuesWithACodeAndAReason) {
  struct Case {
    const char* what;
    std::optional<Instance> instance;
    Engine engine;
    ErrorCode code;
    std::string reason;
  };
  std::vector<double> x(128), y(128);
  for (int i = 0; i < 128; ++i) {
    x[static_cast<std::size_t>(i)] = i * 7 % 101;
    y[static_cast<std::size_t>(i)] = i;
  }
  std::vector<Case> cases;
  cases.push_back({"two cities", Instance::fromMatrix(2, {0, 1, 1, 0}), Engine::Auto,
                   ErrorCode::CityIdOutOfRange, "it has 2 cities; a solve needs at least 3"});
  cases.push_back({"128 cities, canonical", Instance::fromCoordinates(DistanceRule::Euc2d, x, y),
                   Engine::Canonical, ErrorCode::TooManyCities,
                   "128 cities; the canonical engine takes at most 127"});
  // Each city's largest distance is 2^30: three of them leave 32 bits.
  const std::int32_t far = 1 << 30;
  cases.push_back({"lengths beyond 32 bits",
                   Instance::fromMatrix(3, {0, far, far, far, 0, far, far, far, 0}),
                   Engine::Canonical, ErrorCode::DistanceOutOfRange,
                   "its tour lengths could exceed the 32-bit range"});
  if (!hasCutEngine()) {
    cases.push_back({"cut", Instance::fromMatrix(3, {0, 1, 1, 1, 0, 1, 1, 1, 0}), Engine::Cut,
                     ErrorCode::Success, "the cut engine is not part of this build"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.instance);
    SolveRequest request;
    request.engine = c.engine;
    const SolveResult result = solve(*c.instance, request);
    EXPECT_EQ(result.status, SolveStatus::Refused);
    EXPECT_EQ(result.refusal, c.code);
    EXPECT_EQ(result.reason, c.reason);
    EXPECT_TRUE(result.tour.empty());
    EXPECT_FALSE(result.lowerBound);
  }
}

class CountingWatcher final : public RunWatcher {
 public:
  CountingWatcher(int answerFalseAt, StopReason reason) : stopAt_(answerFalseAt), reason_(reason) {}
  bool onProgress(const RunProgress& progress) override {
    last = progress;
    return ++calls < stopAt_;
  }
  StopReason interruption() const override { return reason_; }
  int calls = 0;
  RunProgress last;

 private:
  int stopAt_;
  StopReason reason_;
};

TEST(SolveLayerStopTest, TheTimeLimitAndTheWatcherStopWithTheirReasonAndAValidTour) {
  const auto problem = testing::euclideanInstance(100, 3);
  struct Case {
    const char* what;
    std::optional<double> limit;
    int stopAt;
    StopReason watcherReason;
    StopReason expected;
  };
  for (const Case& c :
       {Case{"time limit 0", 0.0, 1 << 30, StopReason::Stopped, StopReason::TimeLimit},
        Case{"watcher", std::nullopt, 3, StopReason::Stopped, StopReason::Stopped},
        Case{"Ctrl-C", std::nullopt, 3, StopReason::Interrupted, StopReason::Interrupted}}) {
    SCOPED_TRACE(c.what);
    CountingWatcher watcher(c.stopAt, c.watcherReason);
    SolveRequest request;
    request.timeLimitSeconds = c.limit;
    request.watcher = &watcher;
    const SolveResult result = solve(*problem, request);
    ASSERT_EQ(result.status, SolveStatus::NotProven);
    EXPECT_EQ(result.stopReason, c.expected);
    EXPECT_EQ(testing::tourDefect(result.tour, 100), "");
    EXPECT_EQ(result.length, testing::closedTourLength(*problem, result.tour));
    EXPECT_LE(result.lowerBound.value_or(0), result.length);
  }
}

TEST(SolveLayerStopTest, AWatcherThatNeverStopsChangesNothing) {
  const auto problem = testing::euclideanInstance(60, 11);
  CountingWatcher watcher(1 << 30, StopReason::Stopped);
  SolveRequest watched;
  watched.watcher = &watcher;
  watched.timeLimitSeconds = 3600.0;
  const SolveResult a = solve(*problem, watched);
  const SolveResult b = solve(*problem, {});
  ASSERT_EQ(a.status, SolveStatus::Optimal);
  EXPECT_GT(watcher.calls, 0);
  EXPECT_EQ(a.tour, b.tour);
  EXPECT_EQ(a.counts.nodes, b.counts.nodes);
  EXPECT_GE(watcher.last.bestLength.value_or(-1), a.length);
}

}  // namespace
}  // namespace ringmarch
