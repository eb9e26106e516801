// The distance check over an Instance. Explicit matrices: the check's loops over the matrix,
// which the instance holds anyway. Coordinate rules: only distinct cities 0 apart can fail, and
// any two such cities lie less than one unit apart in the rule's coordinates (every rule's 0
// needs the Euclidean distance below 1), so each city is compared with the cities of its own and
// the neighbouring cells of a grid of unit cells. Reads the instance; changes nothing.
#include "cli/distance_check.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace ringmarch::cli {
namespace {

// A cell of the unit grid, from the coordinates less their smallest value (whose spread the
// instance keeps within the 32-bit range, so the cells fit 64 bits).
struct Cell {
  std::int64_t x, y, z;
  bool operator==(const Cell&) const = default;
};

struct CellHash {
  std::size_t operator()(const Cell& cell) const {
    std::uint64_t h = static_cast<std::uint64_t>(cell.x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint64_t>(cell.y) + 0x7F4A7C159E3779B9ull + (h << 6) + (h >> 2);
    h ^= static_cast<std::uint64_t>(cell.z) + 0x94D049BB133111EBull + (h << 6) + (h >> 2);
    return static_cast<std::size_t>(h);
  }
};

// The first pair (i < j, i first, then j) of cities of a coordinate rule that are 0 apart.
DistanceFault firstCoincidentPair(const Instance& instance) {
  const int n = instance.size();
  // GEO's rule adds 1 to every distance between distinct cities: none is ever 0.
  if (instance.rule() == DistanceRule::Geo || n < 2) return {};
  const bool threeD = isThreeDimensional(instance.rule());
  double low[3] = {instance.x(0), instance.y(0), instance.z(0)};
  for (int i = 0; i < n; ++i) {
    low[0] = std::min(low[0], instance.x(i));
    low[1] = std::min(low[1], instance.y(i));
    low[2] = std::min(low[2], instance.z(i));
  }
  auto cellOf = [&](int city) {
    return Cell{static_cast<std::int64_t>(std::floor(instance.x(city) - low[0])),
                static_cast<std::int64_t>(std::floor(instance.y(city) - low[1])),
                threeD ? static_cast<std::int64_t>(std::floor(instance.z(city) - low[2])) : 0};
  };
  std::unordered_map<Cell, std::vector<int>, CellHash> cells;
  for (int i = 0; i < n; ++i) cells[cellOf(i)].push_back(i);  // each cell's cities ascending
  const int reachZ = threeD ? 1 : 0;
  for (int i = 0; i < n; ++i) {
    const Cell home = cellOf(i);
    int partner = -1;
    for (std::int64_t dx = -1; dx <= 1; ++dx) {
      for (std::int64_t dy = -1; dy <= 1; ++dy) {
        for (std::int64_t dz = -reachZ; dz <= reachZ; ++dz) {
          const auto found = cells.find(Cell{home.x + dx, home.y + dy, home.z + dz});
          if (found == cells.end()) continue;
          const std::vector<int>& members = found->second;
          for (auto at = std::upper_bound(members.begin(), members.end(), i);
               at != members.end() && (partner < 0 || *at < partner); ++at) {
            if (instance.distance(i, *at) == 0) partner = *at;
          }
        }
      }
    }
    if (partner >= 0) return {i, partner, ErrorCode::DistanceNotPositive};
  }
  return {};
}

}  // namespace

DistanceFault firstDistanceFault(const Instance& instance) {
  if (!instance.isExplicit()) return firstCoincidentPair(instance);
  const int n = instance.size();
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) {
      const std::int32_t d = instance.distance(i, j);
      if (d != instance.distance(j, i)) return {i, j, ErrorCode::DistanceNotSymmetric};
      if (i == j && d != 0) return {i, j, ErrorCode::SameCityDistanceNotZero};
      if (i != j && d == 0) return {i, j, ErrorCode::DistanceNotPositive};
    }
  }
  return {};
}

DistanceFault firstDirectedFault(const Instance& instance) {
  // A coordinate rule's first pair 0 apart comes first row by row too: its mirror lies in a
  // later row.
  if (!instance.isExplicit()) return firstCoincidentPair(instance);
  const int n = instance.size();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const std::int32_t d = instance.distance(i, j);
      if (i == j && d != 0) return {i, j, ErrorCode::SameCityDistanceNotZero};
      if (i != j && d == 0) return {i, j, ErrorCode::DistanceNotPositive};
    }
  }
  return {};
}

DistanceFault firstAsymmetricPair(const Instance& instance) {
  if (instance.isSymmetric()) return {};
  const int n = instance.size();
  for (int i = 0; i < n; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (instance.distance(i, j) != instance.distance(j, i)) {
        return {i, j, ErrorCode::DistanceNotSymmetric};
      }
    }
  }
  return {};
}

std::pair<int, int> firstNegativeDistance(const Instance& instance) {
  if (!instance.isExplicit() || instance.smallestDistance() >= 0) return {-1, -1};
  const int n = instance.size();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (i != j && instance.distance(i, j) < 0) return {i, j};
    }
  }
  return {-1, -1};
}

}  // namespace ringmarch::cli
