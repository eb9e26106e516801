// The directed tour search: its one move against a plain list rewrite, the assignment against
// brute force, and the search through the solve layer against the canonical engine's proven
// optima of random directed matrices (never below them, close on average, never worse than its
// own start), with the tour's length in its listed direction, the same tour every run and on any
// thread, and fixed arcs kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "solve/solve.h"
#include "tour/assignment.h"
#include "tour/directed_tour.h"
#include "tour/find_tour.h"

namespace ringmarch {
namespace {

// kind 0: distances uniform in 1..1000; kind 1: points in a square, the rounded distance plus a
// noise of 0..300 drawn for each direction apart (near neighbours stay near, both ways differ).
Instance randomDirected(int n, std::uint32_t seed, int kind) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> coordinate(0, 999), uniform(1, 1000), noise(0, 300);
  std::vector<int> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    x[static_cast<std::size_t>(i)] = coordinate(random);
    y[static_cast<std::size_t>(i)] = coordinate(random);
  }
  std::vector<std::int32_t> matrix(static_cast<std::size_t>(n * n), 0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (i == j) continue;
      const double apart =
          std::hypot(x[static_cast<std::size_t>(i)] - x[static_cast<std::size_t>(j)],
                     y[static_cast<std::size_t>(i)] - y[static_cast<std::size_t>(j)]);
      matrix[static_cast<std::size_t>(i * n + j)] =
          kind == 0 ? uniform(random)
                    : static_cast<std::int32_t>(std::lround(apart)) + noise(random);
    }
  }
  return *Instance::fromMatrix(n, matrix);
}

std::vector<int> successorsOf(const std::vector<int>& tour) {
  std::vector<int> next(tour.size());
  for (std::size_t k = 0; k < tour.size(); ++k) {
    next[static_cast<std::size_t>(tour[k])] = tour[(k + 1) % tour.size()];
  }
  return next;
}

TEST(DirectedTourTest, TheMoveTradesTwoPathsAndItsInverseUndoesIt) {
  // Every choice of three arcs of a 9-city tour, from each of several rotations of the array (so
  // that each of the three paths is at some point the one left in place).
  const int n = 9;
  for (int rotation = 0; rotation < n; rotation += 4) {
    std::vector<int> order(n);
    for (int k = 0; k < n; ++k) order[static_cast<std::size_t>(k)] = (k * 4 + rotation) % n;
    for (int i = 0; i < n; ++i) {
      for (int j = i + 1; j < n; ++j) {
        for (int k = j + 1; k < n; ++k) {
          tour::DirectedTour tour;
          tour.assign(order);
          const auto city = [&](int p) { return order[static_cast<std::size_t>(p % n)]; };
          const int a = city(i), b = city(i + 1), c = city(j), d = city(j + 1), e = city(k),
                    f = city(k + 1);
          tour.move(a, b, c, d, e, f);
          // Expected: a, then d..e, then b..c, then f..(back to a).
          std::vector<int> expected{a};
          for (int p = j + 1; p <= k; ++p) expected.push_back(city(p));
          for (int p = i + 1; p <= j; ++p) expected.push_back(city(p));
          for (int p = k + 1; p < i + n; ++p) expected.push_back(city(p));
          std::vector<int> seen{a};
          for (int walk = tour.next(a); walk != a; walk = tour.next(walk)) seen.push_back(walk);
          ASSERT_EQ(seen, expected) << i << " " << j << " " << k;
          for (int v = 0; v < n; ++v) {
            ASSERT_EQ(tour.prev(tour.next(v)), v);
            EXPECT_TRUE(tour.between(tour.prev(v), v, tour.next(v)));
          }
          tour.move(a, d, e, b, c, f);
          EXPECT_EQ(successorsOf(tour.order()), successorsOf(order));
        }
      }
    }
  }
}

TEST(DirectedTourTest, TheAssignmentIsTheCheapestAndKeepsForcedSuccessors) {
  // Brute force over every permutation without a fixed point, with and without forced arcs.
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    const int n = 4 + static_cast<int>(seed % 4);
    const Instance instance = randomDirected(n, seed, static_cast<int>(seed % 2));
    std::vector<int> forced(static_cast<std::size_t>(n), -1);
    if (seed > 6) {
      forced[0] = 2;
      forced[2] = 1;  // the path 0 -> 2 -> 1
    }
    std::vector<int> permutation(static_cast<std::size_t>(n));
    std::iota(permutation.begin(), permutation.end(), 0);
    std::int64_t cheapest = -1;
    do {
      bool fits = true;
      std::int64_t cost = 0;
      for (int i = 0; i < n; ++i) {
        const int to = permutation[static_cast<std::size_t>(i)];
        const int must = forced[static_cast<std::size_t>(i)];
        fits = fits && to != i && (must < 0 || must == to);
        cost += instance.distance(i, to);
      }
      if (fits && (cheapest < 0 || cost < cheapest)) cheapest = cost;
    } while (std::next_permutation(permutation.begin(), permutation.end()));
    RunControl control;
    const auto assignment = tour::cheapestAssignment(instance, forced, control);
    ASSERT_TRUE(assignment);
    EXPECT_EQ(assignment->cost, cheapest) << "seed " << seed;
    const std::vector<int> patched = tour::patchCycles(instance, assignment->successor, forced);
    ASSERT_TRUE(instance.isTour(patched));
    EXPECT_GE(instance.tourLength(patched), assignment->cost);
    const std::vector<int> next = successorsOf(patched);
    for (int i = 0; i < n; ++i) {
      const int must = forced[static_cast<std::size_t>(i)];
      if (must >= 0) {
        EXPECT_EQ(next[static_cast<std::size_t>(i)], must);
      }
    }
  }
}

TEST(DirectedTourTest, CloseToTheProvenOptimumOfFiftyRandomMatrices) {
  // 30 to 60 cities, both kinds. Measured when written: mean 0.04 % (uniform) and 0.01 %
  // (geometric) above the optimum, worst 1.6 %; the patched assignment the search starts from is
  // 7 to 9 % above on average. A mean above 0.5 % or any tour 3 % above is a fault.
  double excessSum = 0.0;
  for (int k = 0; k < 50; ++k) {
    const int n = 30 + (k * 31) % 31;
    const Instance instance = randomDirected(n, 1000 + static_cast<std::uint32_t>(k), k % 2);
    SCOPED_TRACE("matrix " + std::to_string(k) + ", " + std::to_string(n) + " cities");
    SolveRequest exact;
    exact.engine = Engine::Canonical;
    const SolveResult optimum = solve(instance, exact);
    ASSERT_TRUE(optimum.optimal());
    SolveRequest request;
    request.engine = Engine::Tour;
    const SolveResult found = solve(instance, request);
    ASSERT_TRUE(instance.isTour(found.tour));
    ASSERT_EQ(found.length, instance.tourLength(found.tour));
    EXPECT_GE(found.length, optimum.length);
    EXPECT_LE(found.lowerBound.value_or(0), optimum.length);
    const double excess = 100.0 * static_cast<double>(found.length - optimum.length) /
                          static_cast<double>(optimum.length);
    EXPECT_LE(excess, 3.0);
    excessSum += excess;
    RunControl control;
    const auto assignment = tour::cheapestAssignment(instance, {}, control);
    ASSERT_TRUE(assignment);
    EXPECT_LE(found.length,
              instance.tourLength(tour::patchCycles(instance, assignment->successor, {})));
  }
  EXPECT_LE(excessSum / 50.0, 0.5);
}

TEST(DirectedTourTest, TheLengthIsThatOfTheListedDirectionAndTheSameOnEveryRunAndThread) {
  const Instance instance = randomDirected(200, 77, 1);
  TourSearchOptions options;
  options.kicksPerCity = 10.0;
  RunControl control;
  const TourSearchResult first = findTour(instance, options, control);
  ASSERT_TRUE(instance.isTour(first.tour));
  EXPECT_EQ(first.length, instance.tourLength(first.tour));
  std::vector<int> reversed(first.tour.rbegin(), first.tour.rend());
  EXPECT_NE(instance.tourLength(reversed), first.length)
      << "the test needs a tour whose way matters";
  TourSearchResult onThreads[2];
  std::thread one([&] {
    RunControl own;
    onThreads[0] = findTour(instance, options, own);
  });
  std::thread two([&] {
    RunControl own;
    onThreads[1] = findTour(instance, options, own);
  });
  one.join();
  two.join();
  for (const TourSearchResult& again : onThreads) {
    EXPECT_EQ(again.tour, first.tour);
    EXPECT_EQ(again.kicks, first.kicks);
  }
}

TEST(DirectedTourTest, TinyInstancesAndAStopAtOnceStillGiveTours) {
  // Four to nine cities: the moves' paths are a city or two long, kicks start at eight.
  for (int n = 4; n <= 9; ++n) {
    SCOPED_TRACE(std::to_string(n) + " cities");
    const Instance instance = randomDirected(n, static_cast<std::uint32_t>(300 + n), n % 2);
    TourSearchOptions options;
    options.kicksPerCity = 20.0;
    RunControl control;
    const TourSearchResult result = findTour(instance, options, control);
    ASSERT_TRUE(instance.isTour(result.tour));
    EXPECT_EQ(result.length, instance.tourLength(result.tour));
  }
  const Instance large = randomDirected(300, 400, 0);
  RunControl stopNow(0.0, nullptr);
  const TourSearchResult stopped = findTour(large, {}, stopNow);
  EXPECT_TRUE(stopped.stopped);
  ASSERT_TRUE(large.isTour(stopped.tour));
  EXPECT_EQ(stopped.length, large.tourLength(stopped.tour));
}

TEST(DirectedTourTest, FixedArcsAreKept) {
  const Instance instance = randomDirected(80, 91, 0);
  std::vector<int> ring(80);
  std::iota(ring.begin(), ring.end(), 0);
  std::vector<std::pair<int, int>> wholeRing;
  for (int k = 0; k < 80; ++k) wholeRing.emplace_back(k, (k + 1) % 80);
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> arcs;
    std::vector<std::pair<int, int>> kept;  // the arcs that must be in the tour
    std::span<const int> start;
  };
  const Case cases[] = {
      {"a chain and single arcs far apart",
       {{0, 1}, {1, 2}, {2, 3}, {10, 70}, {79, 40}},
       {{0, 1}, {1, 2}, {2, 3}, {10, 70}, {79, 40}},
       {}},
      // A second arc out of 5, a second into 6 and the arc closing 7 -> 8 -> 7 are left out.
      {"conflicting arcs", {{5, 6}, {5, 9}, {4, 6}, {7, 8}, {8, 7}}, {{5, 6}, {7, 8}}, {}},
      {"from a start tour lacking them", {{3, 60}, {60, 20}}, {{3, 60}, {60, 20}}, ring},
      {"the whole tour", wholeRing, wholeRing, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TourSearchOptions options;
    options.fixedEdges = c.arcs;
    options.startTour = c.start;
    options.kicksPerCity = 20.0;
    RunControl control;
    const TourSearchResult result = findTour(instance, options, control);
    ASSERT_TRUE(instance.isTour(result.tour));
    EXPECT_EQ(result.length, instance.tourLength(result.tour));
    const std::vector<int> next = successorsOf(result.tour);
    for (const auto& [a, b] : c.kept)
      EXPECT_EQ(next[static_cast<std::size_t>(a)], b) << a << " -> " << b;
  }
}

}  // namespace
}  // namespace ringmarch
