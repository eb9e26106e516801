#include "object/asymmetric_solve.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace ringmarch {
namespace {

// Passes the search's progress on with the form's lengths turned into directed lengths.
class DirectedMonitor final : public SolveMonitor {
 public:
  DirectedMonitor(SolveMonitor& inner, const SymmetricForm& form) : inner_(inner), form_(form) {}

  bool onProgress(const SolveProgress& progress) override {
    return inner_.onProgress(directed(progress));
  }
  bool keepGoing(const SolveProgress& progress) override {
    return inner_.keepGoing(directed(progress));
  }

 private:
  // Every directed tour is a tour of the form pairLength longer, so a bound on the form's tours
  // less pairLength bounds the directed ones (0: no bound known). Before the search holds a
  // directed tour there is no directed length to show.
  SolveProgress directed(const SolveProgress& progress) const {
    SolveProgress shown = progress;
    shown.bestLength = progress.bestLength <= form_.largestTour
                           ? static_cast<std::int32_t>(progress.bestLength - form_.pairLength)
                           : 0;
    shown.lowerBound = progress.lowerBound > form_.pairLength
                           ? static_cast<std::int32_t>(progress.lowerBound - form_.pairLength)
                           : 0;
    return shown;
  }

  SolveMonitor& inner_;
  const SymmetricForm& form_;
};

// A search stopped early may hold a tour of the form that is no directed tour; the original
// cities in the order that tour first reaches each pair are still a tour of the instance.
std::vector<std::int32_t> citiesInVisitOrder(const SymmetricForm& form, const std::int32_t* order,
                                             std::int32_t startCity) {
  const int n = form.cities;
  std::vector<bool> seen(static_cast<std::size_t>(n), false);
  std::vector<std::int32_t> tour;
  for (int k = 0; k < 2 * n; ++k) {
    const std::int32_t city = order[k] % n;
    if (!seen[city]) {
      seen[city] = true;
      tour.push_back(city);
    }
  }
  const auto start = std::find(tour.begin(), tour.end(), startCity);
  if (start != tour.end()) std::rotate(tour.begin(), start, tour.end());
  return tour;
}

}  // namespace

bool hasAsymmetricDistances(const ProblemData& instance) {
  for (int i = 0; i < instance.count; ++i) {
    for (int j = i + 1; j < instance.count; ++j) {
      if (instance.rows[i].dist[j] != instance.rows[j].dist[i]) return true;
    }
  }
  return false;
}

bool buildSymmetricForm(const ProblemData& directed, ProblemData& symmetric, SymmetricForm& form) {
  const std::int64_t n = directed.count;
  if (n < 1 || 2 * n > kMaxCities) return false;
  std::int64_t smallest = std::numeric_limits<std::int64_t>::max();
  std::int64_t largest = std::numeric_limits<std::int64_t>::min();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (i == j) continue;
      smallest = std::min<std::int64_t>(smallest, directed.rows[i].dist[j]);
      largest = std::max<std::int64_t>(largest, directed.rows[i].dist[j]);
    }
  }
  if (n == 1) smallest = largest = 0;
  // Directed tours must fit 32 bits: n arcs of at most the largest magnitude.
  const std::int64_t magnitude = std::max(largest, -smallest);
  if (n * magnitude > std::numeric_limits<std::int32_t>::max()) return false;
  // Pair edges cost 0 and arc edges M + (d - smallest) with M > n * spread, so any tour missing a
  // pair edge is longer than every directed tour; same-side edges cost 2M, so a tour using them
  // (at least two) is longer as well.
  const std::int64_t spread = largest - smallest;
  const std::int64_t arcBase = n * spread + 1;
  const std::int64_t sameSide = 2 * arcBase;
  // The form's longest tour uses 2n edges of at most sameSide.
  if (2 * n * sameSide > std::numeric_limits<std::int32_t>::max()) return false;

  initProblemData(symmetric);
  const int cities = static_cast<int>(2 * n);
  symmetric.count = cities;
  copyText(symmetric.name, directed.name);
  for (int a = 0; a < cities; ++a) {
    for (int b = 0; b < cities; ++b) {
      std::int64_t d = 0;
      const int from = a % static_cast<int>(n);
      const int to = b % static_cast<int>(n);
      const bool aPrimed = a >= n;
      const bool bPrimed = b >= n;
      if (a == b) {
        d = 0;
      } else if (from == to) {
        d = 0;  // the pair edge i - i'
      } else if (aPrimed == bPrimed) {
        d = sameSide;
      } else if (aPrimed) {
        d = arcBase + directed.rows[from].dist[to] - smallest;  // i' - j: the arc i -> j
      } else {
        d = arcBase + directed.rows[to].dist[from] - smallest;  // i - j': the arc j -> i
      }
      symmetric.rows[a].dist[b] = static_cast<std::int32_t>(d);
    }
  }
  for (int a = 0; a < cities; ++a) sortNeighbourOrder(symmetric, a);
  form.cities = static_cast<std::int32_t>(n);
  form.pairLength = n * (arcBase - smallest);
  form.largestTour = n * arcBase + n * spread;
  return true;
}

std::vector<std::int32_t> directedTourOf(const SymmetricForm& form, const std::int32_t* order,
                                         std::int32_t startCity) {
  const int n = form.cities;
  const int cities = 2 * n;
  std::vector<std::int32_t> forward(order, order + cities);
  // Walk so that each city comes right before its primed twin.
  const auto zero = std::find(forward.begin(), forward.end(), 0);
  if (zero == forward.end()) return {};
  std::rotate(forward.begin(), zero, forward.end());
  if (forward[1] != n) {
    std::reverse(forward.begin() + 1, forward.end());
  }
  std::vector<std::int32_t> tour;
  for (int k = 0; k < cities; k += 2) {
    const std::int32_t city = forward[k];
    if (city < 0 || city >= n || forward[k + 1] != city + n) return {};
    tour.push_back(city);
  }
  const auto start = std::find(tour.begin(), tour.end(), startCity);
  if (start != tour.end()) std::rotate(tour.begin(), start, tour.end());
  return tour;
}

ErrorCode solveAsymmetricInstance(TourRecord& result, const ProblemData& instance,
                                  const SolveOptions& options, SolveStatistics* statistics) {
  auto symmetric = std::make_unique<ProblemData>();
  SymmetricForm form;
  if (!buildSymmetricForm(instance, *symmetric, form)) return ErrorCode::DistanceOutOfRange;
  std::unique_ptr<DirectedMonitor> monitor;
  SolveOptions formOptions = options;
  if (options.monitor != nullptr) {
    monitor = std::make_unique<DirectedMonitor>(*options.monitor, form);
    formOptions.monitor = monitor.get();
  }
  auto formTour = std::make_unique<TourRecord>();
  initTour(*formTour, symmetric.get(), -1);
  SolveStatistics formStatistics;
  const ErrorCode code = solveInstance(*formTour, *symmetric, formOptions, &formStatistics);

  initTour(result, &instance, -1);
  std::vector<std::int32_t> tour;
  if (formTour->count == symmetric->count) {
    tour = directedTourOf(form, formTour->order, instance.startCity);
    if (tour.empty()) tour = citiesInVisitOrder(form, formTour->order, instance.startCity);
  }
  for (const std::int32_t city : tour) appendCity(result, city);
  if (statistics != nullptr) {
    *statistics = formStatistics;
    statistics->initialLength =
        formStatistics.initialLength <= form.largestTour
            ? static_cast<std::int32_t>(formStatistics.initialLength - form.pairLength)
            : result.length;
    const auto directedBound = [&](std::int32_t formBound) {
      return formBound > form.pairLength ? static_cast<std::int32_t>(formBound - form.pairLength)
                                         : 0;
    };
    statistics->improvedLength =
        formStatistics.improvedLength <= form.largestTour
            ? static_cast<std::int32_t>(formStatistics.improvedLength - form.pairLength)
            : statistics->initialLength;
    statistics->lowerBound = directedBound(formStatistics.lowerBound);
    statistics->firstLevelBound = directedBound(formStatistics.firstLevelBound);
  }
  return code;
}

}  // namespace ringmarch
