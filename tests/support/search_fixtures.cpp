#include "support/search_fixtures.h"

#include <cmath>

#include "model/generation.h"
#include "solver/tour_record.h"

namespace ringmarch::testing {

std::unique_ptr<ProblemData> euclideanInstance(int count, std::uint32_t seed) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  generateInstance(*problem, count, seed);
  return problem;
}

std::unique_ptr<ProblemData> explicitInstance(int count, std::uint32_t seed, int largest,
                                              int startCity) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = count;
  problem->startCity = startCity;
  CrtRandom random(seed);
  for (int i = 0; i < count; ++i) {
    problem->rows[i].dist[i] = 0;
    for (int j = i + 1; j < count; ++j) {
      const std::int32_t d = 1 + random.next() % largest;
      problem->rows[i].dist[j] = d;
      problem->rows[j].dist[i] = d;
    }
  }
  for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
  return problem;
}

std::unique_ptr<ProblemData> matrixInstance(const std::vector<std::vector<int>>& matrix,
                                            int startCity) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  const int count = static_cast<int>(matrix.size());
  problem->count = count;
  problem->startCity = startCity;
  for (int i = 0; i < count; ++i) {
    for (int j = 0; j < count; ++j) problem->rows[i].dist[j] = matrix[i][j];
  }
  for (int i = 0; i < count; ++i) sortNeighbourOrder(*problem, i);
  return problem;
}

std::unique_ptr<ProblemData> arcInstance(int count, double spanFraction, int shift) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = count;
  const double pi = std::acos(-1.0);
  std::vector<double> steps(static_cast<std::size_t>(count));
  double total = 0;
  for (int k = 0; k < count; ++k) {
    steps[static_cast<std::size_t>(k)] = 1.0 + 0.37 * std::sin(1.3 * k) + 0.01 * k;
    total += steps[static_cast<std::size_t>(k)];
  }
  double angle = 0;
  for (int k = 0; k < count; ++k) {
    CityRow& row = problem->rows[(k + shift) % count];
    row.x = 10000 + 9000 * std::cos(angle);
    row.y = 10000 + 9000 * std::sin(angle);
    angle += spanFraction * pi * steps[static_cast<std::size_t>(k)] / total;
  }
  problem->hasCoordinates = 1;
  problem->startCity = 0;
  computeDistances(*problem, 1.0);
  return problem;
}

SolveOutcome solveProblem(const ProblemData& problem, const SolveOptions& options) {
  SolveOutcome outcome;
  TourRecord tour;
  initTour(tour, &problem, 0);
  outcome.code = solveInstance(tour, problem, options, &outcome.statistics);
  outcome.length = tour.length;
  for (int k = 0; k < tour.count; ++k) outcome.order.push_back(tour.order[k]);
  return outcome;
}

}  // namespace ringmarch::testing
