#include "support/optimal_tour.h"

#include <algorithm>
#include <limits>

namespace ringmarch::testing {

OptimalTour optimalTour(const ProblemData& problem) {
  const int n = problem.count;
  const int others = n - 1;  // cities 1 .. n-1 form the subsets; the tours start at 0
  const std::size_t subsets = std::size_t{1} << others;
  constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
  const auto d = [&](int from, int to) -> std::int64_t { return problem.rows[from].dist[to]; };
  // cost[mask][k]: shortest path from 0 through the cities of mask ending at city k+1 (in mask);
  // ways: the number of such shortest paths.
  std::vector<std::int64_t> cost(subsets * static_cast<std::size_t>(others), kNone);
  std::vector<std::int64_t> ways(subsets * static_cast<std::size_t>(others), 0);
  const auto at = [&](std::size_t mask, int k) { return mask * others + k; };
  for (int k = 0; k < others; ++k) {
    cost[at(std::size_t{1} << k, k)] = d(0, k + 1);
    ways[at(std::size_t{1} << k, k)] = 1;
  }
  for (std::size_t mask = 1; mask < subsets; ++mask) {
    for (int k = 0; k < others; ++k) {
      const std::int64_t here = cost[at(mask, k)];
      if (here == kNone) continue;
      for (int next = 0; next < others; ++next) {
        if (mask & (std::size_t{1} << next)) continue;
        const std::size_t grown = mask | (std::size_t{1} << next);
        const std::int64_t candidate = here + d(k + 1, next + 1);
        std::int64_t& best = cost[at(grown, next)];
        if (candidate < best) {
          best = candidate;
          ways[at(grown, next)] = ways[at(mask, k)];
        } else if (candidate == best) {
          ways[at(grown, next)] += ways[at(mask, k)];
        }
      }
    }
  }
  const std::size_t full = subsets - 1;
  OptimalTour result;
  result.length = kNone;
  std::int64_t count = 0;
  int last = -1;
  for (int k = 0; k < others; ++k) {
    const std::int64_t total = cost[at(full, k)] + d(k + 1, 0);
    if (total < result.length) {
      result.length = total;
      count = ways[at(full, k)];
      last = k;
    } else if (total == result.length) {
      count += ways[at(full, k)];
    }
  }
  result.unique = count == 2;  // one tour, counted once in each direction
  // Walk back from the last city along predecessors that realise the optimum.
  std::vector<int> reversed;
  std::size_t mask = full;
  int k = last;
  while (k >= 0) {
    reversed.push_back(k + 1);
    const std::size_t rest = mask & ~(std::size_t{1} << k);
    int previous = -1;
    if (rest != 0) {
      for (int p = 0; p < others; ++p) {
        if (!(rest & (std::size_t{1} << p)) || cost[at(rest, p)] == kNone) continue;
        if (cost[at(rest, p)] + d(p + 1, k + 1) == cost[at(mask, k)]) {
          previous = p;
          break;
        }
      }
    }
    mask = rest;
    k = previous;
  }
  result.order.push_back(0);
  result.order.insert(result.order.end(), reversed.rbegin(), reversed.rend());
  return result;
}

std::vector<std::int32_t> searchDirection(const ProblemData& problem,
                                          const std::vector<int>& order) {
  const int n = static_cast<int>(order.size());
  const int start = problem.startCity;
  // The first two cities of the start's neighbour order other than the start itself: with zero
  // or negative distances the start need not stand first in its own order.
  int found[2] = {-1, -1};
  int taken = 0;
  for (int k = 0; k < problem.count && taken < 2; ++k) {
    const int city = problem.rows[start].neighbourOrder[k];
    if (city != start) found[taken++] = city;
  }
  const int nearest = found[0];
  const int second = found[1];
  const int startAt =
      static_cast<int>(std::find(order.begin(), order.end(), start) - order.begin());
  std::vector<std::int32_t> forward(static_cast<std::size_t>(n));
  std::vector<std::int32_t> backward(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    forward[static_cast<std::size_t>(k)] = order[static_cast<std::size_t>((startAt + k) % n)];
    backward[static_cast<std::size_t>(k)] = order[static_cast<std::size_t>((startAt - k + n) % n)];
  }
  const auto before = [](const std::vector<std::int32_t>& tour, int a, int b) {
    return std::find(tour.begin(), tour.end(), a) < std::find(tour.begin(), tour.end(), b);
  };
  return before(forward, nearest, second) ? forward : backward;
}

}  // namespace ringmarch::testing
