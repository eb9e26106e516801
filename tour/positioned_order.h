// A cyclic order of cities kept as an array with each city's position: successor, predecessor,
// the city at a position and "does b lie on the way from a to c" in O(1). The tours of the local
// searches build their exchanges on it.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace ringmarch::tour {

class PositionedOrder {
 public:
  void assign(std::span<const int> order) {
    order_.assign(order.begin(), order.end());
    n_ = static_cast<int>(order_.size());
    position_.assign(order_.size(), 0);
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
  // True when b lies on the path from a to c in the reading direction (ends included).
  bool between(int a, int b, int c) const {
    const int pa = position_[at(a)];
    int pb = position_[at(b)] - pa;
    int pc = position_[at(c)] - pa;
    if (pb < 0) pb += n_;
    if (pc < 0) pc += n_;
    return pb <= pc;
  }

  std::vector<int> order() const { return order_; }

 protected:
  static std::size_t at(int k) { return static_cast<std::size_t>(k); }

  int n_ = 0;
  std::vector<int> order_;
  std::vector<int> position_;
};

}  // namespace ringmarch::tour
