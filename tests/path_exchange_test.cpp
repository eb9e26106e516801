// The path exchange test and the order hints of its three entry points.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/matrix_node_fixture.h"

namespace ringmarch {
namespace {

using testing::Matrix;
using testing::MatrixNodeFixture;
using testing::setPair;
using testing::uniformMatrix;

// Path F=0, N=1, P=2, L=3; arc 1 = 4->5, arc 2 = 6->7. With every distance 100 each condition's
// two sides are equal (300), which passes. Each case shortens one pair that appears in exactly
// one condition, which makes that condition (and only it) fail.
struct ConditionCase {
  std::string condition;
  int x;
  int y;
  bool inFirstBeforeGroup;
};

const std::vector<ConditionCase> kConditions = {
    {"A1: a2-L", 6, 3, true},  {"A2: L-b2", 3, 7, true},  {"B1: F-a1", 0, 4, true},
    {"B2: b1-F", 5, 0, true},  {"A3: a1-L", 4, 3, false}, {"A4: L-b1", 3, 5, false},
    {"B3: F-a2", 0, 6, false}, {"B4: b2-F", 7, 0, false},
};

bool runTest(const Matrix& m, const std::vector<std::int32_t>& path, ArcOrder hint) {
  MatrixNodeFixture fixture(m);
  fixture.setPath(path);
  const Cost w = Cost{m[4][5]} + m[6][7];
  return pathExchangeTest(fixture.context(), fixture.node(), 4, 5, 6, 7, w, hint);
}

// The node's path is read through node.path; no candidate lists are needed.
class PathExchange : public ::testing::Test {
 protected:
  static bool judge(const Matrix& m, ArcOrder hint) { return runTest(m, {0, 1, 2, 3}, hint); }
};

TEST_F(PathExchange, TiesInEveryConditionPass) {
  const Matrix m = uniformMatrix(8, 100);
  EXPECT_TRUE(judge(m, ArcOrder::FirstBefore));
  EXPECT_TRUE(judge(m, ArcOrder::SecondBefore));
  EXPECT_TRUE(judge(m, ArcOrder::EitherOrder));
}

TEST_F(PathExchange, EachConditionRefutesOnlyUnderItsOrder) {
  for (const ConditionCase& c : kConditions) {
    SCOPED_TRACE(c.condition);
    Matrix m = uniformMatrix(8, 100);
    setPair(m, c.x, c.y, 99);
    EXPECT_EQ(judge(m, ArcOrder::FirstBefore), !c.inFirstBeforeGroup);
    EXPECT_EQ(judge(m, ArcOrder::SecondBefore), c.inFirstBeforeGroup);
    // With the order open, the other order still satisfies the failing condition's group.
    EXPECT_TRUE(judge(m, ArcOrder::EitherOrder));
  }
}

TEST_F(PathExchange, EitherOrderJudgesTheTwoGroupsEachForItself) {
  struct Case {
    std::string name;
    int firstX, firstY, secondX, secondY;
    bool passes;
  };
  const std::vector<Case> cases = {
      // A group holds only with arc 2 first, B group only with arc 1 first: passes.
      {"A1 and B3 fail", 6, 3, 0, 6, true},
      {"A2 and B4 fail", 3, 7, 7, 0, true},
      // Both orders fail in the same group: refuted.
      {"A1 and A4 fail", 6, 3, 3, 5, false},
      {"B2 and B3 fail", 5, 0, 0, 6, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Matrix m = uniformMatrix(8, 100);
    setPair(m, c.firstX, c.firstY, 99);
    setPair(m, c.secondX, c.secondY, 99);
    EXPECT_EQ(judge(m, ArcOrder::EitherOrder), c.passes);
  }
}

TEST_F(PathExchange, PathsOfFewerThanTwoCitiesAlwaysPass) {
  Matrix m = uniformMatrix(8, 100);
  setPair(m, 6, 3, 1);
  setPair(m, 4, 3, 1);
  setPair(m, 0, 4, 1);
  setPair(m, 0, 6, 1);
  for (ArcOrder hint : {ArcOrder::FirstBefore, ArcOrder::SecondBefore, ArcOrder::EitherOrder}) {
    EXPECT_TRUE(runTest(m, {}, hint));
    EXPECT_TRUE(runTest(m, {3}, hint));
  }
}

TEST_F(PathExchange, TwoCityPathUsesItsOneEdgeForBothGroups) {
  // Path 0 -> 3: P = F = 0 and N = L = 3. With arc 1 first, A1 reads d(a2, L) = d(6, 3);
  // shortening it refutes FirstBefore, and the second order still passes.
  Matrix m = uniformMatrix(8, 100);
  setPair(m, 6, 3, 99);
  EXPECT_FALSE(runTest(m, {0, 3}, ArcOrder::FirstBefore));
  EXPECT_TRUE(runTest(m, {0, 3}, ArcOrder::SecondBefore));
  EXPECT_TRUE(runTest(m, {0, 3}, ArcOrder::EitherOrder));
  // B1 with arc 1 first reads d(F, a1) = d(0, 4) and d(N, a2) = d(3, 6): with both groups
  // refuted in the first order only one order is left for each, and it holds.
  setPair(m, 0, 4, 50);
  EXPECT_TRUE(runTest(m, {0, 3}, ArcOrder::EitherOrder));
}

// Each entry point must judge its arcs exactly as pathExchangeTest with the hint its cities
// give. Compared on random matrices, where the three hints often disagree.
TEST(ExchangeTestHints, EntryPointsPickTheHintFromTheirCities) {
  constexpr int F = 0, N = 1, P = 2, L = 3;
  enum class Entry { Plain, KnowingIn, KnowingOut };
  struct Case {
    std::string name;
    Entry entry;
    int a, b, p, m, s;  // Plain uses a1=a, b1=b, a2=p, b2=m
    ArcOrder expected;
  };
  const std::vector<Case> cases = {
      {"plain a1=L", Entry::Plain, L, 5, 6, 7, 0, ArcOrder::FirstBefore},
      {"plain b2=F", Entry::Plain, 4, 5, 6, F, 0, ArcOrder::FirstBefore},
      {"plain a1=L wins over b1=F", Entry::Plain, L, F, 6, 7, 0, ArcOrder::FirstBefore},
      {"plain b1=F", Entry::Plain, 4, F, 6, 7, 0, ArcOrder::SecondBefore},
      {"plain a2=L", Entry::Plain, 4, 5, L, 7, 0, ArcOrder::SecondBefore},
      {"plain open", Entry::Plain, 4, 5, 6, 7, 0, ArcOrder::EitherOrder},
      {"in a=L", Entry::KnowingIn, L, 5, 6, 7, 8, ArcOrder::FirstBefore},
      {"in s=F", Entry::KnowingIn, 4, 5, 6, 7, F, ArcOrder::FirstBefore},
      {"in b=p", Entry::KnowingIn, 4, 6, 6, 7, 8, ArcOrder::FirstBefore},
      {"in b=F", Entry::KnowingIn, 4, F, 6, 7, 8, ArcOrder::SecondBefore},
      {"in p=L", Entry::KnowingIn, 4, 5, L, 7, 8, ArcOrder::SecondBefore},
      {"in open", Entry::KnowingIn, 4, 5, 6, 7, 8, ArcOrder::EitherOrder},
      {"out a=L", Entry::KnowingOut, L, 5, 6, 7, 8, ArcOrder::FirstBefore},
      {"out s=F", Entry::KnowingOut, 4, 5, 6, 7, F, ArcOrder::FirstBefore},
      {"out b=F", Entry::KnowingOut, 4, F, 6, 7, 8, ArcOrder::SecondBefore},
      {"out p=L", Entry::KnowingOut, 4, 5, L, 7, 8, ArcOrder::SecondBefore},
      {"out a=s", Entry::KnowingOut, 8, 5, 6, 7, 8, ArcOrder::SecondBefore},
      {"out open", Entry::KnowingOut, 4, 5, 6, 7, 8, ArcOrder::EitherOrder},
  };
  std::mt19937 random(7);
  std::uniform_int_distribution<std::int32_t> length(50, 150);
  std::vector<int> disagreements(cases.size(), 0);
  for (int trial = 0; trial < 200; ++trial) {
    Matrix m = uniformMatrix(9, 0);
    for (int i = 0; i < 9; ++i) {
      for (int j = i + 1; j < 9; ++j) setPair(m, i, j, length(random));
    }
    MatrixNodeFixture fixture(m);
    fixture.setPath({F, N, P, L});
    const SearchContext& context = fixture.context();
    const SearchNode& node = fixture.node();
    for (std::size_t k = 0; k < cases.size(); ++k) {
      const Case& c = cases[k];
      SCOPED_TRACE(c.name);
      const Cost w = 123;  // the caller's sum; any value judges both sides alike
      int a2 = c.p, b2 = c.m;
      bool actual = false;
      switch (c.entry) {
        case Entry::Plain:
          actual = exchangeTest(context, node, c.a, c.b, c.p, c.m, w);
          break;
        case Entry::KnowingIn:
          a2 = c.m, b2 = c.s;
          actual = exchangeTestKnowingIn(context, node, c.a, c.b, c.p, c.m, c.s, w);
          break;
        case Entry::KnowingOut:
          actual = exchangeTestKnowingOut(context, node, c.a, c.b, c.p, c.m, c.s, w);
          break;
      }
      bool byHint[3];
      const ArcOrder hints[3] = {ArcOrder::FirstBefore, ArcOrder::SecondBefore,
                                 ArcOrder::EitherOrder};
      for (int h = 0; h < 3; ++h) {
        byHint[h] = pathExchangeTest(context, node, c.a, c.b, a2, b2, w, hints[h]);
      }
      const bool expected = byHint[static_cast<int>(c.expected)];
      ASSERT_EQ(actual, expected) << "trial " << trial;
      for (int h = 0; h < 3; ++h) disagreements[k] += byHint[h] != expected ? 1 : 0;
    }
  }
  // The matrices must tell the expected hint apart from the others.
  for (std::size_t k = 0; k < cases.size(); ++k) {
    EXPECT_GT(disagreements[k], 0) << cases[k].name;
  }
}

}  // namespace
}  // namespace ringmarch
