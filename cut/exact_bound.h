// The proven lower bound of a node, from any dual values: with y_v for the degree equations and
// z_c >= 0 for the cuts, every tour x of the node satisfies
//   c x >= 2 sum_v y_v + sum_c rhs_c z_c + sum_e (min over x_e's allowed values of rc_e x_e),
// rc_e = c_e - y_u - y_v - sum_c z_c coef_c(e) (Lagrangian duality; the same argument as
// Applegate, Bixby, Chvatal & Cook 2006, ch. 6, for bounds over the complete graph). The duals
// are rounded to multiples of 2^-20 (z clamped at 0) and everything after that is exact integer
// arithmetic in 128 bits, so rounding only weakens the bound and never breaks it. Every edge of
// the complete graph is counted: fixed-one edges with rc_e, free ones with min(0, rc_e), excluded
// ones with 0. The same scan prices the edges outside the LP: with Y_u = y_u + W_u (W_u the dual
// weight of the cut sets holding u), c_e - Y_u - Y_v is a lower bound on rc_e, exact enough to
// skip most edges without looking at the sets.
// With all costs taken as 0 the same sum proves infeasibility: a positive bound from a dual ray
// (a Farkas certificate) says no tour of the node satisfies the rows.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "cut/city_set_cut.h"
#include "cut/edge_table.h"
#include "cut/engine_graph.h"

namespace ringmarch::cut {

inline constexpr int kDualScaleBits = 20;
inline constexpr std::int64_t kDualScale = std::int64_t{1} << kDualScaleBits;

struct FixedPointDuals {
  std::vector<std::int64_t> degree;  // per node, in units of 2^-20
  std::vector<std::int64_t> cut;     // per pool cut id (0 for cuts outside the LP)
};

// Rounds LP row values: degree rows to nearest, cut rows to nearest and at least 0, each first
// multiplied by `factor` (-1 turns the LP library's ray into a certificate). cutOfRow maps the LP
// rows after the n degree rows to their pool cut ids.
FixedPointDuals roundDuals(std::span<const double> rowValues, int n, std::span<const int> cutOfRow,
                           int poolSize, double factor = 1.0);

struct LagrangianBound {
  __int128 scaledTotal = 0;  // the bound in units of 2^-20
  std::int64_t bound = 0;    // its ceiling: no tour of the node is shorter
  // Free edges outside the LP with rc < 0, most negative first (at most the limit asked for),
  // and how many there are in all.
  std::vector<std::int64_t> negative;
  std::int64_t negativeCount = 0;
};

// The bound over every edge of the graph, and the pricing of the edges outside the LP. With
// zeroCosts every edge costs 0 (infeasibility certificates).
LagrangianBound lagrangianBound(const EngineGraph& graph, const EdgeTable& edges,
                                const CutPool& pool, const FixedPointDuals& duals, bool zeroCosts,
                                int negativeLimit);

// Edges that no tour shorter than `cutoff` can use (rc_e >= gap) or avoid (-rc_e >= gap), with
// gap = cutoff * 2^20 - scaledTotal of the same duals: a tour that goes against the edge's side
// costs at least (scaledTotal + |rc_e|) / 2^20. Free edges only; edges outside the LP are looked
// at only with wholeGraph, judged by the cheap bound, which is never above their rc.
struct FixingResult {
  std::vector<std::int64_t> toZero, toOne;
};
FixingResult reducedCostFixing(const EngineGraph& graph, const EdgeTable& edges,
                               const CutPool& pool, const FixedPointDuals& duals,
                               __int128 scaledTotal, std::int64_t cutoff, bool wholeGraph);

// ceil(scaled / 2^20) as a tour length, clamped to the 64-bit range.
std::int64_t ceilToLength(__int128 scaled);

}  // namespace ringmarch::cut
