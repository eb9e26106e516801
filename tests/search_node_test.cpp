// Root and child nodes, the bound test of a child, and the release of a node's memory.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "solver/search.h"
#include "solver/search_context.h"
#include "support/node_fixture.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {
namespace {

struct LoadedInstance {
  std::unique_ptr<SolverState> state = std::make_unique<SolverState>();
  SolveOptions options;
  SolveStatistics statistics;
  TourRecord path;
};

// The working copy of problem and an empty path with the start fields of the start city.
std::unique_ptr<LoadedInstance> load(const ProblemData& problem, std::int32_t start) {
  auto loaded = std::make_unique<LoadedInstance>();
  loadWorkingCopy(*loaded->state, problem);
  TourRecord& path = loaded->path;
  initTour(path, &loaded->state->workProblem, -1);
  path.startCity = start;
  path.nearestOfStart = loaded->state->workProblem.rows[start].neighbourOrder[1];
  path.secondOfStart = loaded->state->workProblem.rows[start].neighbourOrder[2];
  path.nearestPlaced = false;
  return loaded;
}

TEST(SearchNode, RootListsEveryPairInNeighbourOrderAndForbidsThreeArcs) {
  const auto problem = explicitInstance(8, 77, 40, 3);
  auto loaded = load(*problem, 3);
  SearchContext context{*loaded->state, loaded->options, loaded->statistics};
  SearchNode root{};
  ASSERT_TRUE(buildRoot(context, root, loaded->path));

  const int n = 8;
  const int s = loaded->path.startCity;
  const int a = loaded->path.nearestOfStart;
  const int b = loaded->path.secondOfStart;
  ASSERT_EQ(root.entryCount, n);
  int totalEdges = 0;
  int singleBitEdges = 0;
  Cost expectedOutSum = 0;
  for (int i = 0; i < n; ++i) {
    const CityCandidates& entry = root.entries[i];
    ASSERT_EQ(entry.city, i);
    ASSERT_EQ(root.entryOfCity[i], &entry);
    ASSERT_EQ(entry.edgeCount, n - 1);
    EXPECT_EQ(entry.edges, root.edgePool + totalEdges);  // no gaps between entries
    for (int k = 0; k < entry.edgeCount; ++k) {
      const CandidateEdge& edge = entry.edges[k];
      EXPECT_EQ(edge.city, loaded->state->workProblem.rows[i].neighbourOrder[k + 1]);
      const int j = edge.city;
      const bool outForbidden = (i == s && j == b) || (i == a && j == s) || (i == b && j == a);
      const bool inForbidden = (j == s && i == b) || (j == a && i == s) || (j == b && i == a);
      const int expected = (outForbidden ? 0 : kOutgoing) | (inForbidden ? 0 : kIncoming);
      EXPECT_EQ(edge.dirs, expected) << "edge " << i << "-" << j;
      if (edge.dirs != 3) ++singleBitEdges;
    }
    EXPECT_EQ(entry.minOut, loaded->state->distance[i][entry.edges[0].city]);
    expectedOutSum += entry.minOut;
    totalEdges += entry.edgeCount;
  }
  EXPECT_EQ(totalEdges, n * (n - 1));
  EXPECT_EQ(singleBitEdges, 6);
  EXPECT_EQ(root.outSum, expectedOutSum);
  EXPECT_EQ(root.inSum, expectedOutSum);
  releaseNode(context, root);
}

TEST(SearchNode, ChildAndEvaluationReturnEveryBlockToThePool) {
  const auto problem = euclideanInstance(10, 4242);
  auto loaded = load(*problem, problem->startCity);
  loaded->state->bestLength = 1 << 30;  // no tour yet: nothing is pruned by the budget
  SearchContext context{*loaded->state, loaded->options, loaded->statistics};
  std::unique_ptr<SearchArena, void (*)(SearchArena*)> arena(createArena(1 << 16), destroyArena);
  context.arena = arena.get();

  SearchNode root{};
  ASSERT_TRUE(buildRoot(context, root, loaded->path));
  TourRecord first;
  copyTour(first, loaded->path);
  appendCity(first, problem->startCity);
  SearchNode child{};
  ASSERT_TRUE(buildChild(context, child, root, first));
  EXPECT_EQ(child.entryCapacity, 10 - 1 + 2);
  EXPECT_EQ(child.edgeCapacity, 10 * 9 + 1);
  const std::int32_t children = evaluateNode(context, child);
  // A one-city path keeps an entry for every city; the start city keeps every arc that the
  // root allowed (no exchange test applies to a one-city path).
  EXPECT_EQ(child.entryCount, 10);
  EXPECT_EQ(children, 9);
  EXPECT_EQ(arenaBlocksInUse(arena.get()), 4u);  // two nodes, two arrays each
  releaseNode(context, child);
  releaseNode(context, root);
  EXPECT_EQ(arenaBlocksInUse(arena.get()), 0u);
  EXPECT_FALSE(context.outOfMemory);
}

TEST(SearchNode, FailedAllocationOfEitherArrayLeavesNothingTaken) {
  const auto problem = euclideanInstance(6, 5);
  for (std::uint64_t failing : {1u, 2u}) {
    auto loaded = load(*problem, 0);
    loaded->options.failAllocationNumber = failing;
    SearchContext context{*loaded->state, loaded->options, loaded->statistics};
    std::unique_ptr<SearchArena, void (*)(SearchArena*)> arena(createArena(1 << 16), destroyArena);
    context.arena = arena.get();
    SearchNode root{};
    EXPECT_FALSE(buildRoot(context, root, loaded->path));
    EXPECT_TRUE(context.outOfMemory);
    EXPECT_EQ(arenaBlocksInUse(arena.get()), 0u);
    EXPECT_EQ(root.entries, nullptr);
    EXPECT_EQ(root.edgePool, nullptr);
  }
}

TEST(SearchNode, ArcTableClearsTheCornerOfTheInstance) {
  NodeFixture fixture(5);
  std::unique_ptr<SearchArena, void (*)(SearchArena*)> arena(createArena(1 << 16), destroyArena);
  fixture.context().arena = arena.get();
  ArcTable* dirty = allocateArcTable(fixture.context());
  ASSERT_NE(dirty, nullptr);
  std::memset(dirty, 0xAB, sizeof(ArcTable));
  releaseArcTable(fixture.context(), dirty);
  ArcTable* table = allocateArcTable(fixture.context());
  ASSERT_EQ(table, dirty);  // the pool hands the same memory out again
  for (int row = 0; row < 5; ++row) {
    for (int column = 0; column < 5; ++column) EXPECT_EQ((*table)[row][column], 0);
  }
  releaseArcTable(fixture.context(), table);
}

TEST(SearchNode, PoolReclaimsBlocksReleasedOutOfOrderAndGrowsForLargeBlocks) {
  NodeFixture fixture(5);
  SearchContext& context = fixture.context();
  std::unique_ptr<SearchArena, void (*)(SearchArena*)> arena(createArena(1 << 16), destroyArena);
  context.arena = arena.get();
  void* lowest = allocateBlock(context, 1000);
  void* middle = allocateBlock(context, 1000);
  void* top = allocateBlock(context, 1000);
  ASSERT_TRUE(lowest && middle && top);
  std::memset(middle, 1, 1000);
  releaseBlock(context, middle);  // out of order: only marked while top is in use
  void* next = allocateBlock(context, 1000);
  EXPECT_NE(next, middle);
  releaseBlock(context, next);
  releaseBlock(context, top);  // now top and the marked middle block come back
  void* reused = allocateBlock(context, 1000);
  EXPECT_EQ(reused, middle);
  // A block larger than any chunk gets a chunk of its own and is fully usable.
  const std::size_t large = std::size_t{3} << 20;
  auto* big = static_cast<unsigned char*>(allocateBlock(context, large));
  ASSERT_NE(big, nullptr);
  std::memset(big, 7, large);
  EXPECT_EQ(big[large - 1], 7);
  releaseBlock(context, big);
  releaseBlock(context, reused);
  releaseBlock(context, lowest);
  EXPECT_EQ(arenaBlocksInUse(arena.get()), 0u);
  EXPECT_FALSE(context.outOfMemory);
  // After everything came back, the first block starts where the first one did.
  void* again = allocateBlock(context, 10);
  EXPECT_EQ(again, lowest);
  releaseBlock(context, again);
}

// Path 0 -> 1 of length 10; the current city 1 has candidates 2 (distance 20) and 3 (30).
struct BoundCase {
  const char* name;
  Cost treeBound;
  Cost outSum;
  Cost inSum;
  Cost adjustSum;
  std::int32_t bestLength;
  std::int32_t expected;
};

TEST(SearchNode, CandidateBoundTestsAreStrict) {
  const BoundCase cases[] = {
      // tree test: 10 + 20 + 50 - 20 = 60
      {"tree bound equal to best", 50, 0, 0, 0, 60, -1},
      {"tree bound one below best", 50, 0, 0, 0, 61, 2},
      // degree test: 2*10 + 20 + 100 + 50 + 10 - 20 = 180 against 2 * best
      {"degree bound equal to twice best", 0, 100, 50, 10, 90, -1},
      {"degree bound below twice best", 0, 100, 50, 10, 91, 2},
  };
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(c.name);
    NodeFixture fixture(4);
    fixture.setDistance(0, 1, 10);
    fixture.setDistance(1, 2, 20);
    fixture.setDistance(1, 3, 30);
    fixture.appendToPath(0);
    fixture.appendToPath(1);
    fixture.addEntry(0, {{2, kIncoming}, {3, kIncoming}});
    fixture.addEntry(1, {{2, kOutgoing}, {3, kOutgoing}});
    fixture.addEntry(2, {{1, kIncoming}, {3, 3}, {0, kOutgoing}});
    fixture.addEntry(3, {{1, kIncoming}, {2, 3}, {0, kOutgoing}});
    fixture.finishEntries(c.bestLength);
    SearchNode& node = fixture.node();
    ASSERT_EQ(fixture.entryOf(1).minOut, 20);
    node.treeBound = c.treeBound;
    node.outSum = c.outSum;
    node.inSum = c.inSum;
    node.adjustSum = c.adjustSum;
    EXPECT_EQ(candidateCity(fixture.context(), node, 0), c.expected);
  }
}

}  // namespace
}  // namespace ringmarch::testing
