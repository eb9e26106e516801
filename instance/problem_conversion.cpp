// Conversion between the any-size Instance and the solver object's fixed-size ProblemData. Reads
// one, builds the other. The start city and neighbour order are set as the object's readers set
// them, so that the exact search sees the same problem whichever way an instance arrived.
#include "instance/problem_conversion.h"

#include <cstdio>
#include <new>
#include <vector>

namespace ringmarch {

std::unique_ptr<ProblemData> problemOf(const Instance& instance) {
  const int n = instance.size();
  if (n < 1 || n > kMaxCities) return nullptr;
  std::unique_ptr<ProblemData> problem(new (std::nothrow) ProblemData);
  if (!problem) return nullptr;
  initProblemData(*problem);
  problem->count = n;
  copyText(problem->name, instance.name);
  for (int i = 0; i < n; ++i) {
    CityRow& row = problem->rows[i];
    for (int j = 0; j < n; ++j) row.dist[j] = instance.distance(i, j);
    const std::size_t at = static_cast<std::size_t>(i);
    if (at < instance.labels.size() && !instance.labels[at].empty()) {
      copyText(row.name, instance.labels[at]);
    } else {
      std::snprintf(row.name, sizeof row.name, "%d", i + 1);
    }
  }
  for (int i = 0; i < n; ++i) sortNeighbourOrder(*problem, i);
  if (instance.hasPicture()) {
    // The object's coordinates are those of pictures (GEO: longitude across).
    resetBounds(*problem);
    for (int i = 0; i < n; ++i) {
      CityRow& row = problem->rows[i];
      row.x = instance.pictureX(i);
      row.y = instance.pictureY(i);
      if (row.x < problem->minX) problem->startCity = i;
      extendBounds(*problem, row.x, row.y);
    }
    problem->hasCoordinates = 1;
  }
  return problem;
}

std::optional<Instance> instanceOf(const ProblemData& problem, std::string* reason) {
  const int n = problem.count;
  if (n < 1 || n > kMaxCities) {
    if (reason != nullptr) *reason = "the problem holds " + std::to_string(n) + " cities";
    return std::nullopt;
  }
  std::vector<std::int32_t> matrix(static_cast<std::size_t>(n) * static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      matrix[static_cast<std::size_t>(i) * static_cast<std::size_t>(n) +
             static_cast<std::size_t>(j)] = problem.rows[i].dist[j];
    }
  }
  std::optional<Instance> instance = Instance::fromMatrix(n, std::move(matrix), reason);
  if (!instance) return std::nullopt;
  instance->name = problem.name;
  instance->labels.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) instance->labels.emplace_back(problem.rows[i].name);
  if (problem.hasCoordinates == 1) {
    std::vector<double> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      x[static_cast<std::size_t>(i)] = problem.rows[i].x;
      y[static_cast<std::size_t>(i)] = problem.rows[i].y;
    }
    instance->setDisplayCoordinates(std::move(x), std::move(y));
  }
  return instance;
}

}  // namespace ringmarch
