// Ties between equally long tours: every tie rule of the search hands a tour over to one that
// comes earlier in the order of city sequences from the start, among the tours the search visits
// (the start's nearest city before its second nearest). So the earliest optimal tour of that
// order must never be cut, whether or not the optimum is unique. Runs in builds with
// RINGMARCH_SEARCH_CHECKS (debug and sanitize).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "solver/witness_check.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {
namespace {

struct EarliestOptimum {
  std::int64_t length = 0;
  std::vector<std::int32_t> order;
};

// All tours from the start with its nearest city before its second nearest, in the order of
// their city sequences; the first of the shortest ones (n <= 8).
EarliestOptimum earliestOptimalTour(const ProblemData& problem) {
  const int n = problem.count;
  const int start = problem.startCity;
  int found[2] = {-1, -1};
  int taken = 0;
  for (int k = 0; k < n && taken < 2; ++k) {
    const int city = problem.rows[start].neighbourOrder[k];
    if (city != start) found[taken++] = city;
  }
  std::vector<std::int32_t> rest;
  for (int c = 0; c < n; ++c) {
    if (c != start) rest.push_back(c);
  }
  EarliestOptimum best;
  best.length = -1;
  do {
    const auto at = [&rest](int city) { return std::find(rest.begin(), rest.end(), city); };
    if (at(found[0]) > at(found[1])) continue;
    std::int64_t length =
        problem.rows[start].dist[rest.front()] + problem.rows[rest.back()].dist[start];
    for (std::size_t k = 0; k + 1 < rest.size(); ++k)
      length += problem.rows[rest[k]].dist[rest[k + 1]];
    if (best.length < 0 || length < best.length) {
      best.length = length;
      best.order = {start};
      best.order.insert(best.order.end(), rest.begin(), rest.end());
    }
  } while (std::next_permutation(rest.begin(), rest.end()));
  return best;
}

std::unique_ptr<ProblemData> matrixInstance(const std::vector<std::vector<std::int32_t>>& rows,
                                            int start) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = static_cast<std::int32_t>(rows.size());
  problem->startCity = start;
  for (int i = 0; i < problem->count; ++i) {
    for (int j = 0; j < problem->count; ++j) problem->rows[i].dist[j] = rows[i][j];
  }
  for (int i = 0; i < problem->count; ++i) sortNeighbourOrder(*problem, i);
  return problem;
}

void expectEarliestOptimumKept(const ProblemData& problem, std::uint64_t& checkedNodes) {
  const EarliestOptimum earliest = earliestOptimalTour(problem);
  SolveOptions options;
  options.witnessTour = earliest.order.data();
  options.witnessLength = static_cast<std::int32_t>(earliest.length);
  const SolveOutcome outcome = solveProblem(problem, options);
  ASSERT_EQ(outcome.code, ErrorCode::Success);
  EXPECT_EQ(outcome.length, earliest.length);
  EXPECT_EQ(outcome.statistics.witnessViolations, 0u)
      << "first violation in " << outcome.statistics.witnessViolation;
  checkedNodes += outcome.statistics.witnessChecks;
}

struct TieCase {
  int start;
  std::vector<std::vector<std::int32_t>> distances;
};

// Regression: on each of these the arc test's swap or last-city tie once cut the earliest
// optimal tour in favour of a tour the search does not visit (its second nearest city first).
TEST(SearchTieWitness, EarliestOptimalTourIsNeverCut) {
  if (!kSearchChecks) GTEST_SKIP() << "built without RINGMARCH_SEARCH_CHECKS";
  const TieCase cases[] = {
      {3,
       {{0, 1, 2, 2, 4, 4},
        {1, 0, 1, 1, 4, 3},
        {2, 1, 0, 2, 3, 3},
        {2, 1, 2, 0, 3, 2},
        {4, 4, 3, 3, 0, 4},
        {4, 3, 3, 2, 4, 0}}},
      {1, {{0, 3, 1, 3, 4}, {3, 0, 2, 4, 4}, {1, 2, 0, 2, 2}, {3, 4, 2, 0, 3}, {4, 4, 2, 3, 0}}},
      {0,
       {{0, 2, 1, 0, 1, 1},
        {2, 0, 2, 0, 0, 2},
        {1, 2, 0, 0, 0, 1},
        {0, 0, 0, 0, 0, 2},
        {1, 0, 0, 0, 0, 0},
        {1, 2, 1, 2, 0, 0}}},
      {4, {{0, 3, 0, 4, 2}, {3, 0, 2, 2, 4}, {0, 2, 0, 4, 1}, {4, 2, 4, 0, 3}, {2, 4, 1, 3, 0}}},
      {4,
       {{0, 1, 0, 0, 0, 1, 1},
        {1, 0, 1, 1, 0, 1, 1},
        {0, 1, 0, 1, 0, 1, 1},
        {0, 1, 1, 0, 1, 1, 0},
        {0, 0, 0, 1, 0, 0, 1},
        {1, 1, 1, 1, 0, 0, 1},
        {1, 1, 1, 0, 1, 1, 0}}},
  };
  std::uint64_t checkedNodes = 0;
  for (const TieCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.distances.size() << " cities, start " << c.start);
    expectEarliestOptimumKept(*matrixInstance(c.distances, c.start), checkedNodes);
  }
  // Tie-heavy random matrices of 5 to 8 cities, distances 1 .. 3 and some zeros.
  for (int count = 5; count <= 8; ++count) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
      auto problem = explicitInstance(count, seed * 7877u + static_cast<unsigned>(count), 3,
                                      static_cast<int>(seed) % count);
      if (seed % 2 == 0) {
        for (int i = 0; i < count; ++i) {
          for (int j = 0; j < count; ++j) problem->rows[i].dist[j] -= i == j ? 0 : 1;
        }
        for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
      }
      SCOPED_TRACE(::testing::Message() << count << " cities, seed " << seed);
      expectEarliestOptimumKept(*problem, checkedNodes);
    }
  }
  EXPECT_GT(checkedNodes, 500u);
}

}  // namespace
}  // namespace ringmarch::testing
