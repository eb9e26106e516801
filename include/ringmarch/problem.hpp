// The travelling-salesman instance held by one solver object: distances, neighbour order, labels
// and coordinates of up to 127 cities, with the instance's name, coordinate bounds and start city.
#pragma once

#include <cstdint>

namespace ringmarch {

inline constexpr int kRowCount = 128;      // rows of storage
inline constexpr int kMaxCities = 127;     // the largest instance
inline constexpr int kTextCapacity = 256;  // bytes of a label or name, NUL included

// The most cities of an asymmetric instance the exact search takes: its symmetric form has twice
// as many.
inline constexpr int kMaxAsymmetricCities = kMaxCities / 2;

// Coordinates set through the interface and generated coordinates lie in 0 .. 9999; distances
// set through the interface in 0 .. 14141.
inline constexpr int kCoordinateLimit = 10000;
inline constexpr int kDistanceLimit = 14142;

struct CityRow {
  std::int32_t dist[kRowCount];            // to every city; dist[self] is kept, no tour uses it
  std::int32_t neighbourOrder[kRowCount];  // the cities by ascending distance from this one
  char name[kTextCapacity];                // the city's label, NUL-terminated
  double x;
  double y;
};

struct ProblemData {
  CityRow rows[kRowCount];
  std::int32_t count;
  char name[kTextCapacity];
  std::int32_t hasCoordinates;  // 1 when the cities have coordinates
  double minX;
  double minY;
  double maxX;
  double maxY;
  std::int32_t startCity;  // where the exact search starts its paths
};

}  // namespace ringmarch
