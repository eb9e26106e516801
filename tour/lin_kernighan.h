// The local search of the tour engine: Lin & Kernighan's sequential exchange (1973) built from
// 2-opt exchanges over candidate lists, as Johnson & McGeoch describe it ("The TSP: a case study
// in local optimization", 1997): breadth 5 and 3 at the first two levels, then the single best
// continuation, to a depth of kMaxDepth; an edge added by the chain is never removed by it; the
// chain is cut back to the best tour it passed. Don't-look bits as a queue of cities to look at.
// Chained with segment-local double-bridge kicks (Applegate, Cook & Rohe, "Chained Lin-Kernighan
// for large traveling salesman problems", 2003): three cut points close together along the tour,
// the kicked tour searched from the six endpoints and kept when it is no longer than before.
// Fixed edges of the graph are never removed, by a step or by a kick.
// Works on any tour order offering next, prev and exchange; changes the tour and its length, and
// nothing else. Deterministic: the random stream is its own, seeded by the caller.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "tour/city_queue.h"
#include "tour/search_graph.h"

namespace ringmarch::tour {

// Sebastiano Vigna's splitmix64: a small, fast, portable generator whose stream depends on the
// seed alone.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, bound), bound > 0 (the slight bias of a modulus does not matter here).
  int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }

 private:
  std::uint64_t state_;
};

template <class Tour>
class ChainedLinKernighan {
 public:
  static constexpr int kMaxDepth = 50;

  ChainedLinKernighan(const SearchGraph& graph, Tour& tour, std::int64_t length)
      : graph_(graph),
        tour_(tour),
        length_(length),
        queue_(static_cast<std::size_t>(graph.size())) {}

  std::int64_t length() const { return length_; }

  void queueCity(int city) { queue_.push(city); }

  // Improves the tour from the queued cities until none is left or stop() answers true (asked
  // every so many steps). False when stopped.
  template <class Stop>
  bool optimize(Stop&& stop) {
    int sinceAsked = 0;
    while (!queue_.empty()) {
      if (++sinceAsked == 64) {
        sinceAsked = 0;
        if (stop()) return false;
      }
      const int city = queue_.pop();
      while (improveFrom(city)) {
        if (!keepJournal_) journal_.clear();
      }
    }
    return true;
  }

  // One kick and the search after it; the tour is kept when no longer than before, else put
  // back. False when stopped during the search (the tour is then put back as well).
  template <class Stop>
  bool kick(SplitMix64& random, Stop&& stop) {
    const int n = tour_.size();
    if (n < 8) return true;
    const int window = std::min(n - 2, 50);
    int a1 = 0, a2 = 0, a3 = 0;
    bool found = false;
    for (int attempt = 0; attempt < 8 && !found; ++attempt) {
      a1 = random.below(n);
      int o2 = 1 + random.below(window - 2);
      int o3 = 1 + random.below(window - 2);
      if (o2 == o3) continue;
      if (o2 > o3) std::swap(o2, o3);
      a2 = a1;
      a3 = a1;
      for (int k = 0; k < o3; ++k) {
        a3 = tour_.next(a3);
        if (k + 1 == o2) a2 = a3;
      }
      found = !graph_.isFixed(a1, tour_.next(a1)) && !graph_.isFixed(a2, tour_.next(a2)) &&
              !graph_.isFixed(a3, tour_.next(a3));
    }
    if (!found) return true;
    const int b1 = tour_.next(a1);
    const int b2 = tour_.next(a2);
    const int b3 = tour_.next(a3);
    const std::int64_t before = length_;
    journal_.clear();
    keepJournal_ = true;
    record(a1, b1, a3, b3);
    record(a1, a3, b2, a2);
    record(a3, a2, b1, b3);
    length_ += graph_.cost(a1, b2) + graph_.cost(a3, b1) + graph_.cost(a2, b3) -
               graph_.cost(a1, b1) - graph_.cost(a2, b2) - graph_.cost(a3, b3);
    for (int city : {a1, b1, a2, b2, a3, b3}) queueCity(city);
    const bool finished = optimize(stop);
    if (!finished || length_ > before) {
      rollBack(0);
      length_ = before;
      queue_.clear();
    }
    journal_.clear();
    keepJournal_ = false;
    return finished;
  }

 private:
  struct Exchange {
    int a, b, c, d;
  };
  struct Step {
    int t3, t4;
    std::int64_t value;
  };

  void record(int a, int b, int c, int d) {
    tour_.exchange(a, b, c, d);
    journal_.push_back({a, b, c, d});
  }
  void rollBack(std::size_t mark) {
    while (journal_.size() > mark) {
      const Exchange e = journal_.back();
      journal_.pop_back();
      tour_.exchange(e.a, e.c, e.b, e.d);
    }
  }
  bool wasAdded(int a, int b) const {
    for (std::size_t k = 0; k < addedCount_; ++k) {
      if ((added_[k][0] == a && added_[k][1] == b) || (added_[k][0] == b && added_[k][1] == a)) {
        return true;
      }
    }
    return false;
  }

  bool improveFrom(int t1) {
    for (int side = 0; side < 2; ++side) {
      const int t2 = side == 0 ? tour_.next(t1) : tour_.prev(t1);
      if (graph_.isFixed(t1, t2)) continue;
      chainStart_ = journal_.size();
      bestGain_ = 0;
      bestMark_ = chainStart_;
      addedCount_ = 0;
      if (deepen(t1, t2, graph_.cost(t1, t2), 1)) return true;
    }
    return false;
  }

  // The edge (t1, t2) of the tour is to be removed; gain is what the chain removed less what it
  // added, the edge (t1, t2) counted as removed. True once the chain improved the tour.
  bool deepen(int t1, int t2, std::int64_t gain, int level) {
    const bool forward = tour_.next(t1) == t2;
    const int t2Other = forward ? tour_.next(t2) : tour_.prev(t2);
    const int breadth = level == 1 ? 5 : level == 2 ? 3 : 1;
    Step steps[5] = {};
    int count = 0;
    for (int t3 : graph_.candidates(t2)) {
      const std::int64_t added = graph_.cost(t2, t3);
      if (gain - added <= 0) continue;
      if (t3 == t1 || t3 == t2Other) continue;
      const int t4 = forward ? tour_.prev(t3) : tour_.next(t3);
      if (t4 == t2 || graph_.isFixed(t3, t4) || wasAdded(t3, t4)) continue;
      const Step step{t3, t4, graph_.cost(t3, t4) - added};
      if (count == breadth && steps[count - 1].value >= step.value) continue;
      int k = count < breadth ? count++ : breadth - 1;
      while (k > 0 && steps[k - 1].value < step.value) {
        steps[k] = steps[k - 1];
        --k;
      }
      steps[k] = step;
    }
    for (int s = 0; s < count; ++s) {
      const Step step = steps[s];
      const std::size_t mark = journal_.size();
      record(t1, t2, step.t4, step.t3);
      added_[addedCount_][0] = t2;
      added_[addedCount_][1] = step.t3;
      ++addedCount_;
      const std::int64_t removed = gain - graph_.cost(t2, step.t3) + graph_.cost(step.t3, step.t4);
      const std::int64_t closed = removed - graph_.cost(step.t4, t1);
      if (closed > bestGain_) {
        bestGain_ = closed;
        bestMark_ = journal_.size();
      }
      if (level < kMaxDepth && deepen(t1, step.t4, removed, level + 1)) return true;
      if (bestGain_ > 0) {
        // The chain ended: keep the best tour it passed.
        rollBack(bestMark_);
        for (std::size_t k = chainStart_; k < journal_.size(); ++k) {
          const Exchange& e = journal_[k];
          for (int city : {e.a, e.b, e.c, e.d}) queueCity(city);
        }
        length_ -= bestGain_;
        bestGain_ = 0;
        return true;
      }
      --addedCount_;
      rollBack(mark);
    }
    return false;
  }

  const SearchGraph& graph_;
  Tour& tour_;
  std::int64_t length_;
  CityQueue queue_;
  std::vector<Exchange> journal_;
  bool keepJournal_ = false;
  std::size_t chainStart_ = 0;
  std::size_t bestMark_ = 0;
  std::int64_t bestGain_ = 0;
  int added_[kMaxDepth + 1][2] = {};
  std::size_t addedCount_ = 0;
};

}  // namespace ringmarch::tour
