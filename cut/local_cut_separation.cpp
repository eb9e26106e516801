// Regions, the cover programme, the separation LP and the exact rounding of local cuts. A region is
// a component of the point's fractional edges with the cities next to it, or, for a component too
// large, balls grown from its cities in the support graph. The membership LP is: minimise the
// total deviation |sum_j lambda_j y_j + sum_p rho_p 2e_p - x| over mixes lambda of covers y, where
// 2e_p adds two trips along a pair p of nodes that may both be entered again (a ray of the covers'
// hull); its rows' duals pi and the convexity row's mu satisfy pi.y <= -mu for every cover and
// pi_p <= 0 on those pairs once no column prices out, and the point exceeds that by the LP's
// value. That inequality separates, but it need not be a facet of the covers' hull, and a weak one
// moves the engine's bound little. So a second LP tilts it onto the facet that the ray from a
// point inside the hull, the mean c of the covers seen, towards x leaves the hull through: it
// maximises t over mixes of covers equal to c + t (x - c) (a target cut, Buchheim, Liers & Oswald,
// "Local cuts revisited", 2008); its duals at an optimum are that facet's normal, scaled so that
// the point exceeds it by 1 - t.
#include "cut/local_cut_separation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "cut/lp_solver.h"

namespace ringmarch::cut {

template <class Cost>
CoverProgramme<Cost>::CoverProgramme(int maxCities)
    : path_((std::size_t{1} << maxCities) * static_cast<std::size_t>(maxCities)),
      step_(static_cast<std::size_t>((maxCities + 1) * (maxCities + 1))),
      stepVia_(step_.size()) {}

// A cover by paths with both ends at the outside node is one walk from the outside node through
// every city once, going back to the outside node between some of them: the cheapest such walk
// is a Hamiltonian path programme over subsets (Held & Karp 1962) whose step from a to b costs
// the least of c(a, b) and the ways from a to b through the nodes that may be visited again (the
// outside node and the revisitable ones, by Floyd's programme over them). That takes
// 2^k k^2 / 2 steps, where choosing the paths by subset partitions took 3^k / 2 more (three times
// the work at 13 cities). A revisitable node is in the subset walk too, for its first visit.
template <class Cost>
Cost CoverProgramme<Cost>::solve(int k, const std::vector<Cost>& cost, std::vector<int>* use,
                                 std::uint32_t revisitable) {
  const int width = k + 1;
  const std::size_t states = std::size_t{1} << k;
  const std::size_t cities = static_cast<std::size_t>(k);
  const auto cell = [&](int a, int b) { return static_cast<std::size_t>(a * width + b); };
  const Cost infinity = std::numeric_limits<Cost>::max() / 4;
  for (int a = 0; a < width; ++a) {
    for (int b = 0; b < width; ++b) {
      step_[cell(a, b)] = a == b ? Cost{0} : cost[cell(a, b)];
      stepVia_[cell(a, b)] = -1;
    }
  }
  // Intermediate nodes in a fixed order, the outside node first: without revisitable nodes the
  // step is the less of the direct edge and the way through the outside node, ties direct.
  for (int m = k; m >= 0; --m) {
    if (m < k && (revisitable >> m & 1U) == 0) continue;
    for (int a = 0; a < width; ++a) {
      if (a == m) continue;
      const Cost toM = step_[cell(a, m)];
      for (int b = 0; b < width; ++b) {
        if (b == m || b == a) continue;
        const Cost through = toM + step_[cell(m, b)];
        if (through < step_[cell(a, b)]) {
          step_[cell(a, b)] = through;
          stepVia_[cell(a, b)] = static_cast<std::int8_t>(m);
        }
      }
    }
  }
  // path_[mask * k + v]: the cheapest walk from the outside node through exactly the cities of
  // mask, ending at v; infinite for v outside mask. Each state pulls from its predecessors' row
  // (mask less v, every end): a dense minimum over k values read in order, where pushing to
  // every successor scattered writes over the table (13 cities: 233 us against 1,121).
  std::fill_n(path_.begin(), states * cities, infinity);
  for (int v = 0; v < k; ++v) {
    path_[(std::size_t{1} << v) * cities + static_cast<std::size_t>(v)] = step_[cell(k, v)];
  }
  // Raw pointers: the stores below cannot move the tables, and the compiler need not reload them.
  Cost* const path = path_.data();
  const Cost* const step = step_.data();
  for (std::size_t mask = 3; mask < states; ++mask) {
    if ((mask & (mask - 1)) == 0) continue;  // one city: the start, set above
    Cost* const here = path + mask * cities;
    for (std::size_t ends = mask; ends != 0; ends &= ends - 1) {
      const int w = std::countr_zero(ends);
      const Cost* const before = path + (mask ^ (std::size_t{1} << w)) * cities;
      const Cost* const into = step + static_cast<std::size_t>(w * width);  // c(w, v) = c(v, w)
      // Four running minima: independent chains the processor overlaps.
      Cost least[4] = {infinity, infinity, infinity, infinity};
      int v = 0;
      for (; v + 4 <= k; v += 4) {
        for (int lane = 0; lane < 4; ++lane) {
          least[lane] = std::min(least[lane], before[v + lane] + into[v + lane]);
        }
      }
      for (; v < k; ++v) least[0] = std::min(least[0], before[v] + into[v]);
      here[w] = std::min(std::min(least[0], least[1]), std::min(least[2], least[3]));
    }
  }
  const std::size_t all = states - 1;
  Cost best = infinity;
  int bestEnd = 0;
  for (int v = 0; v < k; ++v) {
    const Cost value = path[all * cities + static_cast<std::size_t>(v)] + step_[cell(v, k)];
    if (value < best) {
      best = value;
      bestEnd = v;
    }
  }
  if (use != nullptr) {
    use->assign(static_cast<std::size_t>(width * width), 0);
    // A step as the edges it walks: a shortest way holds at most width - 1 edges, and the stack
    // holds pieces of it. (Were it ever full, the piece would count as its direct edge: the
    // column would be off, never the cut, whose right-hand side is `best` alone.)
    const auto walk = [&](int a, int b) {
      constexpr int kStack = 2 * (kMaxLocalRegion + 2);
      int stack[kStack][2];
      int depth = 0;
      stack[depth][0] = a, stack[depth][1] = b, ++depth;
      while (depth > 0) {
        --depth;
        const int from = stack[depth][0], to = stack[depth][1];
        const int via = stepVia_[cell(from, to)];
        if (via < 0 || depth + 2 > kStack) {
          ++(*use)[cell(std::min(from, to), std::max(from, to))];
          continue;
        }
        stack[depth][0] = via, stack[depth][1] = to, ++depth;
        stack[depth][0] = from, stack[depth][1] = via, ++depth;
      }
    };
    // Back from the best end: the first predecessor whose sum gives the state's value again (the
    // same sum in the same arithmetic, so equal exactly).
    std::size_t mask = all;
    int v = bestEnd;
    walk(v, k);
    while ((mask & (mask - 1)) != 0) {
      const std::size_t rest = mask ^ (std::size_t{1} << v);
      const Cost* const before = path + rest * cities;
      const Cost* const into = step + static_cast<std::size_t>(v * width);
      const Cost value = path[mask * cities + static_cast<std::size_t>(v)];
      int from = -1;
      for (std::size_t ends = rest; ends != 0; ends &= ends - 1) {
        const int u = std::countr_zero(ends);
        if (before[u] + into[u] == value) {
          from = u;
          break;
        }
      }
      if (from < 0) break;  // cannot happen: the value came from one of them
      walk(from, v);
      mask = rest;
      v = from;
    }
    walk(k, v);
  }
  return best;
}

template class CoverProgramme<double>;
template class CoverProgramme<std::int64_t>;

template <class Cost>
Cost cheapestCover(int k, const std::vector<Cost>& cost, std::vector<int>* use,
                   std::uint32_t revisitable) {
  return CoverProgramme<Cost>(k).solve(k, cost, use, revisitable);
}

template double cheapestCover<double>(int, const std::vector<double>&, std::vector<int>*,
                                      std::uint32_t);
template std::int64_t cheapestCover<std::int64_t>(int, const std::vector<std::int64_t>&,
                                                  std::vector<int>*, std::uint32_t);

namespace {

constexpr double kFractional = 1e-6;
constexpr int kMaxColumns = 200;  // cover columns per region: the LP is tiny, this is a safety net
constexpr std::size_t kMaxRegionsPerCall = 48;
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

// A region: its nodes' cities (one city, or a set of cities a tour may enter more than once),
// in a fixed order; every other city is the outside node.
using Region = std::vector<std::vector<int>>;

class RegionSeparator {
 public:
  RegionSeparator(const SupportGraph& g, const Region& region, CoverProgramme<double>& real,
                  CoverProgramme<std::int64_t>& whole)
      : real_(real),
        whole_(whole),
        region_(region),
        k_(static_cast<int>(region.size())),
        width_(k_ + 1),
        point_(static_cast<std::size_t>(width_ * width_), 0.0),
        dualPrice_(static_cast<std::size_t>(width_ * width_), 0.0) {
    std::vector<int> local(static_cast<std::size_t>(g.n), -1);
    for (int i = 0; i < k_; ++i) {
      for (int c : region[static_cast<std::size_t>(i)]) local[static_cast<std::size_t>(c)] = i;
      if (region[static_cast<std::size_t>(i)].size() > 1) revisitable_ |= 1U << i;
    }
    for (std::size_t e = 0; e < g.x.size(); ++e) {
      int a = local[static_cast<std::size_t>(g.u[e])], b = local[static_cast<std::size_t>(g.v[e])];
      if (a < 0 && b < 0) continue;
      if (a < 0) a = k_;
      if (b < 0) b = k_;
      if (a == b) continue;
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
                                const std::vector<std::vector<std::uint8_t>>* earlier,
                                bool tilted) {
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
    addRays(lp);
    // The first cover: the one closest to the point.
    std::vector<double> price(static_cast<std::size_t>(width_ * width_), 0.0);
    for (int p : pairs_) {
      price[static_cast<std::size_t>(p)] =
          repeatable(p) ? 0.0 : -point_[static_cast<std::size_t>(p)];
    }
    mirror(price);
    real_.solve(k_, price, &use_, revisitable_);
    addColumn(lp, useOfPairs());
    if (earlier != nullptr) {
      for (const auto& cover : *earlier) {
        if (cover != covers_.front()) addColumn(lp, cover);
      }
    }
    std::vector<double> pi(static_cast<std::size_t>(count));
    double value = 0.0;
    while (true) {
      if (lp.solve() != LpStatus::Optimal) return std::nullopt;
      value = lp.objective();
      if (value < 1e-6) {
        mix = true;
        keepUsedCovers(lp);
        return std::nullopt;
      }
      // The cheapest cover under -pi: a column whose reduced cost -pi.y - mu is negative.
      // pi.y <= -cheapest holds for every cover y, so pi and the cheapest cover give a cut the
      // point violates by value + (cheapest - mu): once that is most of the LP's value (which
      // only falls as columns come in), it is taken without waiting for the last columns.
      const double shortfall = cheapestShortfall(lp, pi);
      if (shortfall > -1e-9 || static_cast<int>(covers_.size()) >= kMaxColumns ||
          value + shortfall >= kEarlyShare * value) {
        break;
      }
      addColumn(lp, useOfPairs());
    }
    std::vector<std::vector<std::uint8_t>> seen = covers_;
    keepUsedCovers(lp);
    if (value < minimumViolation) return std::nullopt;
    if (auto facet = tilted ? tilt(std::move(seen)) : std::nullopt) {
      if (auto found = roundCut(*facet, minimumViolation)) return found;
    }
    return roundCut(pi, minimumViolation);
  }

 private:
  // The facet the point is tilted onto (see the head of this file), from the covers `seen` by the
  // membership LP: their mean is the point inside. None when the LP fails or finds the point in
  // the hull after all.
  std::optional<std::vector<double>> tilt(std::vector<std::vector<std::uint8_t>> seen) {
    const int count = static_cast<int>(pairs_.size());
    std::vector<double> centre(static_cast<std::size_t>(count), 0.0);
    for (const auto& cover : seen) {
      for (int r = 0; r < count; ++r) {
        centre[static_cast<std::size_t>(r)] += cover[static_cast<std::size_t>(r)];
      }
    }
    for (double& c : centre) c /= static_cast<double>(seen.size());
    LpSolver lp;
    std::vector<int> rows;
    std::vector<double> values;
    for (int r = 0; r < count; ++r) {
      const double c = centre[static_cast<std::size_t>(r)];
      lp.addRow(c, c, {}, {});
      const double towards =
          point_[static_cast<std::size_t>(pairs_[static_cast<std::size_t>(r)])] - c;
      if (std::abs(towards) > 1e-9) {  // the point's noise would only perturb the LP
        rows.push_back(r);
        values.push_back(-towards);
      }
    }
    lp.addRow(1.0, 1.0, {}, {});
    lp.addColumn(-1.0, 0.0, 1.0, rows, values);  // t, at most 1: the point itself
    addRays(lp);
    for (const auto& cover : seen) coverColumn(lp, cover);
    std::vector<double> pi(static_cast<std::size_t>(count));
    for (std::size_t columns = seen.size();; ++columns) {
      if (lp.solve() != LpStatus::Optimal || lp.objective() < -1.0 + 1e-9) return std::nullopt;
      if (cheapestShortfall(lp, pi) > -1e-9 || columns >= 2 * kMaxColumns) return pi;
      coverColumn(lp, useOfPairs());
    }
  }

  // Two more trips along a pair of nodes that may both be visited again make another walk: such
  // pairs are rays of the walks' hull, and their columns keep the pair's dual at most 0.
  void addRays(LpSolver& lp) {
    rays_ = 0;
    for (std::size_t r = 0; r < pairs_.size(); ++r) {
      if (!repeatable(pairs_[r])) continue;
      const int row[1] = {static_cast<int>(r)};
      const double two[1] = {2.0};
      lp.addColumn(0.0, 0.0, LpSolver::kInfinity, row, two);
      ++rays_;
    }
  }

  // Reads the pair rows' duals pi and the convexity row's mu from a membership LP just solved,
  // and finds the cheapest cover under -pi (left in use_): returns its reduced cost, cheapest - mu.
  double cheapestShortfall(const LpSolver& lp, std::vector<double>& pi) {
    const auto duals = lp.duals();
    const std::size_t count = pairs_.size();
    for (std::size_t r = 0; r < count; ++r) {
      // The ray columns hold these at most 0 up to the LP's tolerance; exactly 0 keeps the
      // walks' costs among revisitable nodes from going negative.
      pi[r] = repeatable(pairs_[r]) ? std::min(duals[r], 0.0) : duals[r];
      dualPrice_[static_cast<std::size_t>(pairs_[r])] = -pi[r];
    }
    mirror(dualPrice_);
    return real_.solve(k_, dualPrice_, &use_, revisitable_) - duals[count];
  }

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
    const std::size_t first = 2 * pairs_.size() + rays_;
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

  // A cover as a column of the membership LP, remembered.
  void addColumn(LpSolver& lp, std::vector<std::uint8_t> cover) {
    coverColumn(lp, cover);
    covers_.push_back(std::move(cover));
  }

  void coverColumn(LpSolver& lp, const std::vector<std::uint8_t>& cover) const {
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
      r.rhs = -whole_.solve(k_, cost, nullptr, revisitable_);  // max over covers of coefficient.y
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

  // sum a_ij x(S_i, S_j) <= b over the region's nodes S_i and the outside O = V - R, with
  // x(S, T) = (x(delta(S)) + x(delta(T)) - x(delta(S u T))) / 2, times -2:
  // sum a_ij (x(delta(S_i u S_j)) - x(delta(S_i)) - x(delta(S_j))) >= -2b, where
  // delta(S_i u O) = delta(R - S_i), delta(O) = delta(R), and x(delta({v})) = 2 by the degree
  // equations. With single cities only: sum a_uv x(delta({u,v})) - (sum a_vO) x(delta(R)) +
  // sum a_vO x(delta(R - v)) >= -2b + 4 sum a_uv + 2 sum a_vO.
  CitySetCut setForm(const std::vector<std::int64_t>& coefficient, std::int64_t rhs) const {
    CitySetCut cut;
    cut.family = CutFamily::Local;
    std::int64_t right = -2 * rhs, outward = 0;
    const auto node = [&](int a) -> const std::vector<int>& {
      return region_[static_cast<std::size_t>(a)];
    };
    const auto crossing = [&](int a, std::int64_t c) {  // -c x(delta(S_a))
      if (node(a).size() == 1) {
        right += 2 * c;
      } else {
        cut.sets.push_back(node(a));
        cut.weights.push_back(static_cast<std::int32_t>(-c));
      }
    };
    std::vector<int> all;
    for (const auto& cities : region_) all.insert(all.end(), cities.begin(), cities.end());
    std::sort(all.begin(), all.end());
    for (std::size_t i = 0; i < pairs_.size(); ++i) {
      const int a = pairs_[i] / width_, b = pairs_[i] % width_;
      const std::int64_t c = coefficient[i];
      if (c == 0) continue;
      std::vector<int> joined;
      if (b < k_) {
        std::merge(node(a).begin(), node(a).end(), node(b).begin(), node(b).end(),
                   std::back_inserter(joined));
        crossing(b, c);
      } else {
        std::set_difference(all.begin(), all.end(), node(a).begin(), node(a).end(),
                            std::back_inserter(joined));
        outward += c;
      }
      cut.sets.push_back(std::move(joined));
      cut.weights.push_back(static_cast<std::int32_t>(c));
      crossing(a, c);
    }
    if (outward != 0) {
      cut.sets.push_back(std::move(all));
      cut.weights.push_back(static_cast<std::int32_t>(-outward));
    }
    cut.rhs = static_cast<std::int32_t>(right);
    return cut;
  }

  // Both ends may be visited again: the outside node or a node of several cities.
  bool repeatable(int pair) const {
    const int a = pair / width_, b = pair % width_;
    const auto again = [&](int v) { return v == k_ || (revisitable_ >> v & 1U) != 0; };
    return again(a) && again(b);
  }

  CoverProgramme<double>& real_;
  CoverProgramme<std::int64_t>& whole_;
  const Region& region_;
  int k_, width_;
  std::uint32_t revisitable_ = 0;
  std::size_t rays_ = 0;
  std::vector<double> point_;      // the point's value per pair a < b <= k (index a * width + b)
  std::vector<double> dualPrice_;  // -pi per pair, both ways, for the cover programme
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

namespace {

// The regions of the point with every path of edges at 1 shrunk to one node: a region of ten
// nodes then spans far more of the point's structure than ten cities. Regions are chosen on the
// shrunk graph as on the cities, and each node keeps its cities.
std::vector<Region> chooseShrunkRegions(const SupportGraph& graph, int maxRegion) {
  DisjointSets paths(graph.n);
  std::vector<int> oneDegree(static_cast<std::size_t>(graph.n), 0);
  for (std::size_t e = 0; e < graph.x.size(); ++e) {
    if (graph.x[e] >= 1.0 - kFractional) {
      paths.unite(graph.u[e], graph.v[e]);
      ++oneDegree[static_cast<std::size_t>(graph.u[e])];
      ++oneDegree[static_cast<std::size_t>(graph.v[e])];
    }
  }
  // A path keeps its last end (the larger of its two ends) as a city of its own: the path is then
  // one node joined by an edge at 1 to that city (Padberg & Rinaldi's safe shrinking of a path),
  // where shrinking it whole could hide a comb whose tooth it is.
  // (A path of two cities is then two cities; a city on no edge at 1, or on a cycle of them, has
  // no last end and stays a city.)
  std::vector<int> lastEnd(static_cast<std::size_t>(graph.n), -1);
  for (int c = 0; c < graph.n; ++c) {
    if (oneDegree[static_cast<std::size_t>(c)] == 1) {
      lastEnd[static_cast<std::size_t>(paths.find(c))] = c;
    }
  }
  const auto apart = [&](int c) {
    const int end = lastEnd[static_cast<std::size_t>(paths.find(c))];
    return end < 0 || end == c;
  };
  std::vector<int> nodeOf(static_cast<std::size_t>(graph.n), -1);
  std::vector<std::vector<int>> members;
  for (int c = 0; c < graph.n; ++c) {
    const int root = apart(c) ? c : paths.find(c);  // the path's least city, met first
    if (nodeOf[static_cast<std::size_t>(root)] < 0) {
      nodeOf[static_cast<std::size_t>(root)] = static_cast<int>(members.size());
      members.emplace_back();
    }
    nodeOf[static_cast<std::size_t>(c)] = nodeOf[static_cast<std::size_t>(root)];
    members[static_cast<std::size_t>(nodeOf[static_cast<std::size_t>(c)])].push_back(c);
  }
  std::vector<std::tuple<int, int, double>> edges;
  for (std::size_t e = 0; e < graph.x.size(); ++e) {
    int a = nodeOf[static_cast<std::size_t>(graph.u[e])];
    int b = nodeOf[static_cast<std::size_t>(graph.v[e])];
    if (a == b) continue;
    if (a > b) std::swap(a, b);
    edges.emplace_back(a, b, graph.x[e]);
  }
  std::sort(edges.begin(), edges.end());
  SupportGraph shrunk;
  shrunk.n = static_cast<int>(members.size());
  for (const auto& [a, b, x] : edges) {
    if (!shrunk.u.empty() && shrunk.u.back() == a && shrunk.v.back() == b) {
      shrunk.x.back() += x;
    } else {
      shrunk.u.push_back(a);
      shrunk.v.push_back(b);
      shrunk.x.push_back(x);
    }
  }
  std::vector<Region> regions;
  for (const auto& nodes : chooseRegions(shrunk, Neighbours(shrunk), maxRegion)) {
    Region region;
    for (int node : nodes) region.push_back(members[static_cast<std::size_t>(node)]);
    regions.push_back(std::move(region));
  }
  return regions;
}

// The key a region is remembered by: its nodes' cities, each node closed by -1.
std::vector<int> regionKey(const Region& region) {
  std::vector<int> key;
  for (const auto& cities : region) {
    key.insert(key.end(), cities.begin(), cities.end());
    key.push_back(-1);
  }
  return key;
}

}  // namespace

std::vector<CitySetCut> separateLocalCuts(const SupportGraph& graph, int limit,
                                          double minimumViolation, LocalCutMemory* memory,
                                          int maxRegion, bool shrinkPaths, bool tiltToFacets) {
  maxRegion = std::clamp(maxRegion, 3, kMaxLocalRegion);
  std::vector<Region> regions;
  for (const auto& cities : chooseRegions(graph, Neighbours(graph), maxRegion)) {
    Region region;
    for (int c : cities) region.push_back({c});
    regions.push_back(std::move(region));
  }
  if (regions.size() > kMaxRegionsPerCall) regions.resize(kMaxRegionsPerCall);
  if (shrinkPaths) {
    // Then the regions of the shrunk point that hold a path: the others were looked at above.
    std::size_t taken = 0;
    for (auto& region : chooseShrunkRegions(graph, maxRegion)) {
      if (taken == kMaxRegionsPerCall) break;
      if (std::all_of(region.begin(), region.end(),
                      [](const std::vector<int>& node) { return node.size() == 1; })) {
        continue;
      }
      regions.push_back(std::move(region));
      ++taken;
    }
  }
  std::vector<Found> found;
  CoverProgramme<double> real(maxRegion);
  CoverProgramme<std::int64_t> whole(maxRegion);
  for (const auto& region : regions) {
    const std::vector<int> key = regionKey(region);
    RegionSeparator separator(graph, region, real, whole);
    if (memory != nullptr && memory->knownMix(key, separator.point())) continue;
    std::optional<Found> cut = separator.separate(
        minimumViolation, memory != nullptr ? memory->covers(key) : nullptr, tiltToFacets);
    if (memory != nullptr) {
      memory->remember(key, separator.point(), separator.mix, separator.covers());
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
