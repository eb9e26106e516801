// The component's random instances (the run-time library's generator, whole coordinates 0 to
// 9999), EUC_2D distances from coordinates, loading from arrays and the distance check. Each
// reads its arguments and replaces the problem it is given.
#include "model/generation.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace ringmarch {
namespace {

const std::chrono::steady_clock::time_point kLoadTime = std::chrono::steady_clock::now();

double euclidean(const CityRow& a, const CityRow& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace

std::uint32_t millisecondsSinceLoad() {
  const auto elapsed = std::chrono::steady_clock::now() - kLoadTime;
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

bool roundedDistance(double length, double scale, std::int32_t* distance) {
  const double value = std::floor(length * scale + 0.5);
  if (!(value >= -2147483648.0 && value <= 2147483647.0)) return false;
  *distance = static_cast<std::int32_t>(value);
  return true;
}

GeneratedPosition nextGeneratedPosition(CrtRandom& random) {
  GeneratedPosition position{};
  position.x = random.next() % kCoordinateLimit;
  position.y = random.next() % kCoordinateLimit;
  return position;
}

void generateInstance(ProblemData& problem, std::int32_t num, std::uint32_t seed) {
  resetBounds(problem);
  problem.count = num;
  problem.hasCoordinates = 1;
  CrtRandom random(seed);
  double best = kLargestDouble;
  for (int a = 0; a < num; ++a) {
    CityRow& row = problem.rows[a];
    std::snprintf(row.name, sizeof row.name, "%d", a + 1);
    const GeneratedPosition position = nextGeneratedPosition(random);
    row.x = position.x;
    row.y = position.y;
    if (best > row.x) {
      best = row.x;
      problem.startCity = a;
    }
    extendBounds(problem, row.x, row.y);
  }
  for (int i = 0; i < num; ++i) {
    for (int j = 0; j < num; ++j) {
      // Generated coordinates are 0 .. 9999, so every distance fits.
      roundedDistance(euclidean(problem.rows[i], problem.rows[j]), 1.0, &problem.rows[i].dist[j]);
    }
    sortNeighbourOrder(problem, i);
  }
}

bool computeDistances(ProblemData& problem, double scale) {
  bool allFit = true;
  const int n = problem.count;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      std::int32_t& entry = problem.rows[i].dist[j];
      if (!roundedDistance(euclidean(problem.rows[i], problem.rows[j]), scale, &entry)) {
        entry = std::numeric_limits<std::int32_t>::max();
        allFit = false;
      }
    }
    sortNeighbourOrder(problem, i);
  }
  return allFit;
}

namespace {

// A fresh instance of count cities named 1 .. count, as a new object holds them otherwise.
void startLoadedInstance(ProblemData& problem, std::int32_t count) {
  initProblemData(problem);
  problem.count = count;
  for (int i = 0; i < count; ++i) {
    std::snprintf(problem.rows[i].name, sizeof problem.rows[i].name, "%d", i + 1);
  }
}

}  // namespace

void loadDistanceMatrix(ProblemData& problem, std::int32_t count, const std::int32_t* distances) {
  startLoadedInstance(problem, count);
  for (int i = 0; i < count; ++i) {
    std::memcpy(problem.rows[i].dist, distances + static_cast<std::ptrdiff_t>(i) * count,
                static_cast<std::size_t>(count) * sizeof distances[0]);
    sortNeighbourOrder(problem, i);
  }
}

bool loadCoordinates(ProblemData& problem, std::int32_t count, const double* coordinates) {
  startLoadedInstance(problem, count);
  if (count > 0) resetBounds(problem);
  for (int i = 0; i < count; ++i) {
    const double x = coordinates[2 * i];
    const double y = coordinates[2 * i + 1];
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    if (x < problem.minX) problem.startCity = i;
    setPosition(problem, i, x, y);
  }
  return computeDistances(problem, 1.0);
}

ErrorCode checkDistances(const ProblemData& problem) {
  const int n = problem.count;
  for (int i = 0; i < n; ++i) {
    for (int j = i; j < n; ++j) {
      const std::int32_t entry = problem.rows[i].dist[j];
      if (entry != problem.rows[j].dist[i]) return ErrorCode::DistanceNotSymmetric;
      if (i == j && entry != 0) return ErrorCode::SameCityDistanceNotZero;
      if (i != j && entry == 0) return ErrorCode::DistanceNotPositive;
    }
  }
  return ErrorCode::Success;
}

}  // namespace ringmarch
