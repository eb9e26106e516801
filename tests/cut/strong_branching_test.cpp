// Choosing the branching edge: the pseudocost history's means, and strong branching on a real
// fractional LP with and without reliability, checked against trials made by hand through the
// LP library.
#include "cut/strong_branching.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "cut/engine_graph.h"
#include "solve/problem_conversion.h"
#include "support/search_fixtures.h"

namespace ringmarch::cut {
namespace {

TEST(BranchingHistoryTest, KeepsTheMeanRisePerUnitOfEachSide) {
  BranchingHistory history;
  // Before any trial: one per unit of change.
  EXPECT_DOUBLE_EQ(history.zeroRise(7, 0.25), 0.25);
  EXPECT_DOUBLE_EQ(history.oneRise(7, 0.25), 0.75);
  history.record(7, 0.5, 10.0, 4.0);   // 20 and 8 per unit
  history.record(7, 0.25, 1.0, 30.0);  // 4 and 40 per unit
  EXPECT_EQ(history.trials(7), 2);
  EXPECT_DOUBLE_EQ(history.zeroRise(7, 0.5), 0.5 * 12.0);
  EXPECT_DOUBLE_EQ(history.oneRise(7, 0.5), 0.5 * 24.0);
  // An infeasible side and an integral x teach nothing; a fall counts as no rise.
  history.record(7, 0.5, 1e300, 3.0);
  history.record(7, 0.0, 5.0, 5.0);
  EXPECT_EQ(history.trials(7), 2);
  history.record(9, 0.5, -1.0, 2.0);  // 0 and 4 per unit
  EXPECT_EQ(history.trials(9), 1);
  EXPECT_DOUBLE_EQ(history.zeroRise(9, 0.5), 0.0);
  // An edge never tried takes the mean over all trials: (20 + 4 + 0) / 3 and (8 + 40 + 4) / 3.
  EXPECT_EQ(history.trials(3), 0);
  EXPECT_DOUBLE_EQ(history.zeroRise(3, 0.5), 0.5 * 8.0);
  EXPECT_DOUBLE_EQ(history.oneRise(3, 0.5), 0.5 * 52.0 / 3.0);
  // A child's LP gives one side: the edge is tried as often as its side with fewer rises, and
  // the other side still takes the mean over all edges.
  history.recordSide(11, 0.25, true, 7.5);  // 10 per unit
  EXPECT_EQ(history.trials(11), 0);
  EXPECT_DOUBLE_EQ(history.oneRise(11, 0.5), 0.5 * 10.0);
  EXPECT_DOUBLE_EQ(history.zeroRise(11, 0.5), 0.5 * 8.0);
  EXPECT_DOUBLE_EQ(history.oneRise(3, 0.5), 0.5 * 62.0 / 4.0);
  history.recordSide(11, 0.25, false, 0.5);   // 2 per unit
  history.recordSide(11, 0.75, true, 1e300);  // an infeasible child teaches nothing
  EXPECT_EQ(history.trials(11), 1);
  EXPECT_DOUBLE_EQ(history.zeroRise(11, 0.5), 0.5 * 2.0);
  EXPECT_DOUBLE_EQ(history.oneRise(11, 0.5), 0.5 * 10.0);
}

// The degree LP (no cuts) of 40 random cities over every edge: its optimum is a fractional
// 2-matching with many edges at one half.
struct FractionalLp {
  FractionalLp()
      : instance(makeInstance()),
        graph(*instance),
        edges(graph.size()),
        pool(graph.size()),
        lp(graph, edges, pool) {
    std::vector<std::int64_t> all;
    for (std::int64_t e = 0; e < edges.size(); ++e) all.push_back(e);
    lp.addEdges(all);
  }
  static std::optional<Instance> makeInstance() {
    return instanceOf(*testing::euclideanInstance(40, 12345));
  }
  int fractionalColumns() const {
    int count = 0;
    for (const double value : lp.x()) count += value > 1e-6 && value < 1.0 - 1e-6;
    return count;
  }
  std::optional<Instance> instance;
  EngineGraph graph;
  EdgeTable edges;
  CutPool pool;
  Relaxation lp;
};

double scoreOf(const LpSolver::Trial& trial, double base) {
  const double epsilon = 1e-6 * std::max(1.0, std::abs(base));
  return std::max(trial.zero - base, epsilon) * std::max(trial.one - base, epsilon);
}

TEST(StrongBranchingTest, TriesEveryCandidateAndPicksTheBestProductOfRises) {
  FractionalLp f;
  ASSERT_EQ(f.lp.solve(), LpStatus::Optimal);
  ASSERT_GE(f.fractionalColumns(), 4);
  const double base = f.lp.objective();
  const std::vector<double> x(f.lp.x().begin(), f.lp.x().end());
  BranchingHistory history;
  BranchingRules rules;
  rules.candidates = 4;
  const BranchChoice choice = chooseBranchEdge(f.lp, f.edges, rules, history);
  ASSERT_GE(choice.edge, 0);
  EXPECT_EQ(choice.trials, 4);
  // The LP is left as it was.
  EXPECT_DOUBLE_EQ(f.lp.objective(), base);
  EXPECT_EQ(std::vector<double>(f.lp.x().begin(), f.lp.x().end()), x);
  // The chosen edge's trial, made again by hand, scores at least as well as every fractional
  // edge's among the four nearest to one half.
  const int chosen = f.lp.columnOfEdge(choice.edge);
  const double chosenValue = x[static_cast<std::size_t>(chosen)];
  const std::vector<LpSolver::Trial> own = f.lp.lp().strongBranching(std::vector<int>{chosen}, 100);
  EXPECT_NEAR(own[0].zero, choice.zeroObjective, 1e-6 * std::abs(base));
  EXPECT_NEAR(own[0].one, choice.oneObjective, 1e-6 * std::abs(base));
  EXPECT_GE(own[0].zero, base - 1e-6);
  EXPECT_GE(own[0].one, base - 1e-6);
  for (int c = 0; c < f.lp.columns(); ++c) {
    const double value = x[static_cast<std::size_t>(c)];
    if (value < 1e-6 || value > 1.0 - 1e-6) continue;
    if (std::abs(value - 0.5) < std::abs(chosenValue - 0.5) - 1e-9) {
      const auto trial = f.lp.lp().strongBranching(std::vector<int>{c}, 100);
      EXPECT_LE(scoreOf(trial[0], base), scoreOf(own[0], base) * (1 + 1e-9)) << "column " << c;
    }
  }
}

BranchingRules eightCandidates(int reliable, int lookahead) {
  BranchingRules rules;
  rules.candidates = 8;
  rules.reliable = reliable;
  rules.lookahead = lookahead;
  return rules;
}

TEST(StrongBranchingTest, ReliableEdgesAreScoredWithoutATrialAndTheLookaheadEndsTrials) {
  FractionalLp f;
  ASSERT_EQ(f.lp.solve(), LpStatus::Optimal);
  ASSERT_GE(f.fractionalColumns(), 8);
  const BranchingRules rules = eightCandidates(1, 0);
  BranchingHistory history;
  const BranchChoice first = chooseBranchEdge(f.lp, f.edges, rules, history);
  EXPECT_EQ(first.trials, 8);
  // At the same LP every candidate is now reliable: no trial, and a single trial's pseudocosts
  // give back its rises, so the choice is the same.
  const BranchChoice second = chooseBranchEdge(f.lp, f.edges, rules, history);
  EXPECT_EQ(second.trials, 0);
  EXPECT_EQ(second.edge, first.edge);
  EXPECT_NEAR(second.zeroObjective, first.zeroObjective, 1e-6 * std::abs(first.zeroObjective));
  EXPECT_NEAR(second.oneObjective, first.oneObjective, 1e-6 * std::abs(first.oneObjective));
  // Without reliability but with a lookahead of one, the trials stop at the first that does not
  // better the one before; the chosen edge is always one that was tried.
  BranchingHistory fresh;
  const BranchChoice third = chooseBranchEdge(f.lp, f.edges, eightCandidates(0, 1), fresh);
  EXPECT_GE(third.trials, 2);
  EXPECT_LT(third.trials, 8);
  EXPECT_GT(fresh.trials(third.edge), 0);
}

}  // namespace
}  // namespace ringmarch::cut
