// Components, shrinking of 1-edges and Stoer and Wagner's phases over what is left, each phase
// with a heap over the sparse shrunk graph, so that a point in the subtour polytope (the usual
// case) is confirmed in about k (m + k log k) steps for k shrunk nodes and m edges.
#include "cut/subtour_separation.h"

#include <algorithm>

namespace ringmarch::cut {

namespace {
constexpr double kViolation = 1e-6;
constexpr double kOne = 1.0 - 1e-9;
// Two components of a graph in two parts, or two phases, can name the same cut.
void addUnlessKnown(std::vector<CitySetCut>& cuts, CitySetCut cut, int n) {
  if (!canonicalize(cut, n)) return;
  for (const auto& known : cuts) {
    if (known.sets == cut.sets) return;
  }
  cuts.push_back(std::move(cut));
}

}  // namespace

std::vector<std::vector<int>> supportComponents(const SupportGraph& g) {
  DisjointSets sets(g.n);
  for (std::size_t e = 0; e < g.x.size(); ++e) {
    if (g.x[e] > 1e-9) sets.unite(g.u[e], g.v[e]);
  }
  std::vector<int> index(static_cast<std::size_t>(g.n), -1);
  std::vector<std::vector<int>> components;
  for (int c = 0; c < g.n; ++c) {
    const int r = sets.find(c);
    if (index[r] < 0) {
      index[r] = static_cast<int>(components.size());
      components.emplace_back();
    }
    components[index[r]].push_back(c);
  }
  return components;
}

std::vector<CitySetCut> separateSubtours(const SupportGraph& g, int limit, double* minimumCut) {
  std::vector<CitySetCut> cuts;
  if (minimumCut) *minimumCut = 2.0;
  if (g.n < 3) return cuts;
  auto components = supportComponents(g);
  if (components.size() > 1) {
    if (minimumCut) *minimumCut = 0.0;
    for (auto& component : components) {
      if (static_cast<int>(cuts.size()) >= limit) break;
      CitySetCut cut;
      cut.sets.push_back(std::move(component));
      addUnlessKnown(cuts, std::move(cut), g.n);
    }
    return cuts;
  }
  // Shrink 1-edges; the shrunk nodes are the roots' indices.
  DisjointSets shrink(g.n);
  for (std::size_t e = 0; e < g.x.size(); ++e) {
    if (g.x[e] >= kOne) shrink.unite(g.u[e], g.v[e]);
  }
  std::vector<int> node(static_cast<std::size_t>(g.n), -1);
  int k = 0;
  for (int c = 0; c < g.n; ++c) {
    const int r = shrink.find(c);
    if (node[r] < 0) node[r] = k++;
    node[c] = node[r];
  }
  if (k < 2) return cuts;  // a single shrunk node: the 1-edges form a tour
  // Stoer and Wagner's phases over the shrunk graph, with a heap: each phase orders the nodes by
  // maximum adjacency; the last node's attachment is a cut (the cut of the phase), then the last
  // two merge. Every phase cut below 2 is a violated set.
  std::vector<std::vector<std::pair<int, double>>> adjacent(static_cast<std::size_t>(k));
  {
    std::vector<double> weight(static_cast<std::size_t>(k), 0.0);
    std::vector<std::vector<std::pair<int, double>>> raw(static_cast<std::size_t>(k));
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      const int a = node[g.u[e]], b = node[g.v[e]];
      if (a == b) continue;
      raw[a].emplace_back(b, g.x[e]);
      raw[b].emplace_back(a, g.x[e]);
    }
    for (int a = 0; a < k; ++a) {  // parallel edges summed
      for (const auto& [b, x] : raw[a]) {
        if (weight[b] == 0.0) adjacent[a].emplace_back(b, 0.0);
        weight[b] += x;
      }
      for (auto& [b, x] : adjacent[a]) {
        x = weight[b];
        weight[b] = 0.0;
      }
    }
  }
  std::vector<std::vector<int>> members(static_cast<std::size_t>(k));
  for (int c = 0; c < g.n; ++c) members[node[c]].push_back(c);
  std::vector<char> alive(static_cast<std::size_t>(k), 1), added(static_cast<std::size_t>(k), 0);
  std::vector<double> attach(static_cast<std::size_t>(k), 0.0),
      merged(static_cast<std::size_t>(k), 0.0);
  std::vector<std::pair<double, int>> heap;
  double best = 1e300;
  std::vector<std::pair<double, int>> violated;  // (phase cut, the member list's node)
  std::vector<std::vector<int>> phaseSets;
  int start = 0;
  for (int left = k; left > 1; --left) {
    for (int a = 0; a < k; ++a) {
      attach[a] = 0.0;
      added[a] = 0;
    }
    heap.clear();
    int previous = -1, last = start;
    int order = 0;
    heap.emplace_back(0.0, start);
    while (!heap.empty()) {
      std::pop_heap(heap.begin(), heap.end());
      const auto [value, a] = heap.back();
      heap.pop_back();
      if (added[a] || value != attach[a]) continue;  // a stale entry
      added[a] = 1;
      previous = last;
      last = a;
      ++order;
      for (const auto& [b, x] : adjacent[a]) {
        if (added[b] || !alive[b]) continue;
        attach[b] += x;
        heap.emplace_back(attach[b], b);
        std::push_heap(heap.begin(), heap.end());
      }
    }
    if (order < left || previous < 0) break;  // not connected: cannot happen past the components
    const double phaseCut = attach[last];
    best = std::min(best, phaseCut);
    if (phaseCut < 2.0 - kViolation) {
      violated.emplace_back(phaseCut, static_cast<int>(phaseSets.size()));
      phaseSets.push_back(members[last]);
    }
    // Merge last into previous.
    for (const auto& [b, x] : adjacent[previous]) merged[b] = x;
    for (const auto& [b, x] : adjacent[last]) {
      if (b == previous) continue;
      if (merged[b] == 0.0) adjacent[previous].emplace_back(b, 0.0);
      merged[b] += x;
      for (auto& [c, y] : adjacent[b]) {  // b's entry for last moves to previous
        if (c == last) c = previous;
      }
    }
    std::vector<std::pair<int, double>> combined;
    for (const auto& [b, x] : adjacent[previous]) {
      if (b == last || b == previous) continue;
      combined.emplace_back(b, merged[b]);
      merged[b] = 0.0;
    }
    adjacent[previous] = std::move(combined);
    for (const auto& [b, x] : adjacent[previous]) {  // b may now list previous twice
      auto& list = adjacent[b];
      double total = 0.0;
      std::size_t w = 0;
      for (std::size_t r = 0; r < list.size(); ++r) {
        if (list[r].first == previous) {
          total += list[r].second;
        } else {
          list[w++] = list[r];
        }
      }
      list.resize(w);
      list.emplace_back(previous, total);
    }
    adjacent[last].clear();
    alive[last] = 0;
    members[previous].insert(members[previous].end(), members[last].begin(), members[last].end());
    members[last].clear();
    start = previous;
  }
  std::sort(violated.begin(), violated.end());
  for (const auto& [value, index] : violated) {
    if (static_cast<int>(cuts.size()) >= limit) break;
    CitySetCut cut;
    cut.sets.push_back(std::move(phaseSets[static_cast<std::size_t>(index)]));
    addUnlessKnown(cuts, std::move(cut), g.n);
  }
  if (minimumCut) *minimumCut = best;
  return cuts;
}

}  // namespace ringmarch::cut
