// The cities a local search still has to look at: don't-look bits kept as a first-in, first-out
// ring, so that a city is queued at most once and is looked at again only after an exchange
// touches it. Sized once for the tour's cities; no allocation after that.
#pragma once

#include <cstddef>
#include <vector>

namespace ringmarch::tour {

class CityQueue {
 public:
  explicit CityQueue(std::size_t cityCount) : queued_(cityCount, 0), ring_(cityCount + 1, 0) {}

  bool empty() const { return head_ == tail_; }

  // Queues the city unless it is queued already.
  void push(int city) {
    if (queued_[at(city)] != 0) return;
    queued_[at(city)] = 1;
    ring_[tail_] = city;
    tail_ = next(tail_);
  }

  // The city queued first; the queue must not be empty.
  int pop() {
    const int city = ring_[head_];
    head_ = next(head_);
    queued_[at(city)] = 0;
    return city;
  }

  void clear() {
    while (!empty()) pop();
  }

 private:
  static std::size_t at(int city) { return static_cast<std::size_t>(city); }
  std::size_t next(std::size_t slot) const { return slot + 1 == ring_.size() ? 0 : slot + 1; }

  std::vector<char> queued_;
  std::vector<int> ring_;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};

}  // namespace ringmarch::tour
