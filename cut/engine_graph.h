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
  explicit EngineGraph(const Instance& instance)
      : instance_(&instance),
        cities_(instance.size()),
        twin_(!instance.isSymmetric()),
        nodes_(twin_ ? 2 * cities_ : cities_) {}

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
    if (!twin_) return instance_->distance(a, b);
    if (a > b) std::swap(a, b);  // a: an entry, b: an exit
    if (b - a == cities_) return 0;
    return instance_->distance(b - cities_, a);
  }

  // A tour of the instance (each city once) as a tour of this graph.
  std::vector<int> nodeTourOf(std::span<const int> cityTour) const;
  // A tour of this graph as a tour of the instance; empty when it is not a tour of the graph
  // (a node twice, an absent edge, a pair edge missing).
  std::vector<int> cityTourOf(std::span<const int> nodeTour) const;
  // The closed length of a tour of this graph.
  std::int64_t nodeTourLength(std::span<const int> nodeTour) const;

 private:
  const Instance* instance_;
  int cities_;
  bool twin_;
  int nodes_;
};

}  // namespace ringmarch::cut
