// A directed tour as an array of cities with each city's position: successor, predecessor and
// "does b lie on the way from a to c" in O(1), and the one exchange a directed tour allows
// without reversing a path, the pure 3-opt move: of three arcs a->b, c->d, e->f met in this order,
// a->d, e->b and c->f take their place, so that the paths b..c and d..e trade places. The two
// shortest of the three paths the arcs cut the tour into are rewritten (at most 2n/3 cities).
// The direction in which the tour reads never changes.
#pragma once

#include <span>
#include <vector>

#include "tour/positioned_order.h"

namespace ringmarch::tour {

class DirectedTour : public PositionedOrder {
 public:
  void assign(std::span<const int> order) {
    PositionedOrder::assign(order);
    scratch_.assign(order.size(), 0);
  }

  // a->b, c->d, e->f are arcs of the tour in this order (b..c, d..e and f..a each at least one
  // city); afterwards the tour reads a->d..e->b..c->f. move(a, d, e, b, c, f) undoes it.
  void move(int a, int b, int c, int d, int e, int f) {
    const int first = lengthOf(b, c);
    const int second = lengthOf(d, e);
    const int third = n_ - first - second;
    // The three paths in cyclic order are to become (b..c, f..a, d..e): swapping any two
    // neighbours among them does it, so the two shorter ones are swapped.
    if (third >= first && third >= second) {
      swapNeighbours(position_[at(b)], first, second);
    } else if (first >= second) {
      swapNeighbours(position_[at(d)], second, third);
    } else {
      swapNeighbours(position_[at(f)], third, first);
    }
    (void)a;
  }

 private:
  int lengthOf(int from, int to) const {
    int length = position_[at(to)] - position_[at(from)];
    if (length < 0) length += n_;
    return length + 1;
  }

  // The path of x cities starting at position start and the y cities after it trade places.
  void swapNeighbours(int start, int x, int y) {
    int k = start + x;
    if (k >= n_) k -= n_;
    int w = 0;
    for (int i = 0; i < y; ++i) {
      scratch_[at(w++)] = order_[at(k)];
      if (++k == n_) k = 0;
    }
    k = start;
    for (int i = 0; i < x; ++i) {
      scratch_[at(w++)] = order_[at(k)];
      if (++k == n_) k = 0;
    }
    k = start;
    for (int i = 0; i < w; ++i) {
      const int city = scratch_[at(i)];
      order_[at(k)] = city;
      position_[at(city)] = k;
      if (++k == n_) k = 0;
    }
  }

  std::vector<int> scratch_;
};

}  // namespace ringmarch::tour
