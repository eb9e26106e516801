#include "separator_fixtures.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <numeric>

namespace ringmarch::cut::fixtures {

namespace {

// SplitMix64: the same numbers on every platform, unlike the standard distributions.
struct Random {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int below(int bound) { return static_cast<int>(next() % static_cast<std::uint64_t>(bound)); }
  template <class T>
  void shuffle(std::vector<T>& items) {
    for (int i = static_cast<int>(items.size()) - 1; i > 0; --i)
      std::swap(items[i], items[below(i + 1)]);
  }
};

}  // namespace

SupportGraph graphOf(int n, const std::vector<WeightedEdge>& edges) {
  SupportGraph g;
  g.n = n;
  for (const auto& e : edges) {
    g.u.push_back(e.a);
    g.v.push_back(e.b);
    g.x.push_back(e.x);
  }
  return g;
}

SupportGraph twoTriangles() {
  return graphOf(6, {{0, 1, 0.5},
                     {1, 2, 0.5},
                     {0, 2, 0.5},
                     {3, 4, 0.5},
                     {4, 5, 0.5},
                     {3, 5, 0.5},
                     {0, 3, 1.0},
                     {1, 4, 1.0},
                     {2, 5, 1.0}});
}

SupportGraph petersen() {
  std::vector<WeightedEdge> edges;
  for (int i = 0; i < 5; ++i) {
    edges.push_back({i, (i + 1) % 5, 0.5});
    edges.push_back({5 + i, 5 + (i + 2) % 5, 0.5});
    edges.push_back({i, 5 + i, 1.0});
  }
  return graphOf(10, edges);
}

SupportGraph threeCityTeeth() {
  // a_i = i, b_i = 3 + 2i, c_i = 4 + 2i.
  std::vector<WeightedEdge> edges;
  for (int i = 0; i < 3; ++i) {
    const int b = 3 + 2 * i, c = 4 + 2 * i, nextB = 3 + 2 * ((i + 1) % 3);
    edges.push_back({i, (i + 1) % 3, 0.5});
    edges.push_back({i, b, 0.5});
    edges.push_back({i, c, 0.5});
    edges.push_back({b, c, 1.0});
    edges.push_back({c, nextB, 0.5});
  }
  return graphOf(9, edges);
}

SupportGraph tourGraph(int n) {
  std::vector<WeightedEdge> edges;
  for (int i = 0; i < n; ++i) edges.push_back({i, (i + 1) % n, 1.0});
  return graphOf(n, edges);
}

SupportGraph randomFractionalPoint(int n, double share, std::uint64_t seed) {
  if (n < 6) return tourGraph(n);  // two odd cycles need six cities
  Random random{seed};
  while (true) {
    std::vector<int> cities(static_cast<std::size_t>(n));
    std::iota(cities.begin(), cities.end(), 0);
    random.shuffle(cities);
    // An even number of odd cycles at 1/2, of 3 or 5 cities.
    const int pairs = 1 + random.below(std::max(1, n / 12));
    std::vector<std::vector<int>> cycles;
    std::size_t used = 0;
    for (int c = 0; c < 2 * pairs; ++c) {
      std::size_t length = random.below(2) == 0 ? 3 : 5;
      if (used + length > cities.size()) length = 3;
      if (used + length > cities.size()) break;
      cycles.emplace_back(cities.begin() + used, cities.begin() + used + length);
      used += length;
    }
    if (cycles.size() % 2 == 1) cycles.pop_back();
    if (cycles.empty()) continue;
    std::map<std::pair<int, int>, double> x;
    auto add = [&](int a, int b, double value) { x[{std::min(a, b), std::max(a, b)}] += value; };
    std::vector<int> ends;
    used = 0;
    for (const auto& cycle : cycles) {
      for (std::size_t i = 0; i < cycle.size(); ++i) {
        add(cycle[i], cycle[(i + 1) % cycle.size()], 0.5 * share);
        ends.push_back(cycle[i]);
      }
      used += cycle.size();
    }
    // Each cycle city needs one more unit: paths of 1-edges pair them up, through the rest.
    random.shuffle(ends);
    std::vector<std::vector<int>> paths(ends.size() / 2);
    for (std::size_t c = used; c < cities.size(); ++c) {
      paths[static_cast<std::size_t>(random.below(static_cast<int>(paths.size())))].push_back(
          cities[c]);
    }
    for (std::size_t p = 0; p < paths.size(); ++p) {
      int previous = ends[2 * p];
      for (int c : paths[p]) add(previous, c, share), previous = c;
      add(previous, ends[2 * p + 1], share);
    }
    std::vector<int> tour(static_cast<std::size_t>(n));
    std::iota(tour.begin(), tour.end(), 0);
    random.shuffle(tour);
    if (share < 1.0) {
      for (int i = 0; i < n; ++i) add(tour[i], tour[(i + 1) % n], 1.0 - share);
    }
    bool simple = true;
    std::vector<WeightedEdge> edges;
    for (const auto& [ends2, value] : x) {
      simple = simple && value <= 1.0 + 1e-12;
      edges.push_back({ends2.first, ends2.second, value});
    }
    if (simple) return graphOf(n, edges);
  }
}

SupportGraph expandCities(const SupportGraph& g, int count, std::uint64_t seed) {
  Random random{seed};
  SupportGraph out = g;
  std::vector<int> cities(static_cast<std::size_t>(g.n));
  std::iota(cities.begin(), cities.end(), 0);
  random.shuffle(cities);
  for (int i = 0; i < count && i < g.n; ++i) {
    const int w = cities[i], twin = out.n++;
    std::vector<std::size_t> incident;
    for (std::size_t e = 0; e < out.x.size(); ++e) {
      if (out.u[e] == w || out.v[e] == w) incident.push_back(e);
    }
    random.shuffle(incident);
    double kept = 0.0;
    for (std::size_t e : incident) {
      const int other = out.u[e] == w ? out.v[e] : out.u[e];
      const double part = std::min(out.x[e], std::max(0.0, 1.0 - kept));
      kept += part;
      const double moved = out.x[e] - part;
      if (moved <= 1e-12) continue;
      if (part > 1e-12) {
        out.x[e] = part;
        out.u.push_back(twin), out.v.push_back(other), out.x.push_back(moved);
      } else {
        (out.u[e] == w ? out.u[e] : out.v[e]) = twin;
      }
    }
    out.u.push_back(w), out.v.push_back(twin), out.x.push_back(1.0);
  }
  return out;
}

bool satisfiesSubtours(const SupportGraph& g) {
  const std::uint32_t all = (1u << g.n) - 1;
  for (std::uint32_t s = 1; s < all; s += 2) {  // the sets holding city 0
    double cut = 0.0;
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      if (((s >> g.u[e]) & 1) != ((s >> g.v[e]) & 1)) cut += g.x[e];
    }
    if (cut < 2.0 - 1e-9) return false;
  }
  return true;
}

bool isCombByEnumeration(const CitySetCut& cut, int n) {
  const std::size_t N = static_cast<std::size_t>(n);
  std::vector<std::vector<std::uint8_t>> in(cut.sets.size(), std::vector<std::uint8_t>(N, 0));
  for (std::size_t s = 0; s < cut.sets.size(); ++s) {
    for (int c : cut.sets[s]) in[s][c] = 1;
  }
  const int k = static_cast<int>(cut.sets.size()) - 1;
  if (k < 3 || k % 2 == 0 || cut.rhs != 3 * k + 1) return false;
  std::vector<int> owners(N);
  for (std::size_t h = 0; h < in.size(); ++h) {
    for (int complemented = -1; complemented < static_cast<int>(in.size()); ++complemented) {
      if (complemented == static_cast<int>(h)) continue;
      std::fill(owners.begin(), owners.end(), 0);
      bool comb = true;
      for (std::size_t t = 0; t < in.size() && comb; ++t) {
        if (t == h) continue;
        bool inside = false, outside = false;
        for (std::size_t c = 0; c < N; ++c) {
          const bool inTooth = (in[t][c] != 0) != (static_cast<int>(t) == complemented);
          if (!inTooth) continue;
          (in[h][c] ? inside : outside) = true;
          if (++owners[c] > 1) comb = false;
        }
        comb = comb && inside && outside;
      }
      if (comb) return true;
    }
  }
  return false;
}

namespace {

// Per pair of cities (a * n + b): the weight of the cut's sets that hold exactly one of them, so
// that a tour's activity is the sum over its edges.
std::vector<int> crossingWeights(const CitySetCut& cut, int n) {
  std::vector<std::vector<char>> in(cut.sets.size(),
                                    std::vector<char>(static_cast<std::size_t>(n)));
  for (std::size_t s = 0; s < cut.sets.size(); ++s) {
    for (int c : cut.sets[s]) in[s][c] = 1;
  }
  std::vector<int> crossing(static_cast<std::size_t>(n * n), 0);
  for (int a = 0; a < n; ++a) {
    for (int b = 0; b < n; ++b) {
      for (std::size_t s = 0; s < cut.sets.size(); ++s) {
        if (in[s][a] != in[s][b]) crossing[a * n + b] += cut.weight(s);
      }
    }
  }
  return crossing;
}

}  // namespace

int smallestTourActivity(const CitySetCut& cut, int n) {
  const std::vector<int> crossing = crossingWeights(cut, n);
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  int smallest = std::numeric_limits<int>::max();
  do {
    int activity = 0;
    for (int i = 0; i < n; ++i) activity += crossing[order[i] * n + order[(i + 1) % n]];
    smallest = std::min(smallest, activity);
  } while (std::next_permutation(order.begin() + 1, order.end()));
  return smallest;
}

int tightTourCount(const CitySetCut& cut, int n) {
  const std::vector<int> crossing = crossingWeights(cut, n);
  // Gaussian elimination over the tight tours' incidence vectors with a leading 1 (affine rank),
  // each reduced against the rows kept so far.
  const int width = n * (n - 1) / 2 + 1;
  std::vector<std::vector<double>> basis;
  std::vector<int> lead;
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::vector<double> row(static_cast<std::size_t>(width));
  const auto edgeIndex = [n](int a, int b) {
    if (a > b) std::swap(a, b);
    return 1 + a * n - a * (a + 1) / 2 + (b - a - 1);
  };
  do {
    if (order[1] > order[n - 1]) continue;  // each tour once
    int activity = 0;
    for (int i = 0; i < n; ++i) activity += crossing[order[i] * n + order[(i + 1) % n]];
    if (activity != cut.rhs) continue;
    std::fill(row.begin(), row.end(), 0.0);
    row[0] = 1.0;
    for (int i = 0; i < n; ++i) row[edgeIndex(order[i], order[(i + 1) % n])] = 1.0;
    for (std::size_t r = 0; r < basis.size(); ++r) {
      const double f = row[lead[r]];
      if (f != 0.0) {
        for (int j = 0; j < width; ++j) row[j] -= f * basis[r][j];
      }
    }
    int pivot = -1;
    for (int j = 0; j < width && pivot < 0; ++j) {
      if (std::abs(row[j]) > 1e-9) pivot = j;
    }
    if (pivot < 0) continue;
    const double p = row[pivot];
    for (double& v : row) v /= p;
    for (std::size_t r = 0; r < basis.size(); ++r) {
      const double f = basis[r][pivot];
      if (f != 0.0) {
        for (int j = 0; j < width; ++j) basis[r][j] -= f * row[j];
      }
    }
    basis.push_back(row);
    lead.push_back(pivot);
  } while (std::next_permutation(order.begin() + 1, order.end()));
  return static_cast<int>(basis.size());
}

double bruteForceBlossomViolation(const SupportGraph& g) {
  std::vector<double> degree(static_cast<std::size_t>(g.n), 0.0);
  for (std::size_t e = 0; e < g.x.size(); ++e) degree[g.u[e]] += g.x[e], degree[g.v[e]] += g.x[e];
  double best = 0.0;
  const std::uint32_t all = (1u << g.n) - 1;
  std::vector<std::size_t> crossing;
  for (std::uint32_t h = 1; h < all; h += 2) {
    double handleCut = 0.0;
    crossing.clear();
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      if (((h >> g.u[e]) & 1) != ((h >> g.v[e]) & 1)) {
        handleCut += g.x[e];
        crossing.push_back(e);
      }
    }
    // violation = 3k + 1 - x(delta(H)) - sum_T x(delta(T)) = 1 - x(delta(H)) + sum_T (3 -
    // x(delta(T)))
    std::function<void(std::size_t, std::uint32_t, int, double)> extend =
        [&](std::size_t from, std::uint32_t covered, int k, double gain) {
          if (k >= 3 && k % 2 == 1) best = std::max(best, 1.0 - handleCut + gain);
          for (std::size_t i = from; i < crossing.size(); ++i) {
            const std::size_t e = crossing[i];
            const std::uint32_t ends = (1u << g.u[e]) | (1u << g.v[e]);
            if (covered & ends) continue;
            const double tooth = degree[g.u[e]] + degree[g.v[e]] - 2.0 * g.x[e];
            extend(i + 1, covered | ends, k + 1, gain + 3.0 - tooth);
          }
        };
    extend(0, 0, 0, 0.0);
  }
  return best;
}

double violationOf(const CitySetCut& cut, const SupportGraph& g) {
  std::vector<std::uint8_t> scratch;
  return cut.rhs - cutActivity(cut, g.u, g.v, g.x, scratch, g.n);
}

}  // namespace ringmarch::cut::fixtures
