// A tour as an array of cities with each city's position, for the local search: neighbours and
// betweenness in O(1), a 2-opt exchange by reversing the shorter of the two paths (at most n/2
// swaps). The tour is kept as an undirected cycle: which way round it reads may change with an
// exchange, and the search never relies on it.
#pragma once

#include "tour/positioned_order.h"

namespace ringmarch::tour {

class ArrayTour : public PositionedOrder {
 public:
  // Replaces the edges (a, b) and (c, d) by (a, c) and (b, d), where b follows a and d follows c
  // in one reading direction (either).
  void exchange(int a, int b, int c, int d) {
    if (next(a) == b) {
      reversePath(b, c);
    } else {
      reversePath(c, b);
    }
    (void)d;
  }

 private:
  // Reverses the path from first to last (reading direction), or the rest of the cycle when
  // that is shorter: the same undirected cycle either way.
  void reversePath(int first, int last) {
    int i = position_[at(first)];
    int j = position_[at(last)];
    int length = j - i;
    if (length < 0) length += n_;
    ++length;
    if (2 * length > n_) {
      const int from = j + 1 == n_ ? 0 : j + 1;
      const int to = i == 0 ? n_ - 1 : i - 1;
      i = from;
      j = to;
      length = n_ - length;
    }
    for (int swaps = length / 2; swaps > 0; --swaps) {
      const int ci = order_[at(i)];
      const int cj = order_[at(j)];
      order_[at(i)] = cj;
      position_[at(cj)] = i;
      order_[at(j)] = ci;
      position_[at(ci)] = j;
      if (++i == n_) i = 0;
      if (--j < 0) j = n_ - 1;
    }
  }
};

}  // namespace ringmarch::tour
