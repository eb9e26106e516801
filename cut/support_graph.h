// The support graph of an LP point: the edges with a positive value, as flat arrays. Separators
// read it and return violated cuts; none of them changes it.
#pragma once

#include <vector>

namespace ringmarch::cut {

struct SupportGraph {
  int n = 0;
  std::vector<int> u, v;
  std::vector<double> x;
};

// Union-find over n cities with path halving; merges by the smaller root so that results do
// not depend on the order of equal unions beyond the calls themselves.
class DisjointSets {
 public:
  explicit DisjointSets(int n) : parent_(static_cast<std::size_t>(n)) {
    for (int i = 0; i < n; ++i) parent_[i] = i;
  }
  int find(int a) {
    while (parent_[a] != a) {
      parent_[a] = parent_[parent_[a]];
      a = parent_[a];
    }
    return a;
  }
  bool unite(int a, int b) {
    a = find(a), b = find(b);
    if (a == b) return false;
    if (a < b) std::swap(a, b);
    parent_[a] = b;
    return true;
  }

 private:
  std::vector<int> parent_;
};

}  // namespace ringmarch::cut
