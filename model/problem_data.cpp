#include "model/problem_data.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace ringmarch {

void initProblemData(ProblemData& problem) {
  std::memset(&problem, 0, sizeof problem);
}

void resetBounds(ProblemData& problem) {
  problem.minX = kLargestDouble;
  problem.minY = kLargestDouble;
  problem.maxX = kSmallestNormalDouble;
  problem.maxY = kSmallestNormalDouble;
}

void extendBounds(ProblemData& problem, double x, double y) {
  if (x < problem.minX) problem.minX = x;
  if (x > problem.maxX) problem.maxX = x;
  if (y < problem.minY) problem.minY = y;
  if (y > problem.maxY) problem.maxY = y;
}

void sortNeighbourOrder(ProblemData& problem, int row) {
  const int n = problem.count;
  CityRow& city = problem.rows[row];
  for (int k = 0; k < n; ++k) city.neighbourOrder[k] = k;
  if (n < 2) return;
  // The order of a stable exchange sort from the identity: ascending distance, ties in ascending
  // city number. Sorting by that pair gives the same order in n log n steps instead of n^2.
  std::sort(city.neighbourOrder, city.neighbourOrder + n, [&city](std::int32_t a, std::int32_t b) {
    return city.dist[a] != city.dist[b] ? city.dist[a] < city.dist[b] : a < b;
  });
}

void setPosition(ProblemData& problem, int city, double x, double y) {
  extendBounds(problem, x, y);
  problem.rows[city].x = x;
  problem.rows[city].y = y;
  problem.hasCoordinates = 1;
}

void setDistance(ProblemData& problem, int from, int to, std::int32_t d) {
  problem.rows[from].dist[to] = d;
}

void copyText(char (&field)[kTextCapacity], std::string_view text) {
  const std::size_t length = text.size() < kTextCapacity - 1 ? text.size() : kTextCapacity - 1;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

std::int32_t truncateToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

double truncateToWhole(double value) {
  return static_cast<double>(truncateToInt32(value));
}

}  // namespace ringmarch
