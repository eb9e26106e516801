// Components, shrinking of 1-edges and a cut tree of what is left, stopped at 2: every tree
// edge below 2 is a violated set, so one tree gives all the violated cuts it holds at once.
#include "cut/subtour_separation.h"

#include "cut/cut_tree.h"

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
  std::vector<int> su, sv;
  std::vector<double> sx;
  for (std::size_t e = 0; e < g.x.size(); ++e) {
    const int a = node[g.u[e]], b = node[g.v[e]];
    if (a == b) continue;
    su.push_back(a);
    sv.push_back(b);
    sx.push_back(g.x[e]);
  }
  // Every tree edge below 2 is a violated set: the shrunk nodes below it, unshrunk.
  const CutTree tree = gomoryHuTree(k, su, sv, sx, 2.0);
  double best = 2.0;
  std::vector<std::pair<double, int>> violated;
  for (int i = 1; i < k; ++i) {
    best = std::min(best, tree.value[i]);
    if (tree.value[i] < 2.0 - kViolation) violated.emplace_back(tree.value[i], i);
  }
  std::sort(violated.begin(), violated.end());
  std::vector<std::vector<int>> members(static_cast<std::size_t>(k));
  for (int c = 0; c < g.n; ++c) members[node[c]].push_back(c);
  for (const auto& [value, i] : violated) {
    if (static_cast<int>(cuts.size()) >= limit) break;
    CitySetCut cut;
    std::vector<int> set;
    for (int p = tree.position[i]; p < tree.position[i] + tree.subtreeSize[i]; ++p) {
      const auto& m = members[tree.preorder[p]];
      set.insert(set.end(), m.begin(), m.end());
    }
    cut.sets.push_back(std::move(set));
    addUnlessKnown(cuts, std::move(cut), g.n);
  }
  if (minimumCut) *minimumCut = best;
  return cuts;
}

}  // namespace ringmarch::cut
