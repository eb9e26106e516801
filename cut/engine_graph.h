// The complete undirected graph the branch-and-cut engine works on. A symmetric instance is its
// own graph. An asymmetric one becomes the symmetric graph of twice the nodes (Jonker & Volgenant
// 1983): city i is the pair of nodes i (its entry) and n + i (its exit), joined by an edge every
// tour keeps, the edge from exit n + i to entry j costs d(i, j), and two entries or two exits are
// never joined. A tour of that graph alternates entries and exits and reads back as the directed
// tour i, j, ... whatever the direction it is listed in, with the same length.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "instance/instance.h"

namespace ringmarch::cut {

class EngineGraph {
 public:
  explicit EngineGraph(const Instance& instance);
  // No copies: one graph per run, its distance table held once.
  EngineGraph(const EngineGraph&) = delete;
  EngineGraph& operator=(const EngineGraph&) = delete;

  int size() const { return nodes_; }
  int cities() const { return cities_; }
  bool isTwin() const { return twin_; }
  const Instance& instance() const { return *instance_; }

  // An edge that no tour may use: in the twin form, two entries or two exits.
  bool isAbsent(int a, int b) const { return twin_ && (a < cities_) == (b < cities_); }
  // An edge every tour uses: in the twin form, a city's entry and exit.
  bool isPairEdge(int a, int b) const { return twin_ && (a < b ? b - a : a - b) == cities_; }
  // The cost of an edge between distinct nodes that is not absent.
  std::int64_t cost(int a, int b) const {
    if (!twin_) return distance(a, b);
    if (a > b) std::swap(a, b);  // a: an entry, b: an exit
    if (b - a == cities_) return 0;
    return distance(b - cities_, a);
  }

  // A tour of the instance (each city once) as a tour of this graph.
  std::vector<int> nodeTourOf(std::span<const int> cityTour) const;
  // A tour of this graph as a tour of the instance; empty when it is not a tour of the graph
  // (a node twice, an absent edge, a pair edge missing).
  std::vector<int> cityTourOf(std::span<const int> nodeTour) const;
  // The closed length of a tour of this graph.
  std::int64_t nodeTourLength(std::span<const int> nodeTour) const;

 private:
  std::int32_t distance(int from, int to) const {
    if (table_.empty()) return instance_->distance(from, to);
    return table_[static_cast<std::size_t>(from) * static_cast<std::size_t>(cities_) +
                  static_cast<std::size_t>(to)];
  }

  const Instance* instance_;
  int cities_;
  bool twin_;
  int nodes_;
  // The distances of a coordinate rule, computed once, where they take at most 64 MB: every
  // pricing scan reads all of them, and the rule's square roots and rounding cost more than
  // the read (an explicit matrix is a table already).
  std::vector<std::int32_t> table_;
};

}  // namespace ringmarch::cut
