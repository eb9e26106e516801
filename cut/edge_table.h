// The complete graph of the engine's (symmetric) problem: every edge's cost and state, and its
// LP column when it has one. Dense: n (n - 1) / 2 entries, so that pricing and the exact bound
// scan every edge in one flat loop.
#pragma once

#include <cstdint>
#include <vector>

namespace ringmarch::cut {

enum class EdgeState : std::uint8_t {
  Free,        // 0 <= x <= 1
  FixedZero,   // no tour of the current node uses it (branching or reduced cost)
  FixedOne,    // every tour of the current node uses it
  Eliminated,  // no tour shorter than the best one uses it (reduced cost at the root)
  Absent,      // not part of the problem (same-side edges of a directed instance's form)
};

struct EdgeTable {
  int n = 0;
  std::vector<std::int64_t> cost;
  std::vector<EdgeState> state;  // the current node's view
  std::vector<int> column;       // LP column or -1
  std::vector<int> u, v;         // ends, u < v

  static std::int64_t indexOf(int a, int b) {
    if (a > b) std::swap(a, b);
    return static_cast<std::int64_t>(b) * (b - 1) / 2 + a;
  }
  void build(int cities) {
    n = cities;
    const std::size_t m = static_cast<std::size_t>(cities) * (cities - 1) / 2;
    cost.assign(m, 0);
    state.assign(m, EdgeState::Free);
    column.assign(m, -1);
    u.resize(m);
    v.resize(m);
    std::size_t e = 0;
    for (int b = 1; b < cities; ++b) {
      for (int a = 0; a < b; ++a, ++e) {
        u[e] = a;
        v[e] = b;
      }
    }
  }
  std::size_t size() const { return cost.size(); }
};

}  // namespace ringmarch::cut
