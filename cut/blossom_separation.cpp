// Handles are the components of the fractional edges; teeth the edges above the upper
// threshold leaving them. A candidate is checked against the point before it is returned.
#include "cut/blossom_separation.h"

#include <algorithm>

namespace ringmarch::cut {

namespace {

constexpr double kViolation = 1e-6;

void blossomsAt(const SupportGraph& g, double low, double high, int limit,
                std::vector<CitySetCut>& out) {
  DisjointSets sets(g.n);
  for (std::size_t e = 0; e < g.x.size(); ++e) {
    if (g.x[e] > low && g.x[e] < high) sets.unite(g.u[e], g.v[e]);
  }
  std::vector<int> root(static_cast<std::size_t>(g.n));
  std::vector<int> size(static_cast<std::size_t>(g.n), 0);
  for (int c = 0; c < g.n; ++c) {
    root[c] = sets.find(c);
    ++size[root[c]];
  }
  std::vector<char> inHandle(static_cast<std::size_t>(g.n), 0);
  std::vector<int> toothUse(static_cast<std::size_t>(g.n), 0);
  for (int h = 0; h < g.n && static_cast<int>(out.size()) < limit; ++h) {
    if (root[h] != h || size[h] < 2 || size[h] > g.n - 2) continue;
    std::vector<std::size_t> teeth;
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      if (g.x[e] < high) continue;
      if ((root[g.u[e]] == h) != (root[g.v[e]] == h)) teeth.push_back(e);
    }
    if (teeth.size() < 3 || teeth.size() % 2 == 0) continue;
    bool disjoint = true;
    for (auto e : teeth) {
      if (++toothUse[g.u[e]] > 1 || ++toothUse[g.v[e]] > 1) disjoint = false;
    }
    for (auto e : teeth) toothUse[g.u[e]] = toothUse[g.v[e]] = 0;
    if (!disjoint) continue;
    for (int c = 0; c < g.n; ++c) inHandle[c] = root[c] == h;
    double activity = 0.0;
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      if (inHandle[g.u[e]] != inHandle[g.v[e]]) activity += g.x[e];
    }
    // Each tooth's x(delta(T)) = 4 - 2 x_T on the degree equations; computed from the edges.
    for (auto t : teeth) {
      const int a = g.u[t], b = g.v[t];
      for (std::size_t e = 0; e < g.x.size(); ++e) {
        const bool ia = g.u[e] == a || g.u[e] == b, ib = g.v[e] == a || g.v[e] == b;
        if (ia != ib) activity += g.x[e];
      }
    }
    const int k = static_cast<int>(teeth.size());
    if (activity < 3 * k + 1 - kViolation) {
      CitySetCut cut;
      cut.family = CutFamily::Blossom;
      cut.rhs = 3 * k + 1;
      std::vector<int> handle;
      for (int c = 0; c < g.n; ++c) {
        if (inHandle[c]) handle.push_back(c);
      }
      cut.sets.push_back(std::move(handle));
      for (auto t : teeth) cut.sets.push_back({g.u[t], g.v[t]});
      if (canonicalize(cut, g.n)) out.push_back(std::move(cut));
    }
  }
}

}  // namespace

std::vector<CitySetCut> separateFastBlossoms(const SupportGraph& g, int limit) {
  std::vector<CitySetCut> out;
  if (g.n < 6) return out;
  blossomsAt(g, 1e-9, 1.0 - 1e-9, limit, out);
  if (static_cast<int>(out.size()) < limit) blossomsAt(g, 0.02, 0.98, limit, out);
  return out;
}

}  // namespace ringmarch::cut
