// Candidates by closeness of x to one half (ties: the lower edge number), the LP library's own
// trials from the current factorization, the product rule for the choice.
#include "cut/strong_branching.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace ringmarch::cut {

namespace {

constexpr double kFractional = 1e-6;

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
  std::vector<int> columns;
  for (const auto& [distance, column] : fractional) columns.push_back(column);
  const std::vector<LpSolver::Trial> trials = lp.lp().strongBranching(columns, iterations);
  double bestScore = -1.0;
  for (std::size_t k = 0; k < columns.size(); ++k) {
    const int column = columns[k];
    const double zero = trials[k].zero, one = trials[k].one;
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
