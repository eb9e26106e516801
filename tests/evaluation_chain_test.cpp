// The procedures of the evaluation chain on hand-built nodes: forced chains with early closing
// and dominance, reachability pruning, restriction with propagation and the probing of long arcs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/matrix_node_fixture.h"

namespace ringmarch {
namespace {

using testing::Matrix;
using testing::MatrixNodeFixture;
using testing::setPair;
using testing::uniformMatrix;
using Arcs = std::vector<std::pair<std::int32_t, std::int32_t>>;

constexpr std::int32_t kRoomy = 1000000;  // a best length that bounds nothing

// --- Forced chains --------------------------------------------------------------------------

TEST(ForcedChain, OneCityPathLeavesTheNodeAlone) {
  MatrixNodeFixture fixture(uniformMatrix(6, 100));
  fixture.setPath({0});
  fixture.setBestLength(kRoomy);
  ASSERT_TRUE(fixture.build());
  const Arcs before = fixture.arcs();
  EXPECT_TRUE(advanceForwardChain(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.arcs(), before);
}

TEST(ForcedChain, ArcBackToTheFirstCityGoesWhileCitiesAreMissing) {
  // Equal distances: no option dominates another, so only early closing removes anything.
  // Path 0 -> 1 with 1 -> 2 forced: at chain end 2 (2 + 1 < 6 cities) the arc 2 -> 0 goes.
  MatrixNodeFixture fixture(uniformMatrix(6, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  ASSERT_TRUE(fixture.build([](int tail, int head) { return tail != 1 || head == 2; }));
  ASSERT_EQ(fixture.dirs(2, 0), kOutgoing);
  const Arcs before = fixture.arcs();
  EXPECT_TRUE(advanceForwardChain(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.dirs(2, 0), 0);
  EXPECT_EQ(fixture.dirs(0, 2), 0);
  EXPECT_EQ(fixture.dirs(2, 3) & kOutgoing, kOutgoing);  // the other options stay
  EXPECT_EQ(fixture.arcs().size(), before.size() - 1);
}

TEST(ForcedChain, ChainThatHoldsEveryCityKeepsTheClosingArc) {
  // Five cities, path 0 -> 1, forced arcs 1 -> 2 -> 3 -> 4. At 4 the chain holds every city
  // (2 + 3 = 5), so its arc back to 0 closes a full tour and stays beside the option 4 -> 2;
  // with equal distances neither option dominates the other.
  const Arcs allowed = {{1, 2}, {2, 3}, {3, 4}, {4, 0}, {4, 2}};
  MatrixNodeFixture fixture(uniformMatrix(5, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  ASSERT_TRUE(fixture.build([&allowed](int tail, int head) {
    return std::find(allowed.begin(), allowed.end(), std::make_pair(tail, head)) != allowed.end();
  }));
  EXPECT_TRUE(advanceForwardChain(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.dirs(4, 0), kOutgoing);
  EXPECT_NE(fixture.dirs(4, 2) & kOutgoing, 0);
}

TEST(ForcedChain, ChainThatReachesTheFirstCityEndsTheWalk) {
  // Four cities, path 0 -> 1 with 1 -> 2 forced: 2 -> 0 closes early and goes, which forces
  // 2 -> 3 and then 3 -> 0; the walk ends at the first city.
  MatrixNodeFixture fixture(uniformMatrix(4, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  ASSERT_TRUE(fixture.build([](int tail, int head) { return tail != 1 || head == 2; }));
  EXPECT_TRUE(advanceForwardChain(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.dirs(2, 0), 0);
  EXPECT_EQ(fixture.dirs(3, 0), kOutgoing);
  EXPECT_EQ(fixture.dirs(3, 2) & kOutgoing, 0);
}

// Chain end K with options 2 (at 50) and 3 (at 60) and 4, 5 (at 100). Option 2 dominates every
// other option E when d(E, f) + d(K, 2) < d(2, f) + d(K, E) for all their options f; with every
// other distance 100 this holds strictly. Making d(3, 4) = 110 turns one case into a tie.
struct DominanceCase {
  std::string name;
  bool forward;
  bool tie;
};

TEST(ForcedChain, DominatingOptionRemovesTheOthersButATieDoesNot) {
  const std::vector<DominanceCase> cases = {
      {"forward, strict", true, false},
      {"forward, tie", true, true},
      {"backward, strict", false, false},
      {"backward, tie", false, true},
  };
  for (const DominanceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int chainEnd = c.forward ? 1 : 0;
    Matrix m = uniformMatrix(6, 100);
    setPair(m, chainEnd, 2, 50);
    setPair(m, chainEnd, 3, 60);
    if (c.tie) setPair(m, 3, 4, 110);
    MatrixNodeFixture fixture(m);
    fixture.setPath({0, 1});
    fixture.setBestLength(kRoomy);
    ASSERT_TRUE(fixture.build());
    const bool survived = c.forward ? advanceForwardChain(fixture.context(), fixture.node())
                                    : advanceBackwardChain(fixture.context(), fixture.node());
    ASSERT_TRUE(survived);
    const std::uint8_t bit = c.forward ? kOutgoing : kIncoming;
    for (int other : {3, 4, 5}) {
      SCOPED_TRACE(other);
      EXPECT_EQ((fixture.dirs(chainEnd, other) & bit) != 0, c.tie);
    }
    EXPECT_NE(fixture.dirs(chainEnd, 2) & bit, 0);
  }
}

// --- Reachability ---------------------------------------------------------------------------

// Path 0 -> 1; the open cities 2 .. n-1 form a line on which each pair of neighbours may be
// used both ways; 1 may only go on to 2 and only n-1 may return to 0. Every tour runs along the
// line from 2 to n-1, so each arc against that direction (x+1 -> x) cannot be on a tour: L's
// options cannot reach x+1 without passing x.
MatrixNodeFixture lineFixture(int n, bool sharedOption) {
  MatrixNodeFixture fixture(uniformMatrix(n, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  const bool built = fixture.build([n, sharedOption](int tail, int head) {
    if (tail == 1) return head == 2;
    if (head == 0) return tail == n - 1 || (sharedOption && tail == 2);
    return tail >= 2 && head >= 2 && (tail - head == 1 || head - tail == 1);
  });
  EXPECT_TRUE(built);
  return fixture;
}

TEST(Reachability, NineOpenCitiesAreNotTested) {
  MatrixNodeFixture fixture = lineFixture(11, false);  // 9 open cities
  const Arcs before = fixture.arcs();
  EXPECT_TRUE(pruneByReachability(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.arcs(), before);
}

TEST(Reachability, TenOpenCitiesLoseTheArcsAgainstTheLine) {
  MatrixNodeFixture fixture = lineFixture(12, false);  // 10 open cities
  ASSERT_NE(fixture.dirs(5, 4) & kOutgoing, 0);
  EXPECT_TRUE(pruneByReachability(fixture.context(), fixture.node()));
  // t -> v with t and v outside the base sets {2} and {11}: backward arcs go, forward arcs stay
  // (the two searches together reach every other open city).
  for (int t = 4; t <= 10; ++t) {
    SCOPED_TRACE(t);
    EXPECT_EQ(fixture.dirs(t, t - 1) & kOutgoing, 0);
  }
  for (int t = 3; t <= 9; ++t) {
    SCOPED_TRACE(t);
    EXPECT_NE(fixture.dirs(t, t + 1) & kOutgoing, 0);
  }
}

TEST(Reachability, CityThatMayFollowLAndPrecedeFStopsTheRun) {
  MatrixNodeFixture fixture = lineFixture(12, true);  // 2 may follow 1 and precede 0
  const Arcs before = fixture.arcs();
  EXPECT_TRUE(pruneByReachability(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.arcs(), before);
}

// --- Restriction with propagation -----------------------------------------------------------

TEST(RestrictAndPropagate, SingleOutgoingOptionIsForcedAtOnce) {
  // Open city 2 may go on only to 3 or 4; taking 2 -> 4 away forces 2 -> 3, so no other city
  // may precede 3 any more.
  MatrixNodeFixture fixture(uniformMatrix(7, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  ASSERT_TRUE(
      fixture.build([](int tail, int head) { return tail != 2 || head == 3 || head == 4; }));
  const CityCandidates& entry = *fixture.node().entryOfCity[2];
  std::int32_t position = -1;
  for (std::int32_t k = 0; k < entry.edgeCount; ++k) {
    if (entry.edges[k].city == 4) position = k;
  }
  ASSERT_GE(position, 0);
  const auto kept = static_cast<std::uint8_t>(entry.edges[position].dirs & kIncoming);
  ASSERT_TRUE(restrictAndPropagate(fixture.context(), fixture.node(), 2, 4, position, kept));
  EXPECT_EQ(fixture.dirs(2, 4) & kOutgoing, 0);
  for (int other : {1, 4, 5, 6}) {
    SCOPED_TRACE(other);
    EXPECT_EQ(fixture.dirs(other, 3) & kOutgoing, 0);
  }
  EXPECT_NE(fixture.dirs(2, 3) & kOutgoing, 0);
}

TEST(RestrictAndPropagate, OpenCityLeftWithOneEdgeFails) {
  MatrixNodeFixture fixture(uniformMatrix(6, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  // City 3 keeps only its edges to 4 and 5.
  ASSERT_TRUE(fixture.build([](int tail, int head) {
    return (tail != 3 && head != 3) || tail == 4 || tail == 5 || head == 4 || head == 5;
  }));
  ASSERT_EQ(fixture.edgeCount(3), 2);
  const std::int32_t position = fixture.edgeCities(3)[0] == 4 ? 0 : 1;
  EXPECT_FALSE(restrictAndPropagate(fixture.context(), fixture.node(), 3, 4, position, 0));
}

// --- Probing of long arcs -------------------------------------------------------------------

// City 0 has t candidate edges, to 1 .. t; the cities 1 .. t form a ring. Graded: the edges of 0
// are 10, 20, ..., 10t long and the ring's 1, so a tour enters and leaves 0 through two ring
// neighbours and the arc between 0 and k lies on a tour of length at most 60 only for k <= 3;
// with a best length of 60 every probe of an arc from 0 to k >= 4 fails and the arc goes. Flat:
// every distance is 100 but 0's, which are 50; no exchange shortens any tour and every probe
// passes under a roomy best length.
Matrix starAndRing(int t, bool graded) {
  Matrix m = uniformMatrix(t + 1, 100);
  for (int k = 1; k <= t; ++k) {
    setPair(m, 0, k, graded ? 10 * k : 50);
    if (graded) setPair(m, k, k % t + 1, 1);
  }
  return m;
}

bool starOrRingArc(int t, int tail, int head) {
  const auto ringNeighbours = [t](int a, int b) { return b == a % t + 1 || a == b % t + 1; };
  return tail == 0 || head == 0 || ringNeighbours(tail, head);
}

struct ProbeCase {
  int edges;
  bool failing;  // graded distances under a best length of 60, else flat and roomy
  std::vector<int> keptNeighbours;
  std::uint64_t probes;
};

TEST(ProbeLongArcs, OnlyTheLongEndOfEachListIsProbed) {
  const std::vector<int> all7 = {1, 2, 3, 4, 5, 6, 7};
  const std::vector<ProbeCase> cases = {
      {7, true, all7, 0},                               // t = 7: nothing probed
      {8, false, {1, 2, 3, 4, 5, 6, 7, 8}, 2},          // t = 8: position 7 alone, both directions
      {10, false, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 4},  // t = 10: positions 9 and 8
      {8, true, all7, 2},
      // The list length is read again after each position: once 10 and 9 are gone, t = 8 and
      // the range reaches down to position 7 (city 8) as well.
      {10, true, all7, 6},
  };
  for (const ProbeCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.edges << " edges, failing " << c.failing);
    const int t = c.edges;
    MatrixNodeFixture fixture(starAndRing(t, c.failing));
    fixture.setPath({0});
    fixture.setBestLength(c.failing ? 60 : kRoomy);
    // The probes' own evaluations keep to the bounds: the other filters would refute long arcs
    // by exchange arguments whatever the best length.
    fixture.options().chain = ChainSwitches{true, false, false, false};
    ASSERT_TRUE(fixture.build([t](int tail, int head) { return starOrRingArc(t, tail, head); }));
    ASSERT_EQ(fixture.edgeCount(0), t);
    EXPECT_TRUE(probeLongArcs(fixture.context(), fixture.node()));
    EXPECT_EQ(fixture.edgeCities(0), c.keptNeighbours);
    // Four blocks for the run, one arc table per probe.
    EXPECT_EQ(fixture.context().allocationCount, 4 + c.probes);
    EXPECT_FALSE(fixture.context().outOfMemory);
  }
}

TEST(ProbeLongArcs, FailedAllocationRemovesNothingAndReportsOutOfMemory) {
  const int t = 10;
  // Allocation 2 is the probe table, 5 the first probe's arc table, 7 the third probe's.
  for (std::uint64_t failing : {2u, 5u, 7u}) {
    SCOPED_TRACE(failing);
    MatrixNodeFixture fixture(starAndRing(t, true));
    fixture.setPath({0});
    fixture.setBestLength(60);
    fixture.options().chain = ChainSwitches{true, false, false, false};
    ASSERT_TRUE(fixture.build([t](int tail, int head) { return starOrRingArc(t, tail, head); }));
    fixture.options().failAllocationNumber = failing;
    const Arcs before = fixture.arcs();
    EXPECT_FALSE(probeLongArcs(fixture.context(), fixture.node()));
    EXPECT_TRUE(fixture.context().outOfMemory);
    if (failing < 7) {
      EXPECT_EQ(fixture.arcs(), before);
    }
    // Before the third probe, the first arc's two failed probes have removed it, and nothing
    // else: the failed allocation itself removes no arc.
    if (failing == 7) {
      EXPECT_EQ(fixture.edgeCount(0), t - 1);
    }
  }
}

TEST(ProbeLongArcs, NodeBelowTheFirstLevelIsLeftAlone) {
  MatrixNodeFixture fixture(uniformMatrix(12, 100));
  fixture.setPath({0, 1});
  fixture.setBestLength(kRoomy);
  ASSERT_TRUE(fixture.build());
  const Arcs before = fixture.arcs();
  EXPECT_TRUE(probeLongArcs(fixture.context(), fixture.node()));
  EXPECT_EQ(fixture.arcs(), before);
  EXPECT_EQ(fixture.context().allocationCount, 0u);
}

}  // namespace
}  // namespace ringmarch
