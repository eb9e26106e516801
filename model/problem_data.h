// The functions that fill and read the object's instance record (<ringmarch/problem.hpp>).
#pragma once

#include <cstdint>
#include <string_view>

#include <ringmarch/problem.hpp>

namespace ringmarch {

// The bounds before the first city widens them (resetBounds).
inline constexpr double kLargestDouble = 1.7976931348623157e308;
inline constexpr double kSmallestNormalDouble = 2.2250738585072014e-308;

// A new object's instance: every entry 0, texts empty, no cities. The bounds start at 0.0 so
// that they never hold undefined values.
void initProblemData(ProblemData& problem);

// minX and minY := the largest double, maxX and maxY := the smallest normal positive double.
void resetBounds(ProblemData& problem);
// Widens the bounds to (x, y); each comparison is strict and independent.
void extendBounds(ProblemData& problem, double x, double y);
// Rebuilds the first `count` entries of the row's neighbour order from its distances: ascending
// distance, ties in ascending city number (an exchange sort, stable).
void sortNeighbourOrder(ProblemData& problem, int row);
// Stores (x, y) for the city, widening the bounds first; marks the instance as having
// coordinates. Distances, neighbour order and start city stay.
void setPosition(ProblemData& problem, int city, double x, double y);
// One direction only: rows[from].dist[to] := d.
void setDistance(ProblemData& problem, int from, int to, std::int32_t d);

// Copies text into a fixed field, cut at kTextCapacity - 1 bytes and NUL-terminated.
void copyText(char (&field)[kTextCapacity], std::string_view text);

// Drops the fraction of a stored double, as the tour and bound getters report it. Values beyond
// the 32-bit range are clamped to it and NaN becomes 0, so no out-of-range conversion happens.
double truncateToWhole(double value);
// The same as a 32-bit integer (used where files show coordinates as integers).
std::int32_t truncateToInt32(double value);

}  // namespace ringmarch
