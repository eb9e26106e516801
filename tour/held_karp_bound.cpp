// Lower bounds of the tour engine. Symmetric instances: Held and Karp's 1-tree bound (Held &
// Karp 1970, 1971) under whole-number city penalties pi, w(pi) = (minimum 1-tree under
// d(i,j) + pi_i + pi_j) - 2 * sum(pi), which no tour undercuts for any pi; the penalties follow
// the subgradient (degree - 2) with Polyak steps towards the known tour length, halved when the
// bound stalls (Held, Wolfe & Crowder 1974). Every 1-tree is taken over the complete graph
// (Prim, quadratic, distances computed when asked), so each value is a bound in exact 64-bit
// arithmetic; the work is held to about 2 x 10^8 distance evaluations. Directed instances: the
// assignment bound (Hungarian method with potentials, Kuhn 1955, in the shortest augmenting
// path form), exact in 64 bits. Without the work for either: n times the smallest distance.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "tour/held_karp_bound.h"

namespace ringmarch {
namespace {

constexpr double kWorkBudget = 2e8;
constexpr std::int64_t kPenaltyLimit = std::int64_t{1} << 40;
constexpr std::int64_t kInfinity = std::numeric_limits<std::int64_t>::max() / 4;

// The minimum 1-tree's value under the penalties; degree receives every city's degree in it.
std::int64_t oneTree(const Instance& instance, const std::vector<std::int64_t>& pi,
                     std::vector<int>& degree, std::vector<std::int64_t>& key,
                     std::vector<int>& parent, std::vector<char>& inTree) {
  const int n = instance.size();
  std::fill(degree.begin(), degree.end(), 0);
  std::fill(inTree.begin(), inTree.end(), 0);
  std::fill(key.begin(), key.end(), kInfinity);
  auto cost = [&](int a, int b) {
    return static_cast<std::int64_t>(instance.distance(a, b)) + pi[static_cast<std::size_t>(a)] +
           pi[static_cast<std::size_t>(b)];
  };
  // Spanning tree of cities 1 .. n-1.
  std::int64_t total = 0;
  int current = 1;
  inTree[1] = 1;
  for (int added = 1; added < n - 1; ++added) {
    int best = -1;
    for (int v = 1; v < n; ++v) {
      if (inTree[static_cast<std::size_t>(v)] != 0) continue;
      const std::int64_t c = cost(current, v);
      if (c < key[static_cast<std::size_t>(v)]) {
        key[static_cast<std::size_t>(v)] = c;
        parent[static_cast<std::size_t>(v)] = current;
      }
      if (best < 0 || key[static_cast<std::size_t>(v)] < key[static_cast<std::size_t>(best)]) {
        best = v;
      }
    }
    inTree[static_cast<std::size_t>(best)] = 1;
    total += key[static_cast<std::size_t>(best)];
    ++degree[static_cast<std::size_t>(best)];
    ++degree[static_cast<std::size_t>(parent[static_cast<std::size_t>(best)])];
    current = best;
  }
  // City 0's two cheapest edges.
  int first = -1;
  int second = -1;
  for (int v = 1; v < n; ++v) {
    const std::int64_t c = cost(0, v);
    if (first < 0 || c < cost(0, first)) {
      second = first;
      first = v;
    } else if (second < 0 || c < cost(0, second)) {
      second = v;
    }
  }
  total += cost(0, first) + cost(0, second);
  degree[0] = 2;
  ++degree[static_cast<std::size_t>(first)];
  ++degree[static_cast<std::size_t>(second)];
  std::int64_t penaltySum = 0;
  for (std::int64_t p : pi) penaltySum += p;
  return total - 2 * penaltySum;
}

LowerBoundResult symmetricBound(const Instance& instance, const LowerBoundOptions& options,
                                RunControl& control, std::int64_t trivial) {
  LowerBoundResult result;
  result.bound = trivial;
  const int n = instance.size();
  const double perTree = static_cast<double>(n) * static_cast<double>(n);
  const auto steps = static_cast<int>(std::min(1000.0, kWorkBudget / perTree));
  if (steps < 1) return result;
  std::vector<std::int64_t> pi(static_cast<std::size_t>(n), 0);
  std::vector<std::int64_t> bestPi = pi;
  std::vector<int> degree(static_cast<std::size_t>(n));
  std::vector<std::int64_t> key(static_cast<std::size_t>(n));
  std::vector<int> parent(static_cast<std::size_t>(n), 0);
  std::vector<char> inTree(static_cast<std::size_t>(n));
  double lambda = 2.0;
  int stalled = 0;
  const int patience = std::max(5, std::min(50, n / 4));
  RunProgress progress;
  for (int step = 0; step < steps; ++step) {
    if (control.shouldStop(progress)) {
      result.stopped = true;
      break;
    }
    const std::int64_t value = oneTree(instance, pi, degree, key, parent, inTree);
    ++result.ascentSteps;
    if (value > result.bound) {
      result.bound = value;
      bestPi = pi;
      stalled = 0;
    } else if (++stalled >= patience) {
      lambda /= 2.0;
      stalled = 0;
    }
    progress.lowerBound = result.bound;
    if (options.upperBound && result.bound >= *options.upperBound) break;
    std::int64_t squares = 0;
    for (int d : degree) squares += static_cast<std::int64_t>(d - 2) * (d - 2);
    if (squares == 0) break;  // the 1-tree is a tour: nothing shorter exists
    const double target = options.upperBound ? static_cast<double>(*options.upperBound)
                                             : static_cast<double>(value) * 1.01 + 1.0;
    const double gap = std::max(1.0, target - static_cast<double>(value));
    const auto t = static_cast<std::int64_t>(
        std::max(1.0, std::min(1e12, std::floor(lambda * gap / static_cast<double>(squares)))));
    if (lambda < 1e-6) break;
    // Any penalties give a bound; keeping them within 2^40 keeps every sum far inside 64 bits.
    for (int v = 0; v < n; ++v) {
      std::int64_t& penalty = pi[static_cast<std::size_t>(v)];
      penalty = std::clamp<std::int64_t>(penalty + t * (degree[static_cast<std::size_t>(v)] - 2),
                                         -kPenaltyLimit, kPenaltyLimit);
    }
  }
  result.penalties.resize(static_cast<std::size_t>(n));
  for (int v = 0; v < n; ++v) {
    result.penalties[static_cast<std::size_t>(v)] = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(bestPi[static_cast<std::size_t>(v)], INT32_MIN, INT32_MAX));
  }
  return result;
}

// The cheapest assignment of successors (no city its own), by shortest augmenting paths.
LowerBoundResult assignmentBound(const Instance& instance, RunControl& control,
                                 std::int64_t trivial) {
  LowerBoundResult result;
  result.bound = trivial;
  const int n = instance.size();
  if (static_cast<double>(n) * n * n > 5.0 * kWorkBudget) return result;
  auto cost = [&](int row, int column) -> std::int64_t {
    return row == column ? kInfinity : instance.distance(row, column);
  };
  // 1-based arrays as in the classical statement; column 0 is the free column.
  std::vector<std::int64_t> u(static_cast<std::size_t>(n) + 1, 0);
  std::vector<std::int64_t> v(static_cast<std::size_t>(n) + 1, 0);
  std::vector<int> match(static_cast<std::size_t>(n) + 1, 0);
  std::vector<int> way(static_cast<std::size_t>(n) + 1, 0);
  std::vector<std::int64_t> least(static_cast<std::size_t>(n) + 1);
  std::vector<char> used(static_cast<std::size_t>(n) + 1);
  RunProgress progress;
  for (int row = 1; row <= n; ++row) {
    if (control.shouldStop(progress)) {
      result.stopped = true;
      return result;
    }
    match[0] = row;
    int column = 0;
    std::fill(least.begin(), least.end(), kInfinity);
    std::fill(used.begin(), used.end(), 0);
    do {
      used[static_cast<std::size_t>(column)] = 1;
      const int r = match[static_cast<std::size_t>(column)];
      std::int64_t delta = kInfinity;
      int nextColumn = 0;
      for (int j = 1; j <= n; ++j) {
        if (used[static_cast<std::size_t>(j)] != 0) continue;
        const std::int64_t reduced =
            cost(r - 1, j - 1) - u[static_cast<std::size_t>(r)] - v[static_cast<std::size_t>(j)];
        if (reduced < least[static_cast<std::size_t>(j)]) {
          least[static_cast<std::size_t>(j)] = reduced;
          way[static_cast<std::size_t>(j)] = column;
        }
        if (least[static_cast<std::size_t>(j)] < delta) {
          delta = least[static_cast<std::size_t>(j)];
          nextColumn = j;
        }
      }
      for (int j = 0; j <= n; ++j) {
        if (used[static_cast<std::size_t>(j)] != 0) {
          u[static_cast<std::size_t>(match[static_cast<std::size_t>(j)])] += delta;
          v[static_cast<std::size_t>(j)] -= delta;
        } else {
          least[static_cast<std::size_t>(j)] -= delta;
        }
      }
      column = nextColumn;
    } while (match[static_cast<std::size_t>(column)] != 0);
    do {
      const int previous = way[static_cast<std::size_t>(column)];
      match[static_cast<std::size_t>(column)] = match[static_cast<std::size_t>(previous)];
      column = previous;
    } while (column != 0);
  }
  std::int64_t total = 0;
  for (int j = 1; j <= n; ++j) total += cost(match[static_cast<std::size_t>(j)] - 1, j - 1);
  result.bound = std::max(trivial, total);
  return result;
}

}  // namespace

LowerBoundResult heldKarpBound(const Instance& instance, const LowerBoundOptions& options,
                               RunControl& control) {
  const int n = instance.size();
  // Every tour has n edges, none shorter than the smallest distance.
  const std::int64_t trivial = static_cast<std::int64_t>(n) * instance.smallestDistance();
  if (n < 3) {
    LowerBoundResult result;
    result.bound = trivial;
    return result;
  }
  return instance.isSymmetric() ? symmetricBound(instance, options, control, trivial)
                                : assignmentBound(instance, control, trivial);
}

}  // namespace ringmarch
