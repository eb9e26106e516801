// Tour improvement for the first bound: iterated local search from the initial tour. The local
// search applies 2-opt and Or-opt moves (a segment of one to three cities moved elsewhere, either
// way round) found over each city's nearest neighbours, with a queue of cities whose
// surroundings changed; each round then kicks the best tour by a local double bridge (two
// neighbouring segments swapped) and keeps the result when it is no longer. The number of rounds
// and every random choice come from the instance alone (its size and distances), so the same
// instance gives the same tour on every run and platform; no clock is read.
//
// Reads the working copy's distances and neighbour order and the initial tour; writes only the
// ImprovedTour. Symmetric instances only (the moves assume d(a, b) = d(b, a)). The monitor, when
// there is one, is asked every few rounds and may end the rounds early; it never changes what a
// round does, so a solve that is not stopped gives the same tour with or without it.
#include "solver/improve_tour.h"

#include <algorithm>
#include <cstring>

#include "solver/search_context.h"

namespace ringmarch {

namespace {

constexpr std::int32_t kNeighbours = 8;
constexpr std::int32_t kLongestSegment = 3;
// Rounds between two questions to the monitor: a round takes microseconds.
constexpr std::int32_t kRoundsPerQuestion = 8;

class LocalSearch {
 public:
  explicit LocalSearch(const SolverState& state) : d_(state.distance), n_(state.cityCount) {
    for (std::int32_t c = 0; c < n_; ++c) {
      const std::int32_t* order = state.workProblem.rows[c].neighbourOrder;
      std::int32_t taken = 0;
      for (std::int32_t k = 0; k < n_ && taken < kNeighbours; ++k) {
        if (order[k] != c) near_[c][taken++] = order[k];
      }
      nearCount_[c] = taken;
    }
  }

  void load(const std::int32_t* order) {
    std::memcpy(tour_, order, sizeof(std::int32_t) * static_cast<std::size_t>(n_));
    for (std::int32_t p = 0; p < n_; ++p) position_[tour_[p]] = p;
  }
  const std::int32_t* tour() const { return tour_; }

  Cost length() const {
    Cost total = 0;
    for (std::int32_t p = 0; p < n_; ++p) total += d_[tour_[p]][tour_[(p + 1) % n_]];
    return total;
  }

  // Runs moves until no queued city yields one.
  void descend() {
    while (queueSize_ > 0) {
      const std::int32_t city = queue_[--queueSize_];
      queued_[city] = false;
      while (twoOpt(city) || orOpt(city)) {
      }
    }
  }

  void queueAll() {
    for (std::int32_t p = 0; p < n_; ++p) push(tour_[p]);
  }

  // Swaps the segments tour[i+1 .. j] and tour[j+1 .. k] (0 <= i < j < k < n).
  void doubleBridge(std::int32_t i, std::int32_t j, std::int32_t k) {
    std::int32_t moved[kRowCount];
    std::int32_t w = 0;
    for (std::int32_t p = j + 1; p <= k; ++p) moved[w++] = tour_[p];
    for (std::int32_t p = i + 1; p <= j; ++p) moved[w++] = tour_[p];
    for (std::int32_t q = 0; q < w; ++q) {
      tour_[i + 1 + q] = moved[q];
      position_[moved[q]] = i + 1 + q;
    }
    for (const std::int32_t p : {i, i + 1, j, j + 1, k, (k + 1) % n_}) push(tour_[p]);
  }

 private:
  std::int32_t next(std::int32_t c) const { return tour_[(position_[c] + 1) % n_]; }
  std::int32_t prev(std::int32_t c) const { return tour_[(position_[c] + n_ - 1) % n_]; }
  Cost dist(std::int32_t a, std::int32_t b) const { return d_[a][b]; }

  void push(std::int32_t c) {
    if (queued_[c]) return;
    queued_[c] = true;
    queue_[queueSize_++] = c;
  }

  // Reverses the path that runs forward from city `from` to city `to`; the shorter side is
  // turned (turning the other side gives the same cycle).
  void reversePath(std::int32_t from, std::int32_t to) {
    std::int32_t i = position_[from];
    std::int32_t j = position_[to];
    std::int32_t inside = (j - i + n_) % n_ + 1;
    if (2 * inside > n_) {
      const std::int32_t newFrom = next(to);
      const std::int32_t newTo = prev(from);
      i = position_[newFrom];
      j = position_[newTo];
      inside = n_ - inside;
    }
    for (std::int32_t s = 0; s < inside / 2; ++s) {
      const std::int32_t a = tour_[i];
      const std::int32_t b = tour_[j];
      tour_[i] = b;
      position_[b] = i;
      tour_[j] = a;
      position_[a] = j;
      i = (i + 1) % n_;
      j = (j + n_ - 1) % n_;
    }
  }

  // 2-opt with a's successor edge, then with its predecessor edge, over a's near cities.
  bool twoOpt(std::int32_t a) {
    for (int side = 0; side < 2; ++side) {
      const std::int32_t b = side == 0 ? next(a) : prev(a);
      const Cost ab = dist(a, b);
      for (std::int32_t q = 0; q < nearCount_[a]; ++q) {
        const std::int32_t c = near_[a][q];
        const Cost ac = dist(a, c);
        if (ac >= ab) break;
        const std::int32_t e = side == 0 ? next(c) : prev(c);
        if (c == b || e == a) continue;
        if (ac + dist(b, e) < ab + dist(c, e)) {
          if (side == 0) {
            reversePath(b, c);
          } else {
            reversePath(c, b);
          }
          for (const std::int32_t x : {a, b, c, e}) push(x);
          return true;
        }
      }
    }
    return false;
  }

  // Moves a segment that starts or ends at a (one to three cities) next to a near city of
  // either of its ends, when that shortens the tour.
  bool orOpt(std::int32_t a) {
    for (std::int32_t length = 1; length <= kLongestSegment && length + 3 <= n_; ++length) {
      for (int anchor = 0; anchor < 2; ++anchor) {
        // The segment first .. last, forward in the tour.
        std::int32_t first = a;
        std::int32_t last = a;
        for (std::int32_t s = 1; s < length; ++s) {
          if (anchor == 0) {
            last = next(last);
          } else {
            first = prev(first);
          }
        }
        if (tryMoveSegment(first, last, length)) return true;
      }
    }
    return false;
  }

  bool inSegment(std::int32_t c, std::int32_t first, std::int32_t length) const {
    return (position_[c] - position_[first] + n_) % n_ < length;
  }

  bool tryMoveSegment(std::int32_t first, std::int32_t last, std::int32_t length) {
    const std::int32_t before = prev(first);
    const std::int32_t after = next(last);
    const Cost removal = dist(before, first) + dist(last, after) - dist(before, after);
    if (removal <= 0) return false;
    for (int end = 0; end < 2; ++end) {
      const std::int32_t from = end == 0 ? first : last;
      for (std::int32_t q = 0; q < nearCount_[from]; ++q) {
        const std::int32_t c = near_[from][q];
        if (dist(from, c) >= removal) break;
        if (inSegment(c, first, length)) continue;
        // Between c and its successor, or between its predecessor and c.
        for (int gap = 0; gap < 2; ++gap) {
          const std::int32_t x = gap == 0 ? c : prev(c);
          const std::int32_t y = gap == 0 ? next(c) : c;
          if (inSegment(x, first, length) || inSegment(y, first, length)) continue;
          if (x == before && y == first) continue;
          if (x == last && y == after) continue;
          const Cost base = dist(x, y);
          const Cost keepWay = dist(x, first) + dist(last, y) - base;
          const Cost turned = dist(x, last) + dist(first, y) - base;
          if (keepWay < removal) {
            moveSegment(first, length, x, false);
            for (const std::int32_t v : {before, after, first, last, x, y}) push(v);
            return true;
          }
          if (turned < removal) {
            moveSegment(first, length, x, true);
            for (const std::int32_t v : {before, after, first, last, x, y}) push(v);
            return true;
          }
        }
      }
    }
    return false;
  }

  // Takes the segment of `length` cities from `first` out and puts it right after x, turned
  // round when asked. Rebuilds the order (at most 127 cities).
  void moveSegment(std::int32_t first, std::int32_t length, std::int32_t x, bool turn) {
    std::int32_t segment[kLongestSegment];
    for (std::int32_t s = 0, c = first; s < length; ++s, c = next(c)) segment[s] = c;
    std::int32_t rebuilt[kRowCount];
    std::int32_t w = 0;
    const std::int32_t startAt = next(segment[length - 1]);
    for (std::int32_t c = startAt, seen = 0; seen < n_ - length; ++seen, c = next(c)) {
      rebuilt[w++] = c;
      if (c == x) {
        for (std::int32_t s = 0; s < length; ++s) {
          rebuilt[w++] = turn ? segment[length - 1 - s] : segment[s];
        }
      }
    }
    load(rebuilt);
  }

  const std::int32_t (*d_)[kRowCount];
  std::int32_t n_;
  std::int32_t near_[kRowCount][kNeighbours];
  std::int32_t nearCount_[kRowCount];
  std::int32_t tour_[kRowCount];
  std::int32_t position_[kRowCount];
  std::int32_t queue_[kRowCount];
  std::int32_t queueSize_ = 0;
  bool queued_[kRowCount] = {};
};

// A 64-bit generator seeded from the instance, so every platform draws the same numbers.
class InstanceRandom {
 public:
  explicit InstanceRandom(const SolverState& state) {
    std::uint64_t hash = 1469598103934665603ull ^ static_cast<std::uint64_t>(state.cityCount);
    for (std::int32_t i = 0; i < state.cityCount; ++i) {
      for (std::int32_t j = 0; j < state.cityCount; ++j) {
        hash ^= static_cast<std::uint32_t>(state.distance[i][j]);
        hash *= 1099511628211ull;
      }
    }
    state_ = hash | 1;
  }
  std::int32_t below(std::int32_t limit) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::int32_t>((state_ >> 33) % static_cast<std::uint64_t>(limit));
  }

 private:
  std::uint64_t state_;
};

}  // namespace

std::int32_t improvementRounds(std::int32_t cityCount) {
  return cityCount < 8 ? 0 : 25 * cityCount;
}

void improveTour(const SolverState& state, const TourRecord& initial, ImprovedTour& improved,
                 SearchContext* context) {
  const std::int32_t n = state.cityCount;
  improved.length = initial.length;
  std::memcpy(improved.order, initial.order, sizeof(std::int32_t) * static_cast<std::size_t>(n));
  if (n < 5) return;

  LocalSearch local(state);
  LocalSearch* search = &local;
  search->load(improved.order);
  search->queueAll();
  search->descend();
  Cost best = search->length();
  std::int32_t bestOrder[kRowCount];
  std::memcpy(bestOrder, search->tour(), sizeof(std::int32_t) * static_cast<std::size_t>(n));

  InstanceRandom random(state);
  const std::int32_t rounds = improvementRounds(n);
  const std::int32_t reach = std::min<std::int32_t>(n - 2, 50);
  for (std::int32_t round = 0; round < rounds; ++round) {
    if (context != nullptr && round % kRoundsPerQuestion == 0 && !keepSearching(*context)) break;
    // Three cut points close together: a local kick that 2-opt and Or-opt cannot undo.
    const std::int32_t i = random.below(n - 3);
    const std::int32_t span = std::min<std::int32_t>(reach, n - 1 - i);
    const std::int32_t j = i + 1 + random.below(span - 1);
    const std::int32_t k = j + 1 + random.below(std::max<std::int32_t>(1, i + span - j));
    if (k >= n) continue;
    search->doubleBridge(i, j, k);
    search->descend();
    const Cost length = search->length();
    if (length <= best) {
      best = length;
      std::memcpy(bestOrder, search->tour(), sizeof(std::int32_t) * static_cast<std::size_t>(n));
    } else {
      search->load(bestOrder);
    }
  }
  if (best < improved.length) {
    improved.length = static_cast<std::int32_t>(best);
    std::memcpy(improved.order, bestOrder, sizeof(std::int32_t) * static_cast<std::size_t>(n));
  }
}

}  // namespace ringmarch
