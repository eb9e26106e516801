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

std::unique_ptr<ProblemData> circleInstance(int count, double radius) {
  auto problem = std::make_unique<ProblemData>();
  initProblemData(*problem);
  problem->count = count;
  const double pi = std::acos(-1.0);
  // Angles grow by slightly different steps, so no two chords have the same length.
  double total = 0;
  std::vector<double> steps(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    steps[static_cast<std::size_t>(i)] = 1.0 + 0.37 * std::sin(1.3 * i) + 0.01 * i;
    total += steps[static_cast<std::size_t>(i)];
  }
  double angle = 0;
  for (int i = 0; i < count; ++i) {
    problem->rows[i].x = 10000 + radius * std::cos(angle);
    problem->rows[i].y = 10000 + radius * std::sin(angle);
    angle += 2 * pi * steps[static_cast<std::size_t>(i)] / total;
  }
  problem->hasCoordinates = 1;
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
