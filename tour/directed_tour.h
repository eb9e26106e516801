// A directed tour as an array of cities with each city's position: successor, predecessor and
// "does b lie on the way from a to c" in O(1), and the one exchange a directed tour allows
// without reversing a path, the pure 3-opt move: of three arcs a->b, c->d, e->f met in this order,
// a->d, e->b and c->f take their place, so that the paths b..c and d..e trade places. The two
// shortest of the three paths the arcs cut the tour into are rewritten (at most 2n/3 cities).
// The direction in which the tour reads never changes.
#pragma once

#include <span>
#include <vector>

namespace ringmarch::tour {

class DirectedTour {
 public:
  void assign(std::span<const int> order) {
    order_.assign(order.begin(), order.end());
    n_ = static_cast<int>(order_.size());
    position_.assign(order_.size(), 0);
    scratch_.assign(order_.size(), 0);
    for (int k = 0; k < n_; ++k) position_[at(order_[at(k)])] = k;
  }

  int size() const { return n_; }
  int next(int city) const {
    const int k = position_[at(city)] + 1;
    return order_[at(k == n_ ? 0 : k)];
  }
  int prev(int city) const {
    const int k = position_[at(city)];
    return order_[at(k == 0 ? n_ - 1 : k - 1)];
  }
  int cityAt(int position) const { return order_[at(position)]; }
  // True when b lies on the path from a to c in the tour's direction (ends included).
  bool between(int a, int b, int c) const {
    const int pa = position_[at(a)];
    int pb = position_[at(b)] - pa;
    int pc = position_[at(c)] - pa;
    if (pb < 0) pb += n_;
    if (pc < 0) pc += n_;
    return pb <= pc;
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

  std::vector<int> order() const { return order_; }

 private:
  static std::size_t at(int k) { return static_cast<std::size_t>(k); }

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

  int n_ = 0;
  std::vector<int> order_;
  std::vector<int> position_;
  std::vector<int> scratch_;
};

}  // namespace ringmarch::tour
