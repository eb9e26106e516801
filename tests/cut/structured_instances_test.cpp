// The structured instances of the cut engine's table: each generator makes the cities its name
// says (counts, spacing, holes on the lattice, the same cities on every call), and the cut engine
// proves the known optima of small ones, agreeing with the canonical engine where both finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "bench/cut/structured_instances.h"
#include "bench/tour/tsplib_file_reader.h"
#include "cut/branch_and_cut.h"
#include "solve/solve.h"

namespace ringmarch::bench {
namespace {

std::set<std::pair<double, double>> pointsOf(const PointSet& points) {
  std::set<std::pair<double, double>> set;
  for (int i = 0; i < points.size(); ++i) {
    set.emplace(points.x[static_cast<std::size_t>(i)], points.y[static_cast<std::size_t>(i)]);
  }
  return set;
}

// Per city, how many other cities lie at exactly this distance.
std::vector<int> neighboursAt(const Instance& instance, std::int32_t distance) {
  std::vector<int> counts(static_cast<std::size_t>(instance.size()), 0);
  for (int i = 0; i < instance.size(); ++i) {
    for (int j = 0; j < instance.size(); ++j) {
      if (i != j && instance.distance(i, j) == distance) ++counts[static_cast<std::size_t>(i)];
    }
  }
  return counts;
}

std::int32_t shortestDistance(const Instance& instance) {
  std::int32_t shortest = INT32_MAX;
  for (int i = 0; i < instance.size(); ++i) {
    for (int j = i + 1; j < instance.size(); ++j) {
      shortest = std::min(shortest, instance.distance(i, j));
    }
  }
  return shortest;
}

cut::CutEngineResult solveByCut(const Instance& instance) {
  RunControl control(std::nullopt, nullptr);
  return cut::solveByBranchAndCut(instance, {}, control);
}

TEST(StructuredInstances, TheElevenLatticeIsTheTestDataFile) {
  const std::optional<Instance> file =
      readTsplibFile(std::string(RINGMARCH_TEST_DATA_DIR) + "/grid11.tsp");
  const std::optional<Instance> lattice = structuredInstance("lattice-11x11");
  ASSERT_TRUE(file && lattice);
  ASSERT_EQ(lattice->size(), 121);
  ASSERT_EQ(file->size(), 121);
  for (int i = 0; i < 121; ++i) {
    EXPECT_EQ(lattice->x(i), file->x(i)) << "city " << i;
    EXPECT_EQ(lattice->y(i), file->y(i)) << "city " << i;
  }
}

TEST(StructuredInstances, LatticePointsAreOneStepApart) {
  const PointSet points = squareLattice(10, 12);
  ASSERT_EQ(points.size(), 120);
  EXPECT_EQ(pointsOf(points).size(), 120u);
  EXPECT_EQ(*std::max_element(points.x.begin(), points.x.end()), 900);
  EXPECT_EQ(*std::max_element(points.y.begin(), points.y.end()), 1100);
  const std::optional<Instance> instance = structuredInstance("lattice-10x12");
  ASSERT_TRUE(instance);
  EXPECT_EQ(shortestDistance(*instance), kLatticeSpacing);
  const std::vector<int> steps = neighboursAt(*instance, kLatticeSpacing);
  EXPECT_EQ(steps[0], 2);                                  // a corner
  EXPECT_EQ(steps[1], 3);                                  // on the edge
  EXPECT_EQ(steps[12 * 4 + 5], 4);                         // inside
  EXPECT_EQ(neighboursAt(*instance, 141)[12 * 4 + 5], 4);  // the diagonals round to 141
}

TEST(StructuredInstances, HolesLeaveTheAskedCountOfLatticePoints) {
  const PointSet lattice = squareLattice(12, 12);
  const auto all = pointsOf(lattice);
  for (const auto& [cities, seed] : {std::pair{100, 1}, {110, 3}, {127, 7}, {144, 9}}) {
    const PointSet points = latticeWithHoles(12, cities, static_cast<std::uint64_t>(seed));
    ASSERT_EQ(points.size(), cities);
    const auto set = pointsOf(points);
    EXPECT_EQ(set.size(), static_cast<std::size_t>(cities)) << "a point twice";
    EXPECT_TRUE(std::includes(all.begin(), all.end(), set.begin(), set.end()))
        << "a point off the lattice";
  }
  // All points kept: the lattice itself, in its own order.
  const PointSet full = latticeWithHoles(12, 144, 5);
  EXPECT_EQ(full.x, lattice.x);
  EXPECT_EQ(full.y, lattice.y);
  EXPECT_EQ(latticeWithHoles(12, 145, 1).size(), 0);
  EXPECT_EQ(latticeWithHoles(12, 0, 1).size(), 0);
}

TEST(StructuredInstances, AHoleNameIsAlwaysTheSameCities) {
  const std::optional<PointSet> first = structuredPoints("holes-12-110-3");
  const std::optional<PointSet> again = structuredPoints("holes-12-110-3");
  const std::optional<PointSet> otherSeed = structuredPoints("holes-12-110-4");
  ASSERT_TRUE(first && again && otherSeed);
  EXPECT_EQ(first->x, again->x);
  EXPECT_EQ(first->y, again->y);
  EXPECT_NE(pointsOf(*first), pointsOf(*otherSeed));
  // The kept points stay in the lattice's row-major order.
  for (int i = 1; i < first->size(); ++i) {
    const auto before = std::pair{first->x[static_cast<std::size_t>(i - 1)],
                                  first->y[static_cast<std::size_t>(i - 1)]};
    const auto here =
        std::pair{first->x[static_cast<std::size_t>(i)], first->y[static_cast<std::size_t>(i)]};
    EXPECT_LT(before, here);
  }
}

TEST(StructuredInstances, TriangularNeighboursRoundToOneStep) {
  const std::optional<Instance> instance = structuredInstance("tri-11x11");
  ASSERT_TRUE(instance);
  ASSERT_EQ(instance->size(), 121);
  EXPECT_EQ(shortestDistance(*instance), kTriangleStep);
  const std::vector<int> steps = neighboursAt(*instance, kTriangleStep);
  for (int r = 1; r < 10; ++r) {
    for (int c = 1; c < 10; ++c) EXPECT_EQ(steps[static_cast<std::size_t>(r * 11 + c)], 6);
  }
  EXPECT_EQ(steps[0], 2);   // row 0's first point: its right neighbour and one in row 1
  EXPECT_EQ(steps[10], 3);  // row 0's last point: its left neighbour and two in row 1
}

TEST(StructuredInstances, NamesThatAreNoneAreRefused) {
  for (const char* name :
       {"lattice-0x5", "lattice-11x", "lattice-11x11x2", "tri-", "holes-12-145-1", "holes-12-100",
        "holes-12-0-1", "random-100", "lattice-1000x1000"}) {
    EXPECT_FALSE(structuredPoints(name)) << name;
  }
  EXPECT_TRUE(structuredPoints("lattice-1x3"));
}

TEST(StructuredInstances, TheTableSetIsUpTo127CitiesWithValidNames) {
  const auto set = structuredSet();
  EXPECT_GE(set.size(), 8u);
  for (const StructuredEntry& entry : set) {
    const std::optional<PointSet> points = structuredPoints(entry.name);
    ASSERT_TRUE(points) << entry.name;
    EXPECT_GE(points->size(), 100) << entry.name;
    EXPECT_LE(points->size(), 127) << entry.name;
    EXPECT_EQ(structuredOptimum(entry.name), entry.optimum);
  }
  EXPECT_EQ(structuredOptimum("lattice-11x11"), 12141);
  EXPECT_EQ(structuredOptimum("not-in-the-set"), -1);
}

TEST(StructuredInstances, CutEngineProvesTheElevenLattice) {
  const std::optional<Instance> instance = structuredInstance("lattice-11x11");
  ASSERT_TRUE(instance);
  const cut::CutEngineResult result = solveByCut(*instance);
  ASSERT_TRUE(result.optimal) << result.reason;
  EXPECT_EQ(result.length, 12141);
  EXPECT_EQ(instance->tourLength(result.tour), 12141);
  ASSERT_TRUE(result.lowerBound);
  EXPECT_EQ(*result.lowerBound, 12141);
  // The degree equations alone put the first LP above 12,140: its proven bound ends the root
  // before any round of cuts.
  EXPECT_EQ(result.statistics.cutRounds, 0u);
  // Deterministic: the same nodes on a second run.
  EXPECT_EQ(solveByCut(*instance).statistics.nodes, result.statistics.nodes);
}

TEST(StructuredInstances, CutEngineProvesASmallTriangularLattice) {
  // 5 rows of 5: a cycle through lattice neighbours only, 25 steps of 112.
  const std::optional<Instance> instance = structuredInstance("tri-5x5");
  ASSERT_TRUE(instance);
  const cut::CutEngineResult result = solveByCut(*instance);
  ASSERT_TRUE(result.optimal) << result.reason;
  EXPECT_EQ(result.length, 25 * kTriangleStep);
}

TEST(StructuredInstances, BothEnginesAgreeOnSmallGridsWithHoles) {
  for (const char* name : {"holes-7-40-1", "holes-8-50-2", "holes-6-31-3"}) {
    const std::optional<Instance> instance = structuredInstance(name);
    ASSERT_TRUE(instance) << name;
    const cut::CutEngineResult byCut = solveByCut(*instance);
    SolveRequest request;
    request.engine = Engine::Canonical;
    request.timeLimitSeconds = 30.0;
    const SolveResult canonical = solve(*instance, request);
    ASSERT_TRUE(byCut.optimal) << name << ": " << byCut.reason;
    ASSERT_TRUE(canonical.optimal()) << name << ": " << canonical.reason;
    EXPECT_EQ(byCut.length, canonical.length) << name;
    EXPECT_TRUE(instance->isTour(canonical.tour));
    // Every city is a lattice point 100 from another, so no tour is shorter than n steps.
    EXPECT_GE(byCut.length, static_cast<std::int64_t>(instance->size()) * kLatticeSpacing) << name;
  }
}

}  // namespace
}  // namespace ringmarch::bench
