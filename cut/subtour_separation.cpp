// Components, shrinking of 1-edges and a dense Stoer-Wagner on what is left. The dense form
// costs k^3 for k shrunk nodes; after shrinking k is the fractional part of the point, small
// beside n on the instances this engine proves.
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
  std::vector<std::vector<int>> members(static_cast<std::size_t>(k));
  for (int c = 0; c < g.n; ++c) members[node[c]].push_back(c);
  const std::size_t K = static_cast<std::size_t>(k);
  std::vector<double> w(K * K, 0.0);
  for (std::size_t e = 0; e < g.x.size(); ++e) {
    const int a = node[g.u[e]], b = node[g.v[e]];
    if (a == b) continue;
    w[a * K + b] += g.x[e];
    w[b * K + a] += g.x[e];
  }
  // Stoer-Wagner: each phase grows a maximum-adjacency order; the last node's attachment is
  // the cut of the phase, then the last two merge.
  std::vector<int> alive(K);
  for (int i = 0; i < k; ++i) alive[i] = i;
  std::vector<double> attach(K);
  std::vector<char> added(K);
  double best = 1e300;
  while (alive.size() > 1) {
    std::fill(attach.begin(), attach.end(), 0.0);
    std::fill(added.begin(), added.end(), 0);
    int previous = -1, last = alive[0];
    added[last] = 1;
    for (int a : alive) attach[a] += w[last * K + a];
    for (std::size_t step = 1; step < alive.size(); ++step) {
      int pick = -1;
      for (int a : alive) {
        if (!added[a] && (pick < 0 || attach[a] > attach[pick])) pick = a;
      }
      if (pick < 0) break;  // cannot happen: one node per step is left unadded
      previous = last;
      last = pick;
      added[pick] = 1;
      for (int a : alive) attach[a] += w[pick * K + a];
    }
    if (previous < 0) break;
    const double phaseCut = attach[last] - w[last * K + last];
    best = std::min(best, phaseCut);
    if (phaseCut < 2.0 - kViolation && static_cast<int>(cuts.size()) < limit) {
      CitySetCut cut;
      cut.sets.push_back(members[last]);
      addUnlessKnown(cuts, std::move(cut), g.n);
    }
    // Merge last into previous.
    for (int a : alive) {
      w[previous * K + a] += w[last * K + a];
      w[a * K + previous] = w[previous * K + a];
    }
    w[previous * K + previous] = 0.0;
    members[previous].insert(members[previous].end(), members[last].begin(), members[last].end());
    alive.erase(std::find(alive.begin(), alive.end(), last));
  }
  if (minimumCut) *minimumCut = best;
  return cuts;
}

}  // namespace ringmarch::cut
