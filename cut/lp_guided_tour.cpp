// Greedy paths over the point's edges, then a nearest-end join of the paths. Symmetric graphs
// keep at most two edges per city; the twin form one arc out of and one into each city.
#include "cut/lp_guided_tour.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <numeric>

namespace ringmarch::cut {

namespace {

struct Arc {
  double value;
  std::int64_t cost;
  int from, to;
};

// Cities linked as paths: next/previous (or the two neighbours for undirected paths).
std::vector<int> joinDirected(const EngineGraph& graph, std::vector<int>& next,
                              std::vector<int>& previous) {
  const int n = graph.cities();
  const Instance& instance = graph.instance();
  std::vector<int> heads;
  for (int c = 0; c < n; ++c) {
    if (previous[c] < 0) heads.push_back(c);
  }
  std::vector<char> used(static_cast<std::size_t>(n), 0);
  std::vector<int> tour;
  tour.reserve(static_cast<std::size_t>(n));
  // The path holding city 0 first, from its head.
  int head = 0;
  while (previous[head] >= 0) head = previous[head];
  while (head >= 0) {
    int c = head;
    while (c >= 0) {
      tour.push_back(c);
      used[c] = 1;
      c = next[c];
    }
    const int tail = tour.back();
    int best = -1;
    std::int64_t bestCost = std::numeric_limits<std::int64_t>::max();
    for (int h : heads) {
      if (used[h]) continue;
      const std::int64_t d = instance.distance(tail, h);
      if (d < bestCost) {
        bestCost = d;
        best = h;
      }
    }
    head = best;
  }
  return tour;
}

std::vector<int> joinUndirected(const EngineGraph& graph,
                                const std::vector<std::array<int, 2>>& link) {
  const int n = graph.cities();
  const Instance& instance = graph.instance();
  auto degree = [&](int c) { return (link[c][0] >= 0 ? 1 : 0) + (link[c][1] >= 0 ? 1 : 0); };
  std::vector<int> ends;
  for (int c = 0; c < n; ++c) {
    if (degree(c) < 2) ends.push_back(c);
  }
  std::vector<char> used(static_cast<std::size_t>(n), 0);
  std::vector<int> tour;
  tour.reserve(static_cast<std::size_t>(n));
  // Walks the path from one of its ends.
  auto walk = [&](int end) {
    int previous = -1, c = end;
    while (c >= 0) {
      tour.push_back(c);
      used[c] = 1;
      const int step = link[c][0] != previous ? link[c][0] : link[c][1];
      previous = c;
      c = step >= 0 && !used[step] ? step : -1;
    }
  };
  int start = 0;
  if (degree(0) == 2) {
    // Walk to an end of city 0's path (a path, never a cycle: cycles are refused).
    int previous = -1, c = 0;
    while (degree(c) == 2) {
      const int step = link[c][0] != previous ? link[c][0] : link[c][1];
      previous = c;
      c = step;
    }
    start = c;
  }
  walk(start);
  while (static_cast<int>(tour.size()) < n) {
    const int tail = tour.back();
    int best = -1;
    std::int64_t bestCost = std::numeric_limits<std::int64_t>::max();
    for (int e : ends) {
      if (used[e]) continue;
      const std::int64_t d = instance.distance(tail, e);
      if (d < bestCost) {
        bestCost = d;
        best = e;
      }
    }
    walk(best);
  }
  return tour;
}

}  // namespace

std::vector<int> lpGuidedStart(const EngineGraph& graph, const SupportGraph& point) {
  const int n = graph.cities();
  std::vector<Arc> arcs;
  arcs.reserve(point.x.size());
  for (std::size_t e = 0; e < point.x.size(); ++e) {
    int a = point.u[e], b = point.v[e];
    if (graph.isPairEdge(a, b) || graph.isAbsent(a, b)) continue;
    if (graph.isTwin()) {
      // The exit of city `from` (node n + from) to the entry of city `to`.
      if (a >= n) std::swap(a, b);
      arcs.push_back({point.x[e], graph.cost(a, b), b - n, a});
    } else {
      arcs.push_back({point.x[e], graph.cost(a, b), a, b});
    }
  }
  std::sort(arcs.begin(), arcs.end(), [](const Arc& p, const Arc& q) {
    if (p.value != q.value) return p.value > q.value;
    if (p.cost != q.cost) return p.cost < q.cost;
    if (p.from != q.from) return p.from < q.from;
    return p.to < q.to;
  });
  DisjointSets paths(n);
  if (graph.isTwin()) {
    std::vector<int> next(static_cast<std::size_t>(n), -1),
        previous(static_cast<std::size_t>(n), -1);
    for (const Arc& arc : arcs) {
      if (next[arc.from] >= 0 || previous[arc.to] >= 0) continue;
      if (!paths.unite(arc.from, arc.to)) continue;
      next[arc.from] = arc.to;
      previous[arc.to] = arc.from;
    }
    return joinDirected(graph, next, previous);
  }
  std::vector<std::array<int, 2>> link(static_cast<std::size_t>(n), {-1, -1});
  for (const Arc& arc : arcs) {
    auto& la = link[arc.from];
    auto& lb = link[arc.to];
    if ((la[0] >= 0 && la[1] >= 0) || (lb[0] >= 0 && lb[1] >= 0)) continue;
    if (!paths.unite(arc.from, arc.to)) continue;
    (la[0] < 0 ? la[0] : la[1]) = arc.to;
    (lb[0] < 0 ? lb[0] : lb[1]) = arc.from;
  }
  return joinUndirected(graph, link);
}

}  // namespace ringmarch::cut
