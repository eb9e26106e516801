// Candidates by closeness of x to one half (ties: the lower edge number), trials from a saved
// basis, the product rule for the choice.
#include "cut/strong_branching.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ringmarch::cut {

namespace {

constexpr double kFractional = 1e-6;

double trial(Relaxation& lp, int column, double value, int iterations,
             const LpSolver::Snapshot& start) {
  LpSolver& solver = lp.lp();
  solver.setColumnBounds(column, value, value);
  const LpStatus status = solver.solve(iterations);
  double objective = solver.objective();
  if (status == LpStatus::Infeasible) objective = 1e300;
  if (status == LpStatus::Failed) objective = -1e300;
  solver.setColumnBounds(column, 0.0, 1.0);
  solver.restore(start);
  return objective;
}

}  // namespace

BranchChoice chooseBranchEdge(Relaxation& lp, const EdgeTable& edges, int candidates,
                              int iterations) {
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
  if (static_cast<int>(fractional.size()) > candidates) {
    fractional.resize(static_cast<std::size_t>(std::max(1, candidates)));
  }
  if (fractional.size() == 1) {
    choice.edge = lp.edgeOfColumn(fractional.front().second);
    choice.zeroObjective = choice.oneObjective = lp.objective();
    return choice;
  }
  const double base = lp.objective();
  const double epsilon = 1e-6 * std::max(1.0, std::abs(base));
  LpSolver::Snapshot start;
  lp.lp().save(start);
  double bestScore = -1.0;
  for (const auto& [distance, column] : fractional) {
    const double zero = trial(lp, column, 0.0, iterations, start);
    const double one = trial(lp, column, 1.0, iterations, start);
    const double score = std::max(zero - base, epsilon) * std::max(one - base, epsilon);
    if (score > bestScore) {
      bestScore = score;
      choice.edge = lp.edgeOfColumn(column);
      choice.zeroObjective = zero;
      choice.oneObjective = one;
    }
  }
  return choice;
}

}  // namespace ringmarch::cut
