// Gomory-Hu cut trees of undirected graphs with nonnegative edge capacities (Gomory & Hu 1961,
// "Multi-terminal network flows"): every tree edge (i, parent[i]) carries the value of a minimum
// cut between i and its parent, and the cities below i in the tree form such a cut; so the
// minimum cut between two cities is the smallest value on their tree path. Built by Gomory and
// Hu's own method: a tree of city groups, each group split by a minimum cut between two of its
// cities in the graph with the rest of the tree's branches contracted; the flows are Dinic's
// (1970). Separators often need only the cuts below some threshold: with a finite one, a flow
// stops once it reaches the threshold and its two cities stay in one group for good (no cut
// below the threshold parts them), which makes the flows short. One connected component of the
// positive edges at a time; components hang from the root by edges of value 0. Reads the edges
// only; the result depends on nothing but the graph, the order of its edges and the threshold.
#pragma once

#include <limits>
#include <span>
#include <vector>

namespace ringmarch::cut {

struct CutTree {
  std::vector<int> parent;    // parent[0] = -1: city 0 is the root
  std::vector<double> value;  // value[i]: the cut between i and parent[i]; value[0] = 0
  // The tree in preorder, children in ascending order; the cities below i (i included) are
  // preorder[position[i]] .. preorder[position[i] + subtreeSize[i] - 1].
  std::vector<int> preorder;
  std::vector<int> position;
  std::vector<int> subtreeSize;

  bool below(int city, int i) const {
    return position[city] >= position[i] && position[city] < position[i] + subtreeSize[i];
  }
};

// The cut tree of the graph on n cities with edges (u[e], v[e]) of capacity[e] (edges of
// capacity 0 or less and loops are ignored). Every edge with a value below `threshold` is exact
// as above; an edge with value == threshold only says that the minimum cut between its ends is
// at least the threshold, and the cities below it are then not a minimum cut.
CutTree gomoryHuTree(int n, std::span<const int> u, std::span<const int> v,
                     std::span<const double> capacity,
                     double threshold = std::numeric_limits<double>::infinity());

}  // namespace ringmarch::cut
