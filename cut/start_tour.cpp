// Local search over an array tour: 2-opt moves are segment reversals of the shorter side, Or-opt
// moves (segments of one to three cities) rebuild the array. Only cities whose neighbourhood
// changed are looked at again (don't-look bits, Bentley 1992). Costs are 64-bit throughout.
#include "cut/start_tour.h"

#include <algorithm>
#include <numeric>

namespace ringmarch::cut {

namespace {

class LocalSearch {
 public:
  LocalSearch(int n, const EdgeCost& cost, int neighbours) : n_(n), cost_(cost) {
    const int k = std::min(neighbours, n - 1);
    k_ = k;
    near_.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(k), 0);
    std::vector<int> others;
    for (int c = 0; c < n; ++c) {
      others.clear();
      for (int o = 0; o < n; ++o) {
        if (o != c) others.push_back(o);
      }
      std::partial_sort(others.begin(), others.begin() + k, others.end(), [&](int a, int b) {
        const auto ca = cost_(c, a), cb = cost_(c, b);
        return ca != cb ? ca < cb : a < b;
      });
      std::copy(others.begin(), others.begin() + k, near_.begin() + static_cast<long>(c) * k);
    }
    pos_.assign(static_cast<std::size_t>(n), 0);
    active_.assign(static_cast<std::size_t>(n), 0);
  }

  void load(std::vector<int> tour) {
    tour_ = std::move(tour);
    for (int i = 0; i < n_; ++i) pos_[tour_[i]] = i;
  }
  const std::vector<int>& tour() const { return tour_; }

  void activateAll() {
    queue_.clear();
    for (int i = 0; i < n_; ++i) activate(tour_[i]);
  }
  void activate(int c) {
    if (!active_[c]) {
      active_[c] = 1;
      queue_.push_back(c);
    }
  }

  void run() {
    std::size_t head = 0;
    while (head < queue_.size()) {
      const int c = queue_[head++];
      active_[c] = 0;
      if (improveTwoOpt(c) || improveOrOpt(c)) {
        // c was re-queued by the move; keep the queue from growing without bound.
      }
      if (head > 4 * static_cast<std::size_t>(n_) + 64) {
        queue_.erase(queue_.begin(), queue_.begin() + static_cast<long>(head));
        head = 0;
      }
    }
    queue_.clear();
  }

 private:
  int next(int c) const { return tour_[(pos_[c] + 1) % n_]; }
  int prev(int c) const { return tour_[(pos_[c] + n_ - 1) % n_]; }

  // Reverses the tour path from position i to position j (inclusive, going forward).
  void reversePath(int i, int j) {
    int len = (j - i + n_) % n_ + 1;
    if (2 * len > n_) {  // the other side is shorter: reversing it gives the same cycle
      const int ni = (j + 1) % n_, nj = (i + n_ - 1) % n_;
      i = ni;
      j = nj;
      len = n_ - len;
    }
    for (int s = 0; s < len / 2; ++s) {
      const int a = (i + s) % n_, b = (j - s + n_) % n_;
      std::swap(tour_[a], tour_[b]);
      pos_[tour_[a]] = a;
      pos_[tour_[b]] = b;
    }
  }

  bool improveTwoOpt(int a) {
    if (n_ < 4) return false;
    for (int dir = 0; dir < 2; ++dir) {
      const int b = dir == 0 ? next(a) : prev(a);
      const std::int64_t ab = cost_(a, b);
      for (int t = 0; t < k_; ++t) {
        const int c = near_[static_cast<std::size_t>(a) * k_ + t];
        const std::int64_t ac = cost_(a, c);
        if (ac >= ab) break;
        const int d = dir == 0 ? next(c) : prev(c);
        if (c == b || d == a) continue;
        const std::int64_t delta = ac + cost_(b, d) - ab - cost_(c, d);
        if (delta < 0) {
          if (dir == 0) {
            reversePath(pos_[b], pos_[c]);  // a b ... c d  ->  a c ... b d
          } else {
            reversePath(pos_[c], pos_[b]);  // d c ... b a  ->  d b ... c a
          }
          activate(a), activate(b), activate(c), activate(d);
          return true;
        }
      }
    }
    return false;
  }

  // Moves a segment starting at a (1..3 cities forward) between a near city c and its
  // successor or predecessor, possibly reversed.
  bool improveOrOpt(int a) {
    if (n_ < 5) return false;
    for (int len = 1; len <= 3 && len <= n_ - 3; ++len) {
      const int first = a;
      int last = a;
      for (int s = 1; s < len; ++s) last = next(last);
      const int p = prev(first), q = next(last);
      const std::int64_t removeGain = cost_(p, first) + cost_(last, q) - cost_(p, q);
      for (int t = 0; t < k_; ++t) {
        const int c = near_[static_cast<std::size_t>(a) * k_ + t];
        if (cost_(a, c) >= removeGain) break;
        if (inSegment(c, first, len)) continue;
        for (int side = 0; side < 2; ++side) {
          const int d = side == 0 ? next(c) : prev(c);
          if (inSegment(d, first, len)) continue;
          // Insert between c and d with a next to c.
          const int u = c, w = d;
          const std::int64_t add = cost_(u, first) + cost_(last, w) - cost_(u, w);
          if (add - removeGain < 0) {
            moveSegment(first, len, u, w);
            activate(p), activate(q), activate(u), activate(w), activate(first), activate(last);
            return true;
          }
        }
      }
    }
    return false;
  }

  bool inSegment(int c, int first, int len) const {
    const int off = (pos_[c] - pos_[first] + n_) % n_;
    return off < len;
  }

  // Rebuilds the tour with the segment (first, len cities forward) placed between the adjacent
  // cities u and w, first next to u.
  void moveSegment(int first, int len, int u, int w) {
    scratch_.clear();
    std::vector<int>& seg = segment_;
    seg.clear();
    int c = first;
    for (int s = 0; s < len; ++s) {
      seg.push_back(c);
      c = next(c);
    }
    // Walk the rest starting after the segment.
    const int start = c;
    int x = start;
    while (true) {
      if (x == u || x == w) {
        const int other = x == u ? w : u;
        const int y = next(x);
        scratch_.push_back(x);
        if (y == other) {
          if (x == u) {
            for (int s = 0; s < len; ++s) scratch_.push_back(seg[s]);
          } else {
            for (int s = len - 1; s >= 0; --s) scratch_.push_back(seg[s]);
          }
        }
      } else {
        scratch_.push_back(x);
      }
      x = next(x);
      if (x == first) break;
    }
    load(scratch_);
  }

  int n_;
  int k_ = 0;
  const EdgeCost& cost_;
  std::vector<int> near_, pos_, tour_, queue_, scratch_, segment_;
  std::vector<char> active_;
};

std::vector<int> nearestNeighbourTour(int n, const EdgeCost& cost) {
  std::vector<int> tour;
  std::vector<char> used(static_cast<std::size_t>(n), 0);
  int c = 0;
  used[0] = 1;
  tour.push_back(0);
  for (int s = 1; s < n; ++s) {
    int best = -1;
    std::int64_t bestCost = 0;
    for (int o = 0; o < n; ++o) {
      if (used[o]) continue;
      const auto d = cost(c, o);
      if (best < 0 || d < bestCost) best = o, bestCost = d;
    }
    used[best] = 1;
    tour.push_back(best);
    c = best;
  }
  return tour;
}

bool listsEveryCity(int n, std::span<const int> tour) {
  if (static_cast<int>(tour.size()) != n) return false;
  std::vector<char> seen(static_cast<std::size_t>(n), 0);
  for (int c : tour) {
    if (c < 0 || c >= n || seen[c]) return false;
    seen[c] = 1;
  }
  return true;
}

}  // namespace

std::int64_t closedTourCost(std::span<const int> tour, const EdgeCost& cost) {
  std::int64_t total = 0;
  for (std::size_t i = 0; i < tour.size(); ++i) {
    total += cost(tour[i], tour[(i + 1) % tour.size()]);
  }
  return total;
}

std::vector<int> improveTour(int n, const EdgeCost& cost, std::span<const int> start,
                             const StartTourOptions& options) {
  std::vector<int> tour = listsEveryCity(n, start) ? std::vector<int>(start.begin(), start.end())
                                                   : nearestNeighbourTour(n, cost);
  if (n < 4) return tour;
  LocalSearch search(n, cost, options.neighbours);
  search.load(tour);
  search.activateAll();
  search.run();
  std::vector<int> best = search.tour();
  std::int64_t bestCost = closedTourCost(best, cost);
  if (n < 8) return best;
  std::uint64_t state = options.seed * 0x9E3779B97F4A7C15ULL + 1;
  auto draw = [&](int bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state >> 33) % static_cast<std::uint64_t>(bound));
  };
  std::vector<int> kicked(static_cast<std::size_t>(n));
  for (int k = 0; k < options.kicks; ++k) {
    // Double bridge: A B C D -> A C B D with three cut points in a window of the tour.
    int cuts[3];
    const int window = std::min(n, 50);
    const int base = draw(n);
    for (int& c : cuts) c = 1 + draw(window - 1);
    std::sort(cuts, cuts + 3);
    if (cuts[0] == cuts[1] || cuts[1] == cuts[2]) continue;
    std::vector<int> rotated(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) rotated[i] = best[(base + i) % n];
    int w = 0;
    for (int i = 0; i < cuts[0]; ++i) kicked[w++] = rotated[i];
    for (int i = cuts[1]; i < cuts[2]; ++i) kicked[w++] = rotated[i];
    for (int i = cuts[0]; i < cuts[1]; ++i) kicked[w++] = rotated[i];
    for (int i = cuts[2]; i < n; ++i) kicked[w++] = rotated[i];
    search.load(kicked);
    for (int idx : {0, cuts[0] - 1, cuts[0], cuts[1] - 1, cuts[1], cuts[2] - 1, cuts[2], n - 1}) {
      search.activate(rotated[idx]);
    }
    search.run();
    const std::int64_t c = closedTourCost(search.tour(), cost);
    if (c < bestCost) {
      bestCost = c;
      best = search.tour();
    }
  }
  return best;
}

}  // namespace ringmarch::cut
