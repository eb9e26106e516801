// Initial tour: nearest neighbour from city 0, then 2-opt passes until no exchange of two
// non-adjacent path edges shortens the tour (the closing edge back to city 0 is never exchanged).
// Reads the working copy's neighbour order and distances; writes bestTour and bestLength and
// leaves the record empty again. Allocates nothing. The monitor, when there is one, may end the
// 2-opt early (a time limit of a millisecond); every exchange keeps a whole tour, so the tour
// reached then is still valid.
#include "solver/initial_tour.h"

#include "solver/search_context.h"

namespace ringmarch {
namespace {

std::int64_t dist(const TourRecord& tour, std::int32_t a, std::int32_t b) {
  return tour.problem->rows[a].dist[b];
}

// The nearest unplaced city at a positive distance from c. Instances with zero distances between
// distinct cities may leave no such city; then the first unplaced city in c's neighbour order is
// taken, so the tour always closes.
std::int32_t nextNearestCity(const SolverState& state, const TourRecord& tour, std::int32_t c) {
  const int n = state.cityCount;
  const std::int32_t* neighbours = state.workProblem.rows[c].neighbourOrder;
  for (int k = 1; k < n; ++k) {
    const std::int32_t x = neighbours[k];
    if (tour.position[x] == -1 && state.distance[c][x] > 0) return x;
  }
  for (int k = 0; k < n; ++k) {
    const std::int32_t x = neighbours[k];
    if (tour.position[x] == -1) return x;
  }
  return -1;
}

// The change of the tour's length when order[i+1 .. m] is reversed: the two exchanged edges and,
// for a matrix that is not symmetric, the segment's own edges walked the other way (0 for a
// symmetric matrix). An exchange is made only when this is negative, so every exchange really
// shortens the tour and the improvement ends for every matrix; judged by the four exchanged
// edges alone, exchanges on a non-symmetric matrix can cycle for ever.
std::int64_t reversalChange(const TourRecord& tour, int i, int m) {
  const std::int32_t* order = tour.order;
  std::int64_t change = dist(tour, order[i], order[m]) + dist(tour, order[i + 1], order[m + 1]) -
                        dist(tour, order[i], order[i + 1]) - dist(tour, order[m], order[m + 1]);
  for (int k = i + 1; k < m; ++k) {
    change += dist(tour, order[k + 1], order[k]) - dist(tour, order[k], order[k + 1]);
  }
  return change;
}

// The monitor is asked once per this many values of m: a few clock readings per sweep.
constexpr int kSweepsPerQuestion = 16;

// True while the monitor lets the 2-opt go on; it is shown the tour reached so far as the best.
bool mayGoOn(SolverState& state, const TourRecord& tour, SearchContext* context) {
  if (context == nullptr) return true;
  state.bestLength = tour.length;
  return keepSearching(*context);
}

void improveByTwoOpt(SolverState& state, TourRecord& tour, SearchContext* context) {
  const int n = tour.targetCount;
  bool improved = true;
  while (improved) {
    improved = false;
    for (int m = n - 2; m >= 2; --m) {
      if (m % kSweepsPerQuestion == 0 && !mayGoOn(state, tour, context)) return;
      for (int i = 0; i <= m - 2; ++i) {
        const std::int32_t a = tour.order[i];
        const std::int32_t b = tour.order[i + 1];
        const std::int32_t c = tour.order[m];
        const std::int32_t d = tour.order[m + 1];
        if (dist(tour, a, c) + dist(tour, b, d) < dist(tour, a, b) + dist(tour, c, d) &&
            reversalChange(tour, i, m) < 0) {
          reverseSegment(tour, i, m);
          improved = true;
        }
      }
    }
  }
}

}  // namespace

void reverseSegment(TourRecord& tour, int i, int m) {
  tour.length = static_cast<std::int32_t>(tour.length + reversalChange(tour, i, m));
  for (int t = 0; t < (m - i) / 2; ++t) {
    const int left = i + 1 + t;
    const int right = m - t;
    const std::int32_t leftCity = tour.order[left];
    tour.order[left] = tour.order[right];
    tour.order[right] = leftCity;
    tour.position[tour.order[left]] = left;
    tour.position[tour.order[right]] = right;
  }
}

void buildInitialTour(SolverState& state, TourRecord& tour, SearchContext* context) {
  appendCity(tour, 0);
  while (tour.count < tour.targetCount) {
    appendCity(tour, nextNearestCity(state, tour, tour.currentCity));
  }
  improveByTwoOpt(state, tour, context);

  copyTour(state.bestTour, tour);
  state.bestLength = tour.length;
  emptyTour(tour);
}

}  // namespace ringmarch
