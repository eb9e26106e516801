// Forced-arc propagation at one city and over a node, and the insertion-cost update.
#include <gtest/gtest.h>

#include "support/node_fixture.h"

namespace ringmarch::testing {
namespace {

using Edges = std::vector<std::pair<std::int32_t, int>>;

// Five open cities; city 0's list is given, cities 1 .. 4 list every other city both ways
// (their edge to 0 mirrors city 0's list). Every distance is 100, the budget unlimited.
void buildOpenNode(NodeFixture& fixture, std::initializer_list<EdgeBits> zero) {
  fixture.addEntry(0, zero);
  auto mirrorOf = [&](std::int32_t city) -> std::uint8_t {
    for (const EdgeBits& edge : zero) {
      if (edge.city == city) {
        return static_cast<std::uint8_t>(((edge.dirs & kOutgoing) ? kIncoming : 0) |
                                         ((edge.dirs & kIncoming) ? kOutgoing : 0));
      }
    }
    return 0;
  };
  for (std::int32_t c = 1; c <= 4; ++c) {
    std::vector<EdgeBits> edges;
    for (std::int32_t j = 0; j <= 4; ++j) {
      if (j == c) continue;
      const std::uint8_t dirs = j == 0 ? mirrorOf(c) : kBothEndsFree;
      if (dirs != 0) edges.push_back({j, dirs});
    }
    switch (edges.size()) {
      case 3:
        fixture.addEntry(c, {edges[0], edges[1], edges[2]});
        break;
      default:
        fixture.addEntry(c, {edges[0], edges[1], edges[2], edges[3]});
    }
  }
  fixture.finishEntries(1 << 20);
}

TEST(PropagateForcedArcs, SingleSuccessorAndSinglePredecessorAreBothForced) {
  NodeFixture fixture(5);
  buildOpenNode(fixture, {{1, kOutgoing}, {2, kIncoming}});
  ASSERT_TRUE(propagateForcedArcs(fixture.context(), fixture.node(), 0));
  // 0 -> 1 forced: no other city may precede 1.
  EXPECT_EQ(fixture.edgesOf(1),
            (Edges{{0, kIncoming}, {2, kOutgoing}, {3, kOutgoing}, {4, kOutgoing}}));
  // 2 -> 0 forced: 2 may precede no other city.
  EXPECT_EQ(fixture.edgesOf(2),
            (Edges{{0, kOutgoing}, {1, kIncoming}, {3, kIncoming}, {4, kIncoming}}));
  EXPECT_EQ(fixture.edgesOf(3), (Edges{{1, kIncoming}, {2, kOutgoing}, {4, 3}}));
  EXPECT_EQ(fixture.edgesOf(0), (Edges{{1, kOutgoing}, {2, kIncoming}}));
  EXPECT_EQ(fixture.arc(3, 1), 0);
  EXPECT_EQ(fixture.arc(2, 3), 0);
  EXPECT_EQ(fixture.arc(1, 3), 1);
}

TEST(PropagateForcedArcs, ReverseOfTheForcedSuccessorGoesFirst) {
  NodeFixture fixture(5);
  // 0's only successor is 1, which is also one of its two predecessors.
  buildOpenNode(fixture, {{1, 3}, {2, kIncoming}});
  ASSERT_TRUE(propagateForcedArcs(fixture.context(), fixture.node(), 0));
  EXPECT_EQ(fixture.edgesOf(0), (Edges{{1, kOutgoing}, {2, kIncoming}}));
  EXPECT_EQ(fixture.entryOf(0).inCount, 1);
  // 1 -> 0 removed, then every other arc into 1.
  EXPECT_EQ(fixture.edgesOf(1),
            (Edges{{0, kIncoming}, {2, kOutgoing}, {3, kOutgoing}, {4, kOutgoing}}));
  // The remaining predecessor 2 is forced in turn.
  EXPECT_EQ(fixture.edgesOf(2),
            (Edges{{0, kOutgoing}, {1, kIncoming}, {3, kIncoming}, {4, kIncoming}}));
}

TEST(PropagateForcedArcs, CitiesWithChoicesAreLeftAlone) {
  NodeFixture fixture(5);
  buildOpenNode(fixture, {{1, 3}, {2, 3}});
  const Edges before = fixture.edgesOf(1);
  ASSERT_TRUE(propagateForcedArcs(fixture.context(), fixture.node(), 0));
  EXPECT_EQ(fixture.edgesOf(0), (Edges{{1, 3}, {2, 3}}));
  EXPECT_EQ(fixture.edgesOf(1), before);
}

// Path 0 -> 1 with open cities 2, 3, 4. The current city 1 can only continue to 2; the first
// city 0 can only be entered from 3.
void buildPathEnds(NodeFixture& fixture) {
  fixture.appendToPath(0);
  fixture.appendToPath(1);
  fixture.addEntry(0, {{3, kIncoming}});
  fixture.addEntry(1, {{2, kOutgoing}});
  fixture.addEntry(2, {{1, kIncoming}, {3, 3}, {4, 3}});
  fixture.addEntry(3, {{0, kOutgoing}, {2, 3}, {4, 3}});
  fixture.addEntry(4, {{2, 3}, {3, 3}});
  fixture.finishEntries(1 << 20);
}

TEST(PropagateForcedArcs, PathEndsForceTheirOnlyOption) {
  NodeFixture fixture(5);
  buildPathEnds(fixture);
  ASSERT_TRUE(propagateForcedArcs(fixture.context(), fixture.node(), 1));
  EXPECT_EQ(fixture.edgesOf(2), (Edges{{1, kIncoming}, {3, kOutgoing}, {4, kOutgoing}}));
  ASSERT_TRUE(propagateForcedArcs(fixture.context(), fixture.node(), 0));
  EXPECT_EQ(fixture.edgesOf(3), (Edges{{0, kOutgoing}, {2, kIncoming}, {4, kIncoming}}));
  // 4 -> 2 and 3 -> 4 are gone: the only tour left is 0 -> 1 -> 2 -> 4 -> 3 -> 0.
  EXPECT_EQ(fixture.edgesOf(4), (Edges{{2, kIncoming}, {3, kOutgoing}}));
}

TEST(PropagateForcedArcs, WholeNodePassFailsWhenACityLosesItsLastPredecessor) {
  // Open cities 2 and 3 can both be entered only from the current city 1: forcing 1 -> 2
  // leaves 3 without a predecessor.
  NodeFixture fixture(5);
  fixture.appendToPath(0);
  fixture.appendToPath(1);
  fixture.addEntry(0, {{2, kIncoming}, {4, kIncoming}});
  fixture.addEntry(1, {{3, kOutgoing}, {2, kOutgoing}});
  fixture.addEntry(2, {{1, kIncoming}, {0, kOutgoing}, {4, kOutgoing}});
  fixture.addEntry(3, {{1, kIncoming}, {4, kOutgoing}});
  fixture.addEntry(4, {{3, kIncoming}, {2, kIncoming}, {0, kOutgoing}});
  fixture.finishEntries(1 << 20);
  EXPECT_FALSE(propagateAllForcedArcs(fixture.context(), fixture.node()));
}

TEST(UpdateInsertCosts, FoldsTheNewestPathEdge) {
  NodeFixture fixture(4);
  fixture.setDistance(0, 1, 10);
  fixture.setDistance(0, 2, 7);
  fixture.setDistance(1, 2, 8);
  fixture.setDistance(1, 3, 20);
  fixture.setDistance(0, 3, 30);
  fixture.setDistance(2, 3, 5);
  fixture.appendToPath(0);
  fixture.addEntry(2, {{3, 3}, {0, 3}, {1, 3}});
  fixture.addEntry(3, {{2, 3}, {1, 3}, {0, 3}});
  fixture.finishEntries(1 << 20);
  // One city on the path: nothing to fold.
  updateInsertCosts(fixture.context(), fixture.node());
  EXPECT_EQ(fixture.entryOf(2).insertCost, kUnsetCost);

  fixture.appendToPath(1);  // P = 0, L = 1, d(P, L) = 10
  updateInsertCosts(fixture.context(), fixture.node());
  // Inserting 2 into 0 -> 1 costs 7 + 8 - 10; inserting 3 costs 30 + 20 - 10.
  EXPECT_EQ(fixture.entryOf(2).insertCost, 5);
  EXPECT_EQ(fixture.entryOf(3).insertCost, 40);
  // Edge 2-3 of city 2: min(d(L,3) - 10 + d(P,2), d(P,3) - 10 + d(L,2)) = min(17, 28).
  EXPECT_EQ(fixture.entryOf(2).edges[0].exchangeCost, 17);
}

}  // namespace
}  // namespace ringmarch::testing
