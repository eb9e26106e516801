// Tours between an instance and the engine's graph: the twin form lists entry then exit for each
// city in the tour's order; reading back walks the graph tour from an entry towards its exit.
#include "cut/engine_graph.h"

namespace ringmarch::cut {

namespace {
constexpr int kMostTabledCities = 4096;
}  // namespace

EngineGraph::EngineGraph(const Instance& instance)
    : instance_(&instance),
      cities_(instance.size()),
      twin_(!instance.isSymmetric()),
      nodes_(twin_ ? 2 * cities_ : cities_) {
  if (instance.isExplicit() || cities_ > kMostTabledCities) return;
  const auto n = static_cast<std::size_t>(cities_);
  table_.resize(n * n);
  for (int a = 0; a < cities_; ++a) {
    for (int b = 0; b < cities_; ++b) {
      table_[static_cast<std::size_t>(a) * n + static_cast<std::size_t>(b)] =
          instance.distance(a, b);
    }
  }
}

std::vector<int> EngineGraph::nodeTourOf(std::span<const int> cityTour) const {
  if (!twin_) return {cityTour.begin(), cityTour.end()};
  std::vector<int> nodes;
  nodes.reserve(cityTour.size() * 2);
  for (int city : cityTour) {
    nodes.push_back(city);
    nodes.push_back(city + cities_);
  }
  return nodes;
}

std::vector<int> EngineGraph::cityTourOf(std::span<const int> nodeTour) const {
  const int n = nodes_;
  if (static_cast<int>(nodeTour.size()) != n) return {};
  std::vector<char> seen(static_cast<std::size_t>(n), 0);
  for (int node : nodeTour) {
    if (node < 0 || node >= n || seen[static_cast<std::size_t>(node)]) return {};
    seen[static_cast<std::size_t>(node)] = 1;
  }
  for (int k = 0; k < n; ++k) {
    if (isAbsent(nodeTour[k], nodeTour[(k + 1) % n])) return {};
  }
  if (!twin_) return {nodeTour.begin(), nodeTour.end()};
  // Walk from the first entry in the direction of its exit; each exit's next node is the next
  // city's entry.
  int start = 0;
  while (nodeTour[start] >= cities_) ++start;
  const int entry = nodeTour[start];
  const int after = nodeTour[(start + 1) % n];
  const int before = nodeTour[(start + n - 1) % n];
  int step = 0;
  if (after == entry + cities_) {
    step = 1;
  } else if (before == entry + cities_) {
    step = n - 1;
  } else {
    return {};
  }
  std::vector<int> cities;
  cities.reserve(static_cast<std::size_t>(cities_));
  for (int k = 0, at = start; k < cities_; ++k) {
    const int in = nodeTour[at];
    const int out = nodeTour[(at + step) % n];
    if (in >= cities_ || out != in + cities_) return {};
    cities.push_back(in);
    at = (at + 2 * step) % n;
  }
  return cities;
}

std::int64_t EngineGraph::nodeTourLength(std::span<const int> nodeTour) const {
  std::int64_t length = 0;
  const std::size_t n = nodeTour.size();
  for (std::size_t k = 0; k < n; ++k) length += cost(nodeTour[k], nodeTour[(k + 1) % n]);
  return length;
}

}  // namespace ringmarch::cut
