// The degree bound of one city (refreshCityBound) and the narrowing of one edge (restrictEdge).
#include <gtest/gtest.h>

#include "support/node_fixture.h"

namespace ringmarch::testing {
namespace {

using Edges = std::vector<std::pair<std::int32_t, int>>;

// Four open cities, every distance 100, every edge usable both ways: outSum = inSum = 400.
void buildSquare(NodeFixture& fixture, std::int32_t bestLength) {
  fixture.addEntry(0, {{1, 3}, {2, 3}, {3, 3}});
  fixture.addEntry(1, {{0, 3}, {2, 3}, {3, 3}});
  fixture.addEntry(2, {{0, 3}, {1, 3}, {3, 3}});
  fixture.addEntry(3, {{0, 3}, {1, 3}, {2, 3}});
  fixture.finishEntries(bestLength);
}

struct BudgetCase {
  const char* name;
  std::int32_t bestLength;
  Cost extraAdjust;  // adjust of other cities, added to the node's sum
  bool expected;
};

TEST(RefreshCityBound, EveryComparisonWithTheBudgetIsStrict) {
  const BudgetCase cases[] = {
      {"outSum equal to the budget", 400, 0, false},
      {"sums one below the budget", 401, 0, true},
      {"doubled sum equal to twice the budget", 450, 100, false},
      {"doubled sum below twice the budget", 451, 100, true},
  };
  for (const BudgetCase& c : cases) {
    SCOPED_TRACE(c.name);
    NodeFixture fixture(4);
    buildSquare(fixture, c.bestLength);
    fixture.node().adjustSum += c.extraAdjust;
    EXPECT_EQ(refreshCityBound(fixture.context(), fixture.node(), 0), c.expected);
  }
}

TEST(RefreshCityBound, AdjustOnlyForAnOpenCityWhoseNearestEdgeServesBothSides) {
  struct Case {
    const char* name;
    bool onPath;         // city 0 is the path's current city
    std::uint8_t first;  // bits of city 0's nearest edge
    Cost expected;
  } cases[] = {
      {"open, nearest edge both ways", false, 3, 30},
      {"open, nearest edge one way", false, kOutgoing, 0},
      {"current city of the path", true, kOutgoing, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NodeFixture fixture(5);
    fixture.setDistance(0, 1, 100);
    fixture.setDistance(0, 2, 130);
    fixture.setDistance(0, 3, 160);
    if (c.onPath) {
      fixture.appendToPath(4);
      fixture.appendToPath(0);
    }
    const std::uint8_t later = c.onPath ? kOutgoing : kBothEndsFree;
    fixture.addEntry(0, {{1, c.first}, {2, later}, {3, later}});
    fixture.finishEntries(100000);
    ASSERT_TRUE(refreshCityBound(fixture.context(), fixture.node(), 0));
    const CityCandidates& entry = fixture.entryOf(0);
    EXPECT_EQ(entry.adjust, c.expected);
    EXPECT_EQ(fixture.node().adjustSum, c.expected);
    EXPECT_EQ(entry.minOut, 100);
    EXPECT_EQ(entry.minOutCity, 1);
    if (!c.onPath) {
      EXPECT_EQ(entry.minInCity, c.first == 3 ? 1 : 2);
    }
  }
}

TEST(RefreshCityBound, TooFewCandidatesFail) {
  struct Case {
    const char* name;
    std::initializer_list<EdgeBits> edges;
  } cases[] = {
      {"single edge both ways", {{1, 3}}},
      {"no usable predecessor", {{1, kOutgoing}, {2, kOutgoing}}},
      {"no usable successor", {{1, kIncoming}, {2, kIncoming}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NodeFixture fixture(3);
    fixture.addEntry(0, c.edges);
    fixture.finishEntries(100000);
    EXPECT_FALSE(refreshCityBound(fixture.context(), fixture.node(), 0));
  }
}

TEST(RestrictEdge, TakingOneDirectionKeepsTheMirrorConsistent) {
  NodeFixture fixture(4);
  buildSquare(fixture, 100000);
  const Cost outSumBefore = fixture.node().outSum;
  // City 0's edge to 2 keeps only 0 -> 2.
  ASSERT_TRUE(restrictEdge(fixture.context(), fixture.node(), 0, 2, 1, kOutgoing));
  EXPECT_EQ(fixture.edgesOf(0), (Edges{{1, 3}, {2, kOutgoing}, {3, 3}}));
  EXPECT_EQ(fixture.edgesOf(2), (Edges{{0, kIncoming}, {1, 3}, {3, 3}}));
  EXPECT_EQ(fixture.entryOf(0).inCount, 2);
  EXPECT_EQ(fixture.entryOf(0).outCount, 3);
  EXPECT_EQ(fixture.entryOf(2).outCount, 2);
  EXPECT_EQ(fixture.entryOf(2).inCount, 3);
  EXPECT_EQ(fixture.arc(0, 2), 1);
  EXPECT_EQ(fixture.arc(2, 0), 0);
  EXPECT_EQ(fixture.node().outSum, outSumBefore);  // all distances equal
}

TEST(RestrictEdge, TakingTheLastDirectionRemovesTheEdgeFromBothLists) {
  NodeFixture fixture(4);
  fixture.setDistance(0, 1, 50);  // the nearest edge of 0 and 1
  fixture.addEntry(0, {{1, 3}, {2, 3}, {3, 3}});
  fixture.addEntry(1, {{0, 3}, {2, 3}, {3, 3}});
  fixture.addEntry(2, {{0, 3}, {1, 3}, {3, 3}});
  fixture.addEntry(3, {{0, 3}, {1, 3}, {2, 3}});
  fixture.finishEntries(100000);
  ASSERT_EQ(fixture.entryOf(0).minOut, 50);
  const Cost outSumBefore = fixture.node().outSum;
  ASSERT_TRUE(restrictEdge(fixture.context(), fixture.node(), 0, 1, 0, 0));
  EXPECT_EQ(fixture.edgesOf(0), (Edges{{2, 3}, {3, 3}}));
  EXPECT_EQ(fixture.edgesOf(1), (Edges{{2, 3}, {3, 3}}));
  EXPECT_EQ(fixture.entryOf(0).outCount, 2);
  EXPECT_EQ(fixture.entryOf(1).inCount, 2);
  EXPECT_EQ(fixture.arc(0, 1), 0);
  EXPECT_EQ(fixture.arc(1, 0), 0);
  // Both cities' cheapest edges are now 100 instead of 50.
  EXPECT_EQ(fixture.entryOf(0).minOut, 100);
  EXPECT_EQ(fixture.node().outSum, outSumBefore + 100);
}

TEST(RestrictEdge, EmptyingEitherListFails) {
  // Path 0 -> 1: city 1 (current) has a single candidate, the open city 2.
  NodeFixture fixture(4);
  fixture.appendToPath(0);
  fixture.appendToPath(1);
  fixture.addEntry(0, {{2, kIncoming}, {3, kIncoming}});
  fixture.addEntry(1, {{2, kOutgoing}});
  fixture.addEntry(2, {{1, kIncoming}, {3, 3}, {0, kOutgoing}});
  fixture.addEntry(3, {{2, 3}, {0, kOutgoing}});
  fixture.finishEntries(100000);
  EXPECT_FALSE(restrictEdge(fixture.context(), fixture.node(), 2, 1, 0, 0));

  NodeFixture other(4);
  other.appendToPath(0);
  other.appendToPath(1);
  other.addEntry(0, {{2, kIncoming}, {3, kIncoming}});
  other.addEntry(1, {{2, kOutgoing}, {3, kOutgoing}});
  other.addEntry(2, {{1, kIncoming}, {3, 3}, {0, kOutgoing}});
  other.addEntry(3, {{1, kIncoming}, {2, 3}, {0, kOutgoing}});
  other.finishEntries(100000);
  EXPECT_TRUE(restrictEdge(other.context(), other.node(), 2, 1, 0, 0));
  EXPECT_EQ(other.edgesOf(1), (Edges{{3, kOutgoing}}));
}

}  // namespace
}  // namespace ringmarch::testing
