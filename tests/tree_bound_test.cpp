// The spanning-tree bound over the open cities.
#include <gtest/gtest.h>

#include "support/node_fixture.h"

namespace ringmarch::testing {
namespace {

// Path 0 -> 1 (length 10) and open cities 2 .. 5 in a chain 2-3-4-5 of unit edges. L = 1 leaves
// to 2 (5), F = 0 is entered from 3 (5). City 2's cheapest edge leads to F, which the tree must
// not use.
void buildChainNode(NodeFixture& fixture) {
  fixture.setDistance(0, 1, 10);
  fixture.setDistance(1, 2, 5);
  fixture.setDistance(0, 3, 5);
  fixture.setDistance(0, 2, 0);
  fixture.setDistance(2, 3, 1);
  fixture.setDistance(3, 4, 1);
  fixture.setDistance(4, 5, 1);
  fixture.appendToPath(0);
  fixture.appendToPath(1);
  fixture.addEntry(0, {{2, kIncoming}, {3, kIncoming}});
  fixture.addEntry(1, {{2, kOutgoing}});
  fixture.addEntry(2, {{0, kOutgoing}, {3, 3}, {1, kIncoming}, {4, 3}});
  fixture.addEntry(3, {{2, 3}, {4, 3}, {0, kOutgoing}});
  fixture.addEntry(4, {{3, 3}, {5, 3}, {2, 3}});
  fixture.addEntry(5, {{4, 3}, {3, 3}});
}

TEST(TreeBoundTest, BoundReachingTheBudgetFails) {
  // 5 (out of L) + 0 (into F from 2) + three chain edges of 1 = 8; the budget is best - 10.
  struct Case {
    std::int32_t bestLength;
    bool expected;
  } cases[] = {{18, false}, {19, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bestLength);
    NodeFixture fixture(6);
    buildChainNode(fixture);
    fixture.finishEntries(c.bestLength);
    EXPECT_EQ(treeBoundTest(fixture.context(), fixture.node()), c.expected);
    EXPECT_EQ(fixture.node().treeBound, 8);
  }
}

TEST(TreeBoundTest, TreeAvoidsThePathEnds) {
  NodeFixture fixture(6);
  buildChainNode(fixture);
  fixture.finishEntries(1000);
  ASSERT_EQ(fixture.entryOf(0).minIn, 0);  // F's cheapest entry is from 2
  ASSERT_TRUE(treeBoundTest(fixture.context(), fixture.node()));
  // L's 5, F's 0 and the chain 2-3-4-5; the zero-length edge 2-0 is not a tree edge.
  EXPECT_EQ(fixture.node().treeBound, 5 + 0 + 3);
}

TEST(TreeBoundTest, OpenCityOutOfReachFails) {
  NodeFixture fixture(7);
  buildChainNode(fixture);
  // City 6 is open but its only candidates lead to the path's ends.
  fixture.addEntry(6, {{1, kIncoming}, {0, kOutgoing}});
  fixture.finishEntries(1000);
  EXPECT_FALSE(treeBoundTest(fixture.context(), fixture.node()));
}

TEST(TreeBoundTest, NothingToDoForFewOpenCitiesOrAnEmptyPath) {
  NodeFixture fewOpen(5);
  fewOpen.appendToPath(0);
  fewOpen.appendToPath(1);  // 3 open cities
  fewOpen.addEntry(0, {{2, kIncoming}, {3, kIncoming}});
  fewOpen.addEntry(1, {{2, kOutgoing}});
  fewOpen.addEntry(2, {{1, kIncoming}, {3, 3}, {0, kOutgoing}});
  fewOpen.addEntry(3, {{2, 3}, {4, 3}, {0, kOutgoing}});
  fewOpen.addEntry(4, {{3, 3}, {2, 3}});
  fewOpen.finishEntries(1);
  fewOpen.node().treeBound = 77;
  EXPECT_TRUE(treeBoundTest(fewOpen.context(), fewOpen.node()));
  EXPECT_EQ(fewOpen.node().treeBound, 77);

  NodeFixture emptyPath(6);
  emptyPath.addEntry(0, {{1, 3}, {2, 3}});
  emptyPath.finishEntries(1);
  emptyPath.node().treeBound = 77;
  EXPECT_TRUE(treeBoundTest(emptyPath.context(), emptyPath.node()));
  EXPECT_EQ(emptyPath.node().treeBound, 77);
}

}  // namespace
}  // namespace ringmarch::testing
