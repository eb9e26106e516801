// Candidates by closeness of x to one half (ties: the lower column), the LP library's own trials
// from the current factorization, the product rule for the choice. Without reliability all
// candidates are tried in one batch; with it, the unreliable ones one at a time, best estimate
// first, so that the lookahead can end the trials.
#include "cut/strong_branching.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace ringmarch::cut {

namespace {

constexpr double kFractional = 1e-6;
// A side whose trial found no feasible LP rises by more than any finite value.
constexpr double kInfeasibleTrial = 1e50;

struct Candidate {
  int column = 0;
  double x = 0.0;
  double zero = 0.0, one = 0.0;  // the children's LP values, tried or estimated
  double score = 0.0;
  bool reliable = false;  // scored from its pseudocosts without a trial
  bool tried = false;
};

}  // namespace

void BranchingHistory::record(std::int64_t edge, double x, double zeroRise, double oneRise) {
  // A trial with an infeasible side is kept out of the means: that side has no rise per unit.
  if (zeroRise >= kInfeasibleTrial || oneRise >= kInfeasibleTrial) return;
  recordSide(edge, x, false, zeroRise);
  recordSide(edge, x, true, oneRise);
}

void BranchingHistory::recordSide(std::int64_t edge, double x, bool one, double rise) {
  if (x < kFractional || x > 1.0 - kFractional || rise >= kInfeasibleTrial) return;
  const double perUnit = std::max(0.0, rise) / (one ? 1.0 - x : x);
  Record& r = records_[edge];
  Side& side = one ? r.one : r.zero;
  Side& all = one ? allOne_ : allZero_;
  side.perUnit += perUnit;
  ++side.count;
  all.perUnit += perUnit;
  ++all.count;
}

int BranchingHistory::trials(std::int64_t edge) const {
  const auto it = records_.find(edge);
  return it == records_.end() ? 0 : std::min(it->second.zero.count, it->second.one.count);
}

double BranchingHistory::meanPerUnit(std::int64_t edge, bool one) const {
  const auto it = records_.find(edge);
  if (it != records_.end()) {
    const Side& side = one ? it->second.one : it->second.zero;
    if (side.count > 0) return side.perUnit / side.count;
  }
  const Side& all = one ? allOne_ : allZero_;
  return all.count == 0 ? 1.0 : all.perUnit / static_cast<double>(all.count);
}

double BranchingHistory::zeroRise(std::int64_t edge, double x) const {
  return x * meanPerUnit(edge, false);
}

double BranchingHistory::oneRise(std::int64_t edge, double x) const {
  return (1.0 - x) * meanPerUnit(edge, true);
}

BranchChoice chooseBranchEdge(Relaxation& lp, const EdgeTable& edges, const BranchingRules& rules,
                              BranchingHistory& history) {
  BranchChoice choice;
  const auto x = lp.x();
  std::vector<std::pair<double, int>> fractional;  // (distance from 1/2, column)
  for (int c = 0; c < lp.columns(); ++c) {
    const double value = x[static_cast<std::size_t>(c)];
    if (value < kFractional || value > 1.0 - kFractional) continue;
    if ((edges.flags(lp.edgeOfColumn(c)) & (kExcluded | kFixedOne)) != 0) continue;
    fractional.emplace_back(std::abs(value - 0.5), c);
  }
  if (fractional.empty()) return choice;
  std::sort(fractional.begin(), fractional.end());
  if (static_cast<int>(fractional.size()) > rules.candidates) {
    fractional.resize(static_cast<std::size_t>(std::max(1, rules.candidates)));
  }
  const double base = lp.objective();
  if (fractional.size() == 1) {
    choice.edge = lp.edgeOfColumn(fractional.front().second);
    choice.x = x[static_cast<std::size_t>(fractional.front().second)];
    choice.zeroObjective = choice.oneObjective = base;
    return choice;
  }
  const double epsilon = 1e-6 * std::max(1.0, std::abs(base));
  const auto scoreOf = [&](const Candidate& c) {
    return std::max(c.zero - base, epsilon) * std::max(c.one - base, epsilon);
  };
  std::vector<Candidate> candidates;
  for (const auto& [distance, column] : fractional) {
    Candidate c;
    c.column = column;
    c.x = x[static_cast<std::size_t>(column)];
    const std::int64_t edge = lp.edgeOfColumn(column);
    c.zero = base + history.zeroRise(edge, c.x);
    c.one = base + history.oneRise(edge, c.x);
    c.score = scoreOf(c);
    c.reliable = rules.reliable > 0 && history.trials(edge) >= rules.reliable;
    candidates.push_back(c);
  }
  const auto tryAll = [&](std::span<Candidate> batch) {
    std::vector<int> columns;
    for (const Candidate& c : batch) columns.push_back(c.column);
    const std::vector<LpSolver::Trial> trials = lp.lp().strongBranching(columns, rules.iterations);
    for (std::size_t k = 0; k < batch.size(); ++k) {
      Candidate& c = batch[k];
      c.zero = trials[k].zero;
      c.one = trials[k].one;
      c.score = scoreOf(c);
      c.tried = true;
      history.record(lp.edgeOfColumn(c.column), c.x, c.zero - base, c.one - base);
      ++choice.trials;
    }
  };
  if (rules.reliable <= 0 && rules.lookahead <= 0) {
    tryAll(candidates);
  } else {
    // The unreliable candidates by estimated score, best first (stable: ties keep the order by
    // closeness to one half).
    std::vector<std::size_t> untried;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
      if (!candidates[k].reliable) untried.push_back(k);
    }
    std::stable_sort(untried.begin(), untried.end(), [&](std::size_t a, std::size_t b) {
      return candidates[a].score > candidates[b].score;
    });
    // The lookahead counts only once a trial has raised both children: where many edges leave
    // one child at its parent's value (ties, as in p43), the edge that splits well lies deeper.
    double bestTried = -1.0;
    bool bothRise = false;
    int sinceBetter = 0;
    for (const std::size_t k : untried) {
      Candidate& c = candidates[k];
      tryAll(std::span<Candidate>(&c, 1));
      if (c.score > bestTried) {
        bestTried = c.score;
        sinceBetter = 0;
      } else if (rules.lookahead > 0 && bothRise && ++sinceBetter >= rules.lookahead) {
        break;
      }
      bothRise = bothRise || std::min(c.zero, c.one) - base > epsilon;
    }
    // A candidate the lookahead passed over keeps its estimate only when it is reliable: an
    // estimate from the mean pseudocost must not outbid a trial.
    std::erase_if(candidates, [](const Candidate& c) { return !c.tried && !c.reliable; });
  }
  double bestScore = -1.0;
  for (const Candidate& c : candidates) {
    if (c.score > bestScore) {
      bestScore = c.score;
      choice.edge = lp.edgeOfColumn(c.column);
      choice.x = c.x;
      choice.zeroObjective = c.zero;
      choice.oneObjective = c.one;
    }
  }
  return choice;
}

}  // namespace ringmarch::cut
