// The travelling-salesman instance held by one object: distances, neighbour order, labels and
// coordinates of up to 127 cities, with the instance's name, coordinate bounds and start city.
#pragma once

#include <cstdint>
#include <string_view>

namespace ringmarch {

inline constexpr int kRowCount = 128;      // rows of storage
inline constexpr int kMaxCities = 127;     // the largest instance
inline constexpr int kTextCapacity = 256;  // bytes of a label or name, NUL included

// Coordinates set through the interface and generated coordinates lie in 0 .. 9999; distances
// set through the interface in 0 .. 14141.
inline constexpr int kCoordinateLimit = 10000;
inline constexpr int kDistanceLimit = 14142;

inline constexpr double kLargestDouble = 1.7976931348623157e308;
inline constexpr double kSmallestNormalDouble = 2.2250738585072014e-308;

struct CityRow {
  std::int32_t dist[kRowCount];
  std::int32_t neighbourOrder[kRowCount];
  char name[kTextCapacity];
  double x;
  double y;
};

struct ProblemData {
  CityRow rows[kRowCount];
  std::int32_t count;
  char name[kTextCapacity];
  std::int32_t hasCoordinates;
  double minX;
  double minY;
  double maxX;
  double maxY;
  std::int32_t startCity;
};

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
