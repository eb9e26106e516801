#include "support/tour_checker.h"

#include <algorithm>
#include <limits>

namespace ringmarch::testing {

std::string tourDefect(const std::vector<int>& order, int count) {
  if (static_cast<int>(order.size()) != count) {
    return "tour has " + std::to_string(order.size()) + " cities, expected " +
           std::to_string(count);
  }
  std::vector<int> seen(static_cast<std::size_t>(count), 0);
  for (int city : order) {
    if (city < 0 || city >= count) return "city " + std::to_string(city) + " out of range";
    if (seen[static_cast<std::size_t>(city)]++) return "city " + std::to_string(city) + " twice";
  }
  return {};
}

std::int64_t closedTourLength(const ProblemData& problem, const std::vector<int>& order) {
  std::int64_t length = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    const int from = order[k];
    const int to = order[(k + 1) % order.size()];
    length += problem.rows[from].dist[to];
  }
  return length;
}

std::int64_t closedTourLength(const Instance& instance, const std::vector<int>& order) {
  std::int64_t length = 0;
  for (std::size_t k = 0; k < order.size(); ++k) {
    length += instance.distance(order[k], order[(k + 1) % order.size()]);
  }
  return length;
}

std::int64_t heldKarpOptimum(const ProblemData& problem) {
  const int n = problem.count;
  if (n <= 1) return 0;
  const int others = n - 1;  // city 0 is the fixed start
  const std::size_t subsets = std::size_t{1} << others;
  constexpr std::int64_t kUnreached = std::numeric_limits<std::int64_t>::max() / 4;
  // cost[subset][last]: cheapest path from city 0 through subset ending at city last + 1.
  std::vector<std::int64_t> cost(subsets * static_cast<std::size_t>(others), kUnreached);
  auto at = [&](std::size_t subset, int last) -> std::int64_t& {
    return cost[subset * static_cast<std::size_t>(others) + static_cast<std::size_t>(last)];
  };
  for (int last = 0; last < others; ++last) {
    at(std::size_t{1} << last, last) = problem.rows[0].dist[last + 1];
  }
  for (std::size_t subset = 1; subset < subsets; ++subset) {
    for (int last = 0; last < others; ++last) {
      if (!(subset & (std::size_t{1} << last))) continue;
      const std::int64_t here = at(subset, last);
      if (here >= kUnreached) continue;
      for (int next = 0; next < others; ++next) {
        if (subset & (std::size_t{1} << next)) continue;
        std::int64_t& target = at(subset | (std::size_t{1} << next), next);
        target = std::min(target, here + problem.rows[last + 1].dist[next + 1]);
      }
    }
  }
  std::int64_t best = kUnreached;
  for (int last = 0; last < others; ++last) {
    best = std::min(best, at(subsets - 1, last) + problem.rows[last + 1].dist[0]);
  }
  return best;
}

std::int64_t directedHeldKarpOptimum(const ProblemData& problem) {
  const int n = problem.count;
  // Subsets of cities 1 .. n-1.
  const std::int64_t none = std::numeric_limits<std::int64_t>::max() / 4;
  const std::size_t subsets = std::size_t{1} << (n - 1);
  // best[set][last]: shortest path from city 0 through set, ending at last (a city of set).
  std::vector<std::int64_t> best(subsets * static_cast<std::size_t>(n), none);
  for (int c = 1; c < n; ++c) best[(std::size_t{1} << (c - 1)) * n + c] = problem.rows[0].dist[c];
  for (std::size_t set = 1; set < subsets; ++set) {
    for (int last = 1; last < n; ++last) {
      const std::int64_t here = best[set * n + last];
      if (here == none || !(set & (std::size_t{1} << (last - 1)))) continue;
      for (int next = 1; next < n; ++next) {
        const std::size_t bit = std::size_t{1} << (next - 1);
        if (set & bit) continue;
        std::int64_t& there = best[(set | bit) * n + next];
        there = std::min(there, here + problem.rows[last].dist[next]);
      }
    }
  }
  std::int64_t answer = none;
  for (int last = 1; last < n; ++last) {
    answer = std::min(answer, best[(subsets - 1) * n + last] + problem.rows[last].dist[0]);
  }
  return answer;
}

}  // namespace ringmarch::testing
