// The exchange test of one arc against the path: strict gains reject, ties reject only where an
// index rule says so (arcs out of the current city).
#include <gtest/gtest.h>

#include <vector>

#include "model/generation.h"
#include "solver/admit_arc_tables.h"
#include "support/node_fixture.h"

namespace ringmarch::testing {
namespace {

struct Distance {
  int a;
  int b;
  std::int32_t d;
};

struct ArcCase {
  const char* name;
  std::vector<int> path;
  std::vector<Distance> distances;  // every other distance is 100
  int tail;
  int head;
  bool admitted;
};

TEST(AdmitArc, ExchangesWithThePath) {
  const ArcCase cases[] = {
      // m = 3, arc out of L = 2: A1 compares 0-1-2-3 with 0-2-1-3.
      {"A1 tie, L above P: kept", {0, 1, 2}, {}, 2, 3, true},
      {"A1 tie, L below P: rejected", {0, 2, 1}, {}, 1, 3, false},
      {"A1 strict gain: rejected", {0, 1, 2}, {{2, 3, 150}}, 2, 3, false},
      {"A1 strict loss: kept", {0, 1, 2}, {{0, 2, 150}}, 2, 3, true},
      // m = 4: A2 moves L = 3 into the first path edge 0-1 (0-3 is cheap).
      {"A2 against the first path edge", {0, 1, 2, 3}, {{0, 3, 1}}, 3, 4, false},
      // m = 5: A3 moves the reversed tail 3-4 between 0 and 1 (A1 and A2 find nothing).
      {"A3 reversed tail into the first edge",
       {0, 1, 2, 3, 4},
       {{0, 4, 40}, {3, 1, 40}, {2, 5, 40}, {3, 4, 10}},
       4,
       5,
       false},
      {"A3 tie, L above w: kept", {0, 1, 2, 3, 4}, {{3, 4, 10}}, 4, 5, true},
      // m = 2: a one-edge path admits every arc out of L; B1 judges other arcs strictly.
      {"m = 2, arc out of L", {0, 1}, {{0, 2, 1}}, 1, 2, true},
      {"B1 tie: kept", {0, 1}, {}, 2, 3, true},
      {"B1 strict gain: rejected", {0, 1}, {{1, 3, 50}, {0, 2, 50}}, 2, 3, false},
      // m = 3: B2 moves P = 1 between 3 and 4.
      {"B2 strict gain: rejected", {0, 1, 2}, {{0, 2, 10}, {1, 4, 50}, {3, 1, 50}}, 3, 4, false},
      // m = 1: nothing to exchange with.
      {"one-city path", {0}, {{1, 2, 1000}}, 1, 2, true},
  };
  for (const ArcCase& c : cases) {
    SCOPED_TRACE(c.name);
    NodeFixture fixture(7);
    for (const Distance& d : c.distances) fixture.setDistance(d.a, d.b, d.d);
    for (int city : c.path) fixture.appendToPath(city);
    EXPECT_EQ(admitArc(fixture.context(), fixture.node(), c.tail, c.head), c.admitted);
  }
}

}  // namespace
}  // namespace ringmarch::testing

namespace ringmarch::testing {
namespace {

// The prepared form answers exactly as the direct one, for every arc between cities that still
// need a neighbour, on random paths over random matrices with many ties (also asymmetric ones).
TEST(AdmitArc, PreparedFormAgreesWithTheDirectTest) {
  CrtRandom random(12345);
  int rejected = 0;
  int tested = 0;
  for (int round = 0; round < 300; ++round) {
    const int n = 6 + random.next() % 10;
    const int largest = 2 + random.next() % 20;
    const bool symmetric = round % 3 != 0;
    NodeFixture fixture(n);
    for (int i = 0; i < n; ++i) {
      for (int j = symmetric ? i + 1 : 0; j < n; ++j) {
        if (i == j) continue;
        const std::int32_t d = 1 + random.next() % largest;
        if (symmetric) {
          fixture.setDistance(i, j, d);
        } else {
          fixture.state().distance[i][j] = d;
        }
      }
    }
    // A path over a random selection of cities.
    std::vector<int> cities(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) cities[static_cast<std::size_t>(i)] = i;
    for (int i = n - 1; i > 0; --i) {
      std::swap(cities[static_cast<std::size_t>(i)],
                cities[static_cast<std::size_t>(random.next() % (i + 1))]);
    }
    const int m = 1 + random.next() % (n - 1);
    for (int k = 0; k < m; ++k) fixture.appendToPath(cities[static_cast<std::size_t>(k)]);

    AdmitArcTables tables;
    prepareAdmitArc(fixture.context(), fixture.node(), tables);
    const TourRecord& path = fixture.path();
    for (int t = 0; t < n; ++t) {
      for (int h = 0; h < n; ++h) {
        if (t == h || path.freeEnds[t] == 0 || path.freeEnds[h] == 0) continue;
        const bool direct = admitArc(fixture.context(), fixture.node(), t, h);
        const bool prepared = admitPreparedArc(fixture.context(), fixture.node(), tables, t, h);
        ASSERT_EQ(direct, prepared) << "round " << round << " arc " << t << "->" << h;
        ++tested;
        if (!direct) ++rejected;
      }
    }
  }
  // Both answers occur often enough for the comparison to mean something.
  EXPECT_GT(rejected, tested / 10);
  EXPECT_GT(tested - rejected, tested / 10);
}

}  // namespace
}  // namespace ringmarch::testing
