// One pass over the complete graph: the cheap bound c - Y_u - Y_v decides most edges, the exact
// reduced cost (adding back twice the dual weight of the sets holding both ends) the rest. Sets
// of negative weight (local cuts) would make that bound too high: a city's Y then also counts
// their weight once more, which the shared weight of any two cities can never fall below.
#include "cut/exact_bound.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ringmarch::cut {

namespace {

std::int64_t roundScaled(double value) {
  const double scaled = std::nearbyint(value * static_cast<double>(kDualScale));
  // Duals beyond 2^60 units are not produced by a sane LP; clamping keeps every sum in range and
  // is still a valid choice of duals.
  const double limit = 1.0e18;
  if (!(scaled == scaled)) return 0;  // NaN
  return static_cast<std::int64_t>(std::clamp(scaled, -limit, limit));
}

// The pool's memberships restricted to the cuts with a nonzero dual, flat, per city: most pooled
// cuts are outside the LP or slack, and the scans below visit every edge.
class DualMemberships {
 public:
  DualMemberships(int n, const CutPool& pool, const FixedPointDuals& duals)
      : start_(static_cast<std::size_t>(n) + 1, 0) {
    for (int c = 0; c < n; ++c) {
      for (const auto& m : pool.memberships(c)) {
        const std::int64_t z = duals.cut[static_cast<std::size_t>(m.cut)];
        if (z != 0) entries_.push_back({m.cut, m.set, static_cast<__int128>(z) * m.weight});
      }
      start_[static_cast<std::size_t>(c) + 1] = entries_.size();
    }
  }

  // Y_u = y_u + the dual weight of every cut set holding u; `cheap`: Y_u less the negative dual
  // weights at u once more, so that c - cheap_u - cheap_v never exceeds a reduced cost (the
  // shared weight of u and v is at least the negative weight at either end).
  std::vector<__int128> nodeWeights(const FixedPointDuals& duals, bool cheap) const {
    const std::size_t n = start_.size() - 1;
    std::vector<__int128> y(n);
    for (std::size_t c = 0; c < n; ++c) {
      __int128 w = duals.degree[c];
      for (std::size_t k = start_[c]; k < start_[c + 1]; ++k) {
        const __int128 d = entries_[k].dual;
        w += d;
        if (cheap && d < 0) w -= d;
      }
      y[c] = w;
    }
    return y;
  }

  // Once per set that holds both a and b: the weight the cheap bound subtracted too often.
  __int128 sharedWeight(int a, int b) const {
    std::size_t i = start_[static_cast<std::size_t>(a)];
    const std::size_t iEnd = start_[static_cast<std::size_t>(a) + 1];
    std::size_t j = start_[static_cast<std::size_t>(b)];
    const std::size_t jEnd = start_[static_cast<std::size_t>(b) + 1];
    __int128 shared = 0;
    while (i < iEnd && j < jEnd) {
      const Entry& p = entries_[i];
      const Entry& q = entries_[j];
      if (p.cut < q.cut || (p.cut == q.cut && p.set < q.set)) {
        ++i;
      } else if (q.cut < p.cut || (q.cut == p.cut && q.set < p.set)) {
        ++j;
      } else {
        shared += p.dual;
        ++i;
        ++j;
      }
    }
    return shared;
  }

 private:
  struct Entry {
    int cut;
    int set;
    __int128 dual;  // the cut's dual times the set's weight
  };
  std::vector<std::size_t> start_;
  std::vector<Entry> entries_;
};

__int128 scaledCost(const EngineGraph& graph, int a, int b, bool zeroCosts) {
  return zeroCosts ? 0 : static_cast<__int128>(graph.cost(a, b)) * kDualScale;
}

}  // namespace

FixedPointDuals roundDuals(std::span<const double> rowValues, int n, std::span<const int> cutOfRow,
                           int poolSize, double factor) {
  FixedPointDuals d;
  d.degree.resize(static_cast<std::size_t>(n));
  for (int c = 0; c < n; ++c) {
    d.degree[static_cast<std::size_t>(c)] =
        roundScaled(factor * rowValues[static_cast<std::size_t>(c)]);
  }
  d.cut.assign(static_cast<std::size_t>(poolSize), 0);
  for (std::size_t r = 0; r < cutOfRow.size(); ++r) {
    const std::int64_t z = roundScaled(factor * rowValues[static_cast<std::size_t>(n) + r]);
    d.cut[static_cast<std::size_t>(cutOfRow[r])] = std::max<std::int64_t>(0, z);
  }
  return d;
}

std::int64_t ceilToLength(__int128 scaled) {
  __int128 q = scaled / kDualScale;
  if (scaled % kDualScale > 0) ++q;  // division truncates toward zero
  const __int128 hi = std::numeric_limits<std::int64_t>::max();
  const __int128 lo = std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::clamp(q, lo, hi));
}

LagrangianBound lagrangianBound(const EngineGraph& graph, const EdgeTable& edges,
                                const CutPool& pool, const FixedPointDuals& duals, bool zeroCosts,
                                int negativeLimit) {
  const int n = graph.size();
  LagrangianBound r;
  __int128 total = 0;
  for (int c = 0; c < n; ++c)
    total += 2 * static_cast<__int128>(duals.degree[static_cast<std::size_t>(c)]);
  for (int id = 0; id < pool.size(); ++id) {
    total += static_cast<__int128>(pool[id].rhs) * duals.cut[static_cast<std::size_t>(id)];
  }
  const DualMemberships held(n, pool, duals);
  const std::vector<__int128> y = held.nodeWeights(duals, false);
  const std::vector<__int128> yCheap = held.nodeWeights(duals, true);
  std::vector<std::pair<__int128, std::int64_t>> negative;
  const std::uint8_t* flags = edges.all().data();
  std::int64_t e = 0;
  for (int b = 1; b < n; ++b) {
    const __int128 yb = y[static_cast<std::size_t>(b)];
    const __int128 ybCheap = yCheap[static_cast<std::size_t>(b)];
    for (int a = 0; a < b; ++a, ++e) {
      const std::uint8_t f = flags[e];
      if ((f & kExcluded) != 0) continue;  // x_e = 0 in every tour of the node: the term is 0
      const __int128 cost = scaledCost(graph, a, b, zeroCosts);
      const bool inLp = (f & kInLp) != 0;
      if ((f & kFixedOne) == 0 && cost - yCheap[static_cast<std::size_t>(a)] - ybCheap >= 0) {
        continue;
      }
      const __int128 rc = cost - y[static_cast<std::size_t>(a)] - yb + 2 * held.sharedWeight(a, b);
      if ((f & kFixedOne) != 0) {
        total += rc;
      } else if (rc < 0) {
        total += rc;
        if (!inLp) negative.emplace_back(rc, e);
      }
    }
  }
  r.negativeCount = static_cast<std::int64_t>(negative.size());
  const std::size_t keep =
      std::min(negative.size(), static_cast<std::size_t>(std::max(0, negativeLimit)));
  std::partial_sort(negative.begin(), negative.begin() + static_cast<std::ptrdiff_t>(keep),
                    negative.end());
  for (std::size_t k = 0; k < keep; ++k) r.negative.push_back(negative[k].second);
  r.scaledTotal = total;
  r.bound = ceilToLength(total);
  return r;
}

FixingResult reducedCostFixing(const EngineGraph& graph, const EdgeTable& edges,
                               const CutPool& pool, const FixedPointDuals& duals,
                               __int128 scaledTotal, std::int64_t cutoff, bool wholeGraph) {
  FixingResult r;
  const __int128 gap = static_cast<__int128>(cutoff) * kDualScale - scaledTotal;
  if (gap <= 0) return r;  // the bound already meets the cutoff: the caller prunes instead
  const int n = graph.size();
  const DualMemberships held(n, pool, duals);
  const std::vector<__int128> y = held.nodeWeights(duals, false);
  const std::vector<__int128> yCheap = held.nodeWeights(duals, true);
  const std::uint8_t* flags = edges.all().data();
  std::int64_t e = 0;
  for (int b = 1; b < n; ++b) {
    for (int a = 0; a < b; ++a, ++e) {
      const std::uint8_t f = flags[e];
      if ((f & (kExcluded | kFixedOne)) != 0) continue;
      const bool inLp = (f & kInLp) != 0;
      if (!inLp && !wholeGraph) continue;
      const __int128 cost = scaledCost(graph, a, b, false);
      if (!inLp) {
        if (cost - yCheap[static_cast<std::size_t>(a)] - yCheap[static_cast<std::size_t>(b)] >=
            gap) {
          r.toZero.push_back(e);
        }
        continue;
      }
      const __int128 rc = cost - y[static_cast<std::size_t>(a)] - y[static_cast<std::size_t>(b)] +
                          2 * held.sharedWeight(a, b);
      if (rc >= gap) {
        r.toZero.push_back(e);
      } else if (-rc >= gap) {
        r.toOne.push_back(e);
      }
    }
  }
  return r;
}

}  // namespace ringmarch::cut
