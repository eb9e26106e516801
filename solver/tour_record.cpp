#include "solver/tour_record.h"

#include <cstring>
#include <limits>

namespace ringmarch {
namespace {

std::int32_t distanceIn(const TourRecord& tour, std::int32_t from, std::int32_t to) {
  return tour.problem->rows[from].dist[to];
}

// Tour lengths are 32-bit; a sum beyond that range (only possible for a tour read from a file
// against extreme distances) stays at the range's edge instead of overflowing.
std::int32_t addLength(std::int32_t length, std::int64_t d) {
  const std::int64_t sum = static_cast<std::int64_t>(length) + d;
  if (sum > std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  if (sum < std::numeric_limits<std::int32_t>::min())
    return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(sum);
}

void copyContents(TourRecord& destination, const TourRecord& source) {
  if (source.targetCount >= 0) {
    const std::size_t entries = static_cast<std::size_t>(source.targetCount) + 1;
    std::memcpy(destination.order, source.order, entries * sizeof source.order[0]);
    std::memcpy(destination.position, source.position, entries * sizeof source.position[0]);
    std::memcpy(destination.freeEnds, source.freeEnds, entries * sizeof source.freeEnds[0]);
  }
  destination.count = source.count;
  destination.length = source.length;
  destination.targetCount = source.targetCount;
  destination.startCity = source.startCity;
  destination.nearestOfStart = source.nearestOfStart;
  destination.secondOfStart = source.secondOfStart;
  destination.nearestPlaced = source.nearestPlaced;
  destination.currentCity = source.currentCity;
  destination.previousCity = source.previousCity;
  destination.firstCity = source.firstCity;
}

}  // namespace

void initTour(TourRecord& tour, const ProblemData* problem, std::int32_t target) {
  tour.problem = problem;
  tour.startCity = -1;
  tour.nearestOfStart = -1;
  tour.secondOfStart = -1;
  tour.targetCount = target == -1 ? problem->count : target;
  emptyTour(tour);
}

void emptyTour(TourRecord& tour) {
  tour.count = 0;
  tour.length = 0;
  tour.currentCity = -1;
  tour.previousCity = -1;
  tour.firstCity = -1;
  for (int c = 0; c < tour.targetCount; ++c) {
    tour.position[c] = -1;
    tour.freeEnds[c] = kBothEndsFree;
  }
  tour.nearestPlaced = tour.nearestOfStart == tour.secondOfStart;
}

void copyTour(TourRecord& destination, const TourRecord& source) {
  destination.problem = source.problem;
  copyContents(destination, source);
}

void copyTourKeepingProblem(TourRecord& destination, const TourRecord& source) {
  copyContents(destination, source);
}

std::int32_t compareTours(const TourRecord& a, const TourRecord& b) {
  if (a.length == 0) return b.length == 0 ? 0 : 1;
  if (b.length == 0) return -1;
  const std::int64_t difference = static_cast<std::int64_t>(a.length) - b.length;
  return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
}

void appendCity(TourRecord& tour, std::int32_t city) {
  if (city == tour.nearestOfStart) tour.nearestPlaced = true;
  tour.previousCity = tour.currentCity;
  tour.currentCity = city;
  tour.order[tour.count] = city;
  tour.position[city] = tour.count;
  tour.count += 1;
  if (tour.count == 1) {
    tour.firstCity = city;
  } else {
    tour.freeEnds[tour.previousCity] &= static_cast<std::uint8_t>(~kSuccessorFree);
    tour.length = addLength(tour.length, distanceIn(tour, tour.previousCity, city));
  }
  tour.freeEnds[city] &= static_cast<std::uint8_t>(~kPredecessorFree);
  tour.freeEnds[tour.firstCity] |= kPredecessorFree;
  if (tour.count >= tour.targetCount) {
    tour.length = addLength(tour.length, distanceIn(tour, city, tour.firstCity));
  }
  tour.order[tour.count] = tour.firstCity;
}

void removeLastCity(TourRecord& tour) {
  const std::int32_t last = tour.currentCity;
  if (tour.count >= 2) {
    tour.length = addLength(tour.length,
                            -static_cast<std::int64_t>(distanceIn(tour, tour.previousCity, last)));
  }
  tour.count -= 1;
  tour.position[last] = -1;
  tour.order[tour.count] = tour.firstCity;
  tour.freeEnds[last] |= kPredecessorFree;
  if (tour.previousCity >= 0) tour.freeEnds[tour.previousCity] |= kSuccessorFree;
  tour.currentCity = tour.previousCity;
  tour.previousCity = tour.count >= 2 ? tour.order[tour.count - 2] : -1;
}

}  // namespace ringmarch
