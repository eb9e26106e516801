// A partial path or a closed tour over the cities of one instance: the record that the solver
// extends city by city and that the object keeps as its tour.
#pragma once

#include <cstdint>

#include "model/problem_data.h"

namespace ringmarch {

// Bits of freeEnds: which tour neighbours a city still lacks.
inline constexpr std::uint8_t kSuccessorFree = 1;
inline constexpr std::uint8_t kPredecessorFree = 2;
inline constexpr std::uint8_t kBothEndsFree = 3;

struct TourRecord {
  const ProblemData* problem;  // the instance whose distance rows measure this record
  std::int32_t order[kRowCount];
  std::int32_t position[kRowCount];
  std::uint8_t freeEnds[kRowCount];
  std::int32_t count;
  std::int32_t length;
  std::int32_t targetCount;
  std::int32_t startCity;
  std::int32_t nearestOfStart;
  std::int32_t secondOfStart;
  bool nearestPlaced;
  std::int32_t currentCity;
  std::int32_t previousCity;
  std::int32_t firstCity;
};

// An empty record over problem with targetCount = target, or the instance's count for -1.
void initTour(TourRecord& tour, const ProblemData* problem, std::int32_t target);
// Removes every placed city: count and length 0, no current, previous or first city, every city
// unplaced, nearestPlaced reset from the start fields. Keeps problem, targetCount and the start
// fields; stale order entries stay.
void emptyTour(TourRecord& tour);
// destination := source: the problem reference, entries 0 .. targetCount of the arrays and every
// scalar field.
void copyTour(TourRecord& destination, const TourRecord& source);
// As copyTour, but keeps destination's problem reference.
void copyTourKeepingProblem(TourRecord& destination, const TourRecord& source);
// Negative when a is the better tour; a length of 0 means "no tour".
std::int32_t compareTours(const TourRecord& a, const TourRecord& b);
// Appends an unplaced city; closes the tour once count reaches targetCount.
void appendCity(TourRecord& tour, std::int32_t city);
// Undoes the last append of an open path (count < targetCount).
void removeLastCity(TourRecord& tour);

}  // namespace ringmarch
