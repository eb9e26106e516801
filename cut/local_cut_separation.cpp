// Regions, the cover programme, the separation LP and the exact rounding of local cuts. A region is
// a component of the point's fractional edges with the cities next to it, or, for a component too
// large, balls grown from its cities in the support graph. The membership LP is: minimise the
// total deviation |sum_j lambda_j y_j - x| over mixes lambda of covers y; its rows' duals pi and
// the convexity row's mu satisfy pi.y <= -mu for every cover once no column prices out, and the
// point exceeds that by the LP's value.
#include "cut/local_cut_separation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <utility>

#include "cut/lp_solver.h"

namespace ringmarch::cut {

template <class Cost>
CoverProgramme<Cost>::CoverProgramme(int maxCities)
    : path_((std::size_t{1} << maxCities) * static_cast<std::size_t>(maxCities)),
      previous_(path_.size()),
      step_(static_cast<std::size_t>(maxCities * maxCities)),
      stepThroughOutside_(step_.size()) {}

// A cover by paths with both ends at the outside node is one walk from the outside node through
// every city once, going back to the outside node between some of them: the cheapest such walk
// is a Hamiltonian path programme over subsets (Held & Karp 1962) whose step from a to b costs
// the less of c(a, b) and c(a, outside) + c(outside, b). That takes 2^k k^2 / 4 steps, where
// choosing the paths by subset partitions took 3^k / 2 more (three times the work at 13 cities).
template <class Cost>
Cost CoverProgramme<Cost>::solve(int k, const std::vector<Cost>& cost, std::vector<int>* use) {
  const int width = k + 1;
  const std::size_t states = std::size_t{1} << k;
  const std::size_t cities = static_cast<std::size_t>(k);
  const auto at = [&](int a, int b) { return cost[static_cast<std::size_t>(a * width + b)]; };
  const Cost infinity = std::numeric_limits<Cost>::max() / 4;
  for (int a = 0; a < k; ++a) {
    for (int b = 0; b < k; ++b) {
      const Cost direct = at(a, b), through = at(a, k) + at(k, b);
      const std::size_t ab = static_cast<std::size_t>(a * k + b);
      stepThroughOutside_[ab] = through < direct;
      step_[ab] = std::min(direct, through);
    }
  }
  // path_[mask * k + v]: the cheapest walk from the outside node through exactly the cities of
  // mask, ending at v.
  std::fill_n(path_.begin(), states * cities, infinity);
  for (int v = 0; v < k; ++v) {
    path_[(std::size_t{1} << v) * cities + static_cast<std::size_t>(v)] = at(k, v);
    previous_[(std::size_t{1} << v) * cities + static_cast<std::size_t>(v)] = -1;
  }
  const std::size_t all = states - 1;
  // Raw pointers: the stores below cannot move the tables, and the compiler need not reload them.
  Cost* const path = path_.data();
  std::int8_t* const previous = previous_.data();
  const Cost* const step = step_.data();
  for (std::size_t mask = 1; mask < all; ++mask) {
    // Every walk through mask ends in mask: each (mask, v) with v in mask is reached.
    for (std::size_t ends = mask; ends != 0; ends &= ends - 1) {
      const int v = std::countr_zero(ends);
      const Cost here = path[mask * cities + static_cast<std::size_t>(v)];
      const Cost* const row = step + static_cast<std::size_t>(v * k);
      for (std::size_t free = all & ~mask; free != 0; free &= free - 1) {
        const int w = std::countr_zero(free);
        const std::size_t next =
            (mask | (std::size_t{1} << w)) * cities + static_cast<std::size_t>(w);
        const Cost value = here + row[w];
        if (value < path[next]) {
          path[next] = value;
          previous[next] = static_cast<std::int8_t>(v);
        }
      }
    }
  }
  Cost best = infinity;
  int bestEnd = 0;
  for (int v = 0; v < k; ++v) {
    const Cost value = path[all * cities + static_cast<std::size_t>(v)] + at(v, k);
    if (value < best) {
      best = value;
      bestEnd = v;
    }
  }
  if (use != nullptr) {
    use->assign(static_cast<std::size_t>(width * width), 0);
    const auto count = [&](int a, int b) {
      ++(*use)[static_cast<std::size_t>(std::min(a, b) * width + std::max(a, b))];
    };
    std::size_t mask = all;
    int v = bestEnd;
    count(v, k);
    while (true) {
      const int before = previous_[mask * cities + static_cast<std::size_t>(v)];
      if (before < 0) {
        count(v, k);
        break;
      }
      if (stepThroughOutside_[static_cast<std::size_t>(before * k + v)]) {
        count(before, k);
        count(k, v);
      } else {
        count(before, v);
      }
      mask ^= std::size_t{1} << v;
      v = before;
    }
  }
  return best;
}

template class CoverProgramme<double>;
template class CoverProgramme<std::int64_t>;

template <class Cost>
Cost cheapestCover(int k, const std::vector<Cost>& cost, std::vector<int>* use) {
  return CoverProgramme<Cost>(k).solve(k, cost, use);
}

template double cheapestCover<double>(int, const std::vector<double>&, std::vector<int>*);
template std::int64_t cheapestCover<std::int64_t>(int, const std::vector<std::int64_t>&,
                                                  std::vector<int>*);

namespace {

constexpr double kFractional = 1e-6;
constexpr int kMaxColumns = 200;  // cover columns per region: the LP is tiny, this is a safety net
constexpr int kMaxRegionsPerCall = 48;
constexpr double kEarlyShare = 0.8;

struct Found {
  double violation;
  CitySetCut cut;
};

// The support graph as adjacency lists, for growing regions.
struct Neighbours {
  std::vector<std::vector<std::pair<int, double>>> of;
  explicit Neighbours(const SupportGraph& g) : of(static_cast<std::size_t>(g.n)) {
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      of[static_cast<std::size_t>(g.u[e])].emplace_back(g.v[e], g.x[e]);
      of[static_cast<std::size_t>(g.v[e])].emplace_back(g.u[e], g.x[e]);
    }
  }
};

// Regions in a fixed order: per fractional component (by its lowest city), the component with
// its neighbours, or balls of maxRegion cities grown breadth-first from its cities in turn.
std::vector<std::vector<int>> chooseRegions(const SupportGraph& g, const Neighbours& near,
                                            int maxRegion) {
  DisjointSets components(g.n);
  std::vector<char> fractional(static_cast<std::size_t>(g.n), 0);
  for (std::size_t e = 0; e < g.x.size(); ++e) {
    if (g.x[e] > kFractional && g.x[e] < 1.0 - kFractional) {
      components.unite(g.u[e], g.v[e]);
      fractional[static_cast<std::size_t>(g.u[e])] = 1;
      fractional[static_cast<std::size_t>(g.v[e])] = 1;
    }
  }
  std::vector<std::vector<int>> members(static_cast<std::size_t>(g.n));
  for (int c = 0; c < g.n; ++c) {
    if (fractional[static_cast<std::size_t>(c)]) {
      members[static_cast<std::size_t>(components.find(c))].push_back(c);
    }
  }
  std::set<std::vector<int>> seen;
  std::vector<std::vector<int>> regions;
  std::vector<int> inRegion(static_cast<std::size_t>(g.n), 0);
  int stamp = 0;
  const auto keep = [&](std::vector<int> region) {
    std::sort(region.begin(), region.end());
    if (static_cast<int>(region.size()) >= 3 && static_cast<int>(region.size()) < g.n &&
        seen.insert(region).second) {
      regions.push_back(std::move(region));
    }
  };
  for (const auto& component : members) {
    if (component.size() < 2) continue;
    ++stamp;
    std::vector<int> region;
    for (int c : component) {
      inRegion[static_cast<std::size_t>(c)] = stamp;
      region.push_back(c);
    }
    for (int c : component) {
      for (const auto& [other, value] : near.of[static_cast<std::size_t>(c)]) {
        if (inRegion[static_cast<std::size_t>(other)] != stamp) {
          inRegion[static_cast<std::size_t>(other)] = stamp;
          region.push_back(other);
        }
      }
    }
    if (static_cast<int>(region.size()) <= maxRegion) {
      keep(std::move(region));
      continue;
    }
    // Too large: a ball from each city not yet near the middle of an earlier ball.
    std::vector<char> covered(static_cast<std::size_t>(g.n), 0);
    for (int seed : component) {
      if (covered[static_cast<std::size_t>(seed)]) continue;
      ++stamp;
      std::vector<int> ball{seed};
      inRegion[static_cast<std::size_t>(seed)] = stamp;
      for (std::size_t k = 0; k < ball.size() && static_cast<int>(ball.size()) < maxRegion; ++k) {
        for (const auto& [other, value] : near.of[static_cast<std::size_t>(ball[k])]) {
          if (static_cast<int>(ball.size()) >= maxRegion) break;
          if (inRegion[static_cast<std::size_t>(other)] != stamp) {
            inRegion[static_cast<std::size_t>(other)] = stamp;
            ball.push_back(other);
          }
        }
      }
      for (std::size_t k = 0; k < ball.size() / 2; ++k) {
        covered[static_cast<std::size_t>(ball[k])] = 1;
      }
      keep(std::move(ball));
    }
  }
  return regions;
}

class RegionSeparator {
 public:
  RegionSeparator(const SupportGraph& g, const std::vector<int>& region,
                  CoverProgramme<double>& real, CoverProgramme<std::int64_t>& whole)
      : real_(real),
        whole_(whole),
        region_(region),
        k_(static_cast<int>(region.size())),
        width_(k_ + 1),
        point_(static_cast<std::size_t>(width_ * width_), 0.0) {
    std::vector<int> local(static_cast<std::size_t>(g.n), -1);
    for (int i = 0; i < k_; ++i) local[static_cast<std::size_t>(region[i])] = i;
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      int a = local[static_cast<std::size_t>(g.u[e])], b = local[static_cast<std::size_t>(g.v[e])];
      if (a < 0 && b < 0) continue;
      if (a < 0) a = k_;
      if (b < 0) b = k_;
      if (a > b) std::swap(a, b);
      point_[static_cast<std::size_t>(a * width_ + b)] += g.x[e];
    }
    for (int a = 0; a < width_; ++a) {
      for (int b = a + 1; b < width_; ++b) pairs_.push_back(a * width_ + b);
    }
  }

  const std::vector<double>& point() const { return point_; }
  bool mix = false;  // the point was found to be a mix of covers

  // The covers that were columns of the LP, each as its use of the pairs a < b <= k in order.
  const std::vector<std::vector<std::uint8_t>>& covers() const { return covers_; }

  // A violated cut of this region, if the point is not a mix of covers. The LP starts from the
  // covers of an earlier look at the region, if any: the point moves little between rounds, and
  // those columns spare most of the dynamic programmes.
  std::optional<Found> separate(double minimumViolation,
                                const std::vector<std::vector<std::uint8_t>>* earlier) {
    const int count = static_cast<int>(pairs_.size());
    LpSolver lp;
    for (int r = 0; r < count; ++r) {
      const double x = point_[static_cast<std::size_t>(pairs_[static_cast<std::size_t>(r)])];
      lp.addRow(x, x, {}, {});
    }
    lp.addRow(1.0, 1.0, {}, {});
    for (int r = 0; r < count; ++r) {
      const int row[1] = {r};
      const double plus[1] = {1.0}, minus[1] = {-1.0};
      lp.addColumn(1.0, 0.0, LpSolver::kInfinity, row, plus);
      lp.addColumn(1.0, 0.0, LpSolver::kInfinity, row, minus);
    }
    // The first cover: the one closest to the point.
    std::vector<double> price(static_cast<std::size_t>(width_ * width_), 0.0);
    for (int p : pairs_) price[static_cast<std::size_t>(p)] = -point_[static_cast<std::size_t>(p)];
    mirror(price);
    real_.solve(k_, price, &use_);
    addColumn(lp, useOfPairs());
    if (earlier != nullptr) {
      for (const auto& cover : *earlier) {
        if (cover != covers_.front()) addColumn(lp, cover);
      }
    }
    std::vector<double> pi(static_cast<std::size_t>(count));
    double value = 0.0, mu = 0.0;
    while (true) {
      if (lp.solve() != LpStatus::Optimal) return std::nullopt;
      value = lp.objective();
      if (value < 1e-6) {
        mix = true;
        keepUsedCovers(lp);
        return std::nullopt;
      }
      const auto duals = lp.duals();
      for (int r = 0; r < count; ++r) pi[static_cast<std::size_t>(r)] = duals[r];
      mu = duals[count];
      std::fill(price.begin(), price.end(), 0.0);
      for (int r = 0; r < count; ++r) {
        price[static_cast<std::size_t>(pairs_[static_cast<std::size_t>(r)])] =
            -pi[static_cast<std::size_t>(r)];
      }
      mirror(price);
      // The cheapest cover under -pi: a column whose reduced cost -pi.y - mu is negative.
      // pi.y <= -cheapest holds for every cover y, so pi and the cheapest cover give a cut the
      // point violates by value + (cheapest - mu): once that is most of the LP's value (which
      // only falls as columns come in), it is taken without waiting for the last columns.
      const double cheapest = real_.solve(k_, price, &use_);
      if (cheapest - mu > -1e-9 || static_cast<int>(covers_.size()) >= kMaxColumns ||
          value + (cheapest - mu) >= kEarlyShare * value) {
        break;
      }
      addColumn(lp, useOfPairs());
    }
    keepUsedCovers(lp);
    if (value < minimumViolation) return std::nullopt;
    return roundCut(pi, minimumViolation);
  }

 private:
  // Copies each pair's cost a < b to (b, a): the cover programme reads the matrix both ways.
  template <class Cost>
  void mirror(std::vector<Cost>& price) const {
    for (int a = 0; a < width_; ++a) {
      for (int b = a + 1; b < width_; ++b) {
        price[static_cast<std::size_t>(b * width_ + a)] =
            price[static_cast<std::size_t>(a * width_ + b)];
      }
    }
  }

  // The covers the last solution mixes: those worth starting the next look with.
  void keepUsedCovers(const LpSolver& lp) {
    const auto lambda = lp.primal();
    const std::size_t first = 2 * pairs_.size();
    std::vector<std::vector<std::uint8_t>> used;
    for (std::size_t j = 0; j < covers_.size(); ++j) {
      if (lambda[first + j] > 1e-9) used.push_back(std::move(covers_[j]));
    }
    covers_ = std::move(used);
  }

  std::vector<std::uint8_t> useOfPairs() const {
    std::vector<std::uint8_t> cover(pairs_.size());
    for (std::size_t r = 0; r < pairs_.size(); ++r) {
      cover[r] = static_cast<std::uint8_t>(use_[static_cast<std::size_t>(pairs_[r])]);
    }
    return cover;
  }

  // A cover as a column of the membership LP.
  void addColumn(LpSolver& lp, std::vector<std::uint8_t> cover) {
    std::vector<int> rows;
    std::vector<double> values;
    for (std::size_t r = 0; r < pairs_.size(); ++r) {
      const int times = cover[r];
      if (times != 0) {
        rows.push_back(static_cast<int>(r));
        values.push_back(times);
      }
    }
    rows.push_back(static_cast<int>(pairs_.size()));
    values.push_back(1.0);
    lp.addColumn(0.0, 0.0, LpSolver::kInfinity, rows, values);
    covers_.push_back(std::move(cover));
  }

  // Whole coefficients at a few scales; each right-hand side exact. The least scale whose
  // violation per unit of scale comes close to the best one's wins: small coefficients keep the
  // engine's LP well conditioned.
  std::optional<Found> roundCut(const std::vector<double>& pi, double minimumViolation) {
    double largest = 0.0;
    for (double p : pi) {
      if (!std::isfinite(p)) return std::nullopt;  // a failed solve: nothing to round
      largest = std::max(largest, std::abs(p));
    }
    if (largest < 1e-9) return std::nullopt;
    static constexpr int kScales[] = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64};
    struct Rounded {
      int scale;
      double violation;
      std::vector<std::int64_t> coefficient;
      std::int64_t rhs;
    };
    std::vector<Rounded> tried;
    std::vector<std::int64_t> cost(static_cast<std::size_t>(width_ * width_), 0);
    for (int scale : kScales) {
      Rounded r{scale, 0.0, std::vector<std::int64_t>(pairs_.size()), 0};
      for (std::size_t i = 0; i < pairs_.size(); ++i) {
        r.coefficient[i] = std::llround(scale * pi[i] / largest);
        cost[static_cast<std::size_t>(pairs_[i])] = -r.coefficient[i];
      }
      mirror(cost);
      r.rhs = -whole_.solve(k_, cost, nullptr);  // max over covers of coefficient.y
      double lhs = 0.0;
      for (std::size_t i = 0; i < pairs_.size(); ++i) {
        lhs += static_cast<double>(r.coefficient[i]) * point_[static_cast<std::size_t>(pairs_[i])];
      }
      r.violation = lhs - static_cast<double>(r.rhs);
      tried.push_back(std::move(r));
    }
    double best = 0.0;
    for (const Rounded& r : tried) best = std::max(best, r.violation / r.scale);
    if (best <= 0.0) return std::nullopt;
    for (const Rounded& r : tried) {
      // Twice: the set form below doubles every coefficient.
      if (r.violation / r.scale < 0.75 * best || 2.0 * r.violation < minimumViolation) continue;
      return Found{2.0 * r.violation / r.scale, setForm(r.coefficient, r.rhs)};
    }
    return std::nullopt;
  }

  // sum a_uv x_uv + sum a_vO x(v, O) <= b over the region, with x_uv = 2 - x(delta({u,v}))/2 and
  // x(v, O) = 1 + x(delta(R))/2 - x(delta(R - v))/2 from the degree equations, times -2:
  // sum a_uv x(delta({u,v})) - (sum a_vO) x(delta(R)) + sum a_vO x(delta(R - v))
  //   >= -2b + 4 sum a_uv + 2 sum a_vO.
  CitySetCut setForm(const std::vector<std::int64_t>& coefficient, std::int64_t rhs) const {
    CitySetCut cut;
    cut.family = CutFamily::Local;
    std::int64_t right = -2 * rhs, outward = 0;
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
      const int a = pairs_[i] / width_, b = pairs_[i] % width_;
      const std::int64_t c = coefficient[i];
      if (c == 0) continue;
      if (b < k_) {
        cut.sets.push_back(
            {region_[static_cast<std::size_t>(a)], region_[static_cast<std::size_t>(b)]});
        cut.weights.push_back(static_cast<std::int32_t>(c));
        right += 4 * c;
      } else {
        std::vector<int> less;
        for (int j = 0; j < k_; ++j) {
          if (j != a) less.push_back(region_[static_cast<std::size_t>(j)]);
        }
        cut.sets.push_back(std::move(less));
        cut.weights.push_back(static_cast<std::int32_t>(c));
        right += 2 * c;
        outward += c;
      }
    }
    if (outward != 0) {
      cut.sets.push_back(region_);
      cut.weights.push_back(static_cast<std::int32_t>(-outward));
    }
    cut.rhs = static_cast<std::int32_t>(right);
    return cut;
  }

  CoverProgramme<double>& real_;
  CoverProgramme<std::int64_t>& whole_;
  const std::vector<int>& region_;
  int k_, width_;
  std::vector<double> point_;  // the point's value per pair a < b <= k (index a * width + b)
  std::vector<int> pairs_;
  std::vector<int> use_;
  std::vector<std::vector<std::uint8_t>> covers_;
};

}  // namespace

bool LocalCutMemory::knownMix(const std::vector<int>& region,
                              const std::vector<double>& point) const {
  const auto it = regions_.find(region);
  if (it == regions_.end() || !it->second.mix || it->second.point.size() != point.size()) {
    return false;
  }
  for (std::size_t i = 0; i < point.size(); ++i) {
    if (std::abs(it->second.point[i] - point[i]) > 1e-9) return false;
  }
  return true;
}

const std::vector<std::vector<std::uint8_t>>* LocalCutMemory::covers(
    const std::vector<int>& region) const {
  const auto it = regions_.find(region);
  return it == regions_.end() ? nullptr : &it->second.covers;
}

void LocalCutMemory::remember(const std::vector<int>& region, std::vector<double> point, bool mix,
                              std::vector<std::vector<std::uint8_t>> covers) {
  // Bounded: the memory only saves time, and forgetting costs a repeated look.
  if (regions_.size() >= kMaxRegions && !regions_.contains(region)) regions_.clear();
  regions_[region] = Look{std::move(point), mix, std::move(covers)};
}

std::vector<CitySetCut> separateLocalCuts(const SupportGraph& graph, int limit,
                                          double minimumViolation, LocalCutMemory* memory,
                                          int maxRegion) {
  maxRegion = std::clamp(maxRegion, 3, kMaxLocalRegion);
  const Neighbours near(graph);
  std::vector<std::vector<int>> regions = chooseRegions(graph, near, maxRegion);
  if (static_cast<int>(regions.size()) > kMaxRegionsPerCall) regions.resize(kMaxRegionsPerCall);
  std::vector<Found> found;
  CoverProgramme<double> real(maxRegion);
  CoverProgramme<std::int64_t> whole(maxRegion);
  for (const auto& region : regions) {
    RegionSeparator separator(graph, region, real, whole);
    if (memory != nullptr && memory->knownMix(region, separator.point())) continue;
    std::optional<Found> cut =
        separator.separate(minimumViolation, memory != nullptr ? memory->covers(region) : nullptr);
    if (memory != nullptr) {
      memory->remember(region, separator.point(), separator.mix, separator.covers());
    }
    if (cut && canonicalize(cut->cut, graph.n)) found.push_back(std::move(*cut));
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.violation > b.violation; });
  std::vector<CitySetCut> cuts;
  for (auto& f : found) {
    if (static_cast<int>(cuts.size()) >= limit) break;
    cuts.push_back(std::move(f.cut));
  }
  return cuts;
}

}  // namespace ringmarch::cut
