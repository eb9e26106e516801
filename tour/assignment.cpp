// The assignment problem of a directed instance and Karp's patching of its cycles into a tour.
// The assignment: Kuhn's Hungarian method (1955) in the shortest augmenting path form, one row
// at a time (O(n^3) at worst); a forced successor is the only column its row may take. Its cost
// is no more than any tour's length, a tour being an assignment of one cycle. The patching
// (Karp 1979; Karp & Steele 1985): the two largest cycles are joined by exchanging the
// successors of one city of each, at the cheapest such pair, until one cycle is left; forced
// arcs are never exchanged. Reads the instance and the forced successors; asks the run control
// once per row of the assignment.
#include "tour/assignment.h"

#include <algorithm>
#include <limits>

namespace ringmarch::tour {
namespace {

constexpr std::int64_t kInfinity = std::numeric_limits<std::int64_t>::max() / 4;

std::size_t at(int k) {
  return static_cast<std::size_t>(k);
}

}  // namespace

std::optional<Assignment> cheapestAssignment(const Instance& instance,
                                             std::span<const int> forcedNext, RunControl& control) {
  const int n = instance.size();
  const bool forced = forcedNext.size() == at(n);
  std::vector<int> forcedPrev(forced ? at(n) : 0, -1);
  if (forced) {
    for (int i = 0; i < n; ++i) {
      if (forcedNext[at(i)] >= 0) forcedPrev[at(forcedNext[at(i)])] = i;
    }
  }
  auto cost = [&](int row, int column) -> std::int64_t {
    if (row == column) return kInfinity;
    if (forced) {
      const int next = forcedNext[at(row)];
      const int prev = forcedPrev[at(column)];
      if ((next >= 0 && next != column) || (prev >= 0 && prev != row)) return kInfinity;
    }
    return instance.distance(row, column);
  };
  // 1-based arrays as in the classical statement; column 0 is the free column.
  std::vector<std::int64_t> u(at(n) + 1, 0);
  std::vector<std::int64_t> v(at(n) + 1, 0);
  std::vector<int> match(at(n) + 1, 0);
  std::vector<int> way(at(n) + 1, 0);
  std::vector<std::int64_t> least(at(n) + 1);
  std::vector<char> used(at(n) + 1);
  RunProgress progress;
  for (int row = 1; row <= n; ++row) {
    if (control.shouldStop(progress)) return std::nullopt;
    match[0] = row;
    int column = 0;
    std::fill(least.begin(), least.end(), kInfinity);
    std::fill(used.begin(), used.end(), 0);
    do {
      used[at(column)] = 1;
      const int r = match[at(column)];
      std::int64_t delta = kInfinity;
      int nextColumn = 0;
      for (int j = 1; j <= n; ++j) {
        if (used[at(j)] != 0) continue;
        const std::int64_t reduced = cost(r - 1, j - 1) - u[at(r)] - v[at(j)];
        if (reduced < least[at(j)]) {
          least[at(j)] = reduced;
          way[at(j)] = column;
        }
        if (least[at(j)] < delta) {
          delta = least[at(j)];
          nextColumn = j;
        }
      }
      for (int j = 0; j <= n; ++j) {
        if (used[at(j)] != 0) {
          u[at(match[at(j)])] += delta;
          v[at(j)] -= delta;
        } else {
          least[at(j)] -= delta;
        }
      }
      column = nextColumn;
    } while (match[at(column)] != 0);
    do {
      const int previous = way[at(column)];
      match[at(column)] = match[at(previous)];
      column = previous;
    } while (column != 0);
  }
  Assignment result;
  result.successor.assign(at(n), -1);
  for (int j = 1; j <= n; ++j) {
    const int row = match[at(j)] - 1;
    result.successor[at(row)] = j - 1;
    result.cost += cost(row, j - 1);
  }
  return result;
}

std::vector<int> patchCycles(const Instance& instance, std::span<const int> successor,
                             std::span<const int> forcedNext) {
  const int n = instance.size();
  if (successor.size() != at(n)) return {};
  std::vector<int> next(successor.begin(), successor.end());
  auto isForced = [&](int a) {
    return forcedNext.size() == at(n) && forcedNext[at(a)] == next[at(a)];
  };
  // The cycles, largest first (ties: the one of the smaller first city).
  std::vector<std::vector<int>> cycles;
  std::vector<char> seen(at(n), 0);
  for (int start = 0; start < n; ++start) {
    if (seen[at(start)] != 0) continue;
    cycles.emplace_back();
    for (int c = start; seen[at(c)] == 0; c = next[at(c)]) {
      seen[at(c)] = 1;
      cycles.back().push_back(c);
    }
  }
  std::stable_sort(cycles.begin(), cycles.end(),
                   [](const auto& p, const auto& q) { return p.size() > q.size(); });
  std::vector<int>& big = cycles.front();
  for (std::size_t k = 1; k < cycles.size(); ++k) {
    std::int64_t best = kInfinity;
    int bestA = -1;
    int bestB = -1;
    for (int a : big) {
      if (isForced(a)) continue;
      const int nextA = next[at(a)];
      const std::int64_t dropA = instance.distance(a, nextA);
      for (int b : cycles[k]) {
        if (isForced(b)) continue;
        const int nextB = next[at(b)];
        const std::int64_t change = instance.distance(a, nextB) + instance.distance(b, nextA) -
                                    dropA - instance.distance(b, nextB);
        if (change < best) {
          best = change;
          bestA = a;
          bestB = b;
        }
      }
    }
    if (bestA < 0) return {};  // a cycle of forced arcs alone: no tour keeps them
    std::swap(next[at(bestA)], next[at(bestB)]);
    big.insert(big.end(), cycles[k].begin(), cycles[k].end());
  }
  std::vector<int> order;
  order.reserve(at(n));
  int city = 0;
  for (int k = 0; k < n; ++k) {
    order.push_back(city);
    city = next[at(city)];
  }
  return order;
}

}  // namespace ringmarch::tour
