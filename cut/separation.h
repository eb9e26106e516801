// One round of cut finding for an LP point: pooled cuts the point violates first (Padberg &
// Rinaldi 1991's pool), then subtour elimination (exact), and once the point satisfies every
// subtour constraint, blossoms (the fast heuristic and the exact separation), block combs and the
// tightening of pooled combs the point nearly meets; when all of them find nothing and the caller
// asks, local cuts. Every candidate's violation is measured again on the point before it is kept,
// so that a separator's rounding can never add a cut the point satisfies. Reads the point; adds
// new cuts to the pool; returns the pool ids to put in the LP.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "cut/city_set_cut.h"
#include "cut/local_cut_separation.h"
#include "cut/relaxation.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

// The least violation a cut must have to be kept: smaller ones barely move the LP.
inline constexpr double kMinimumViolation = 1e-4;

struct SeparationCounts {
  std::array<std::uint64_t, static_cast<std::size_t>(CutFamily::Count)> found{};  // new cuts
  std::uint64_t fromPool = 0;  // pooled cuts put back into the LP
  bool localTried = false;     // the local cut separation ran
};

// w_S x(delta(S)) summed over the cut's sets, on a support graph given by adjacency lists.
class SupportAdjacency {
 public:
  explicit SupportAdjacency(const SupportGraph& graph);
  double activity(const CitySetCut& cut);
  // The same for pooled cut id, its cities read from the pool's flat array.
  double activity(const CutPool& pool, int id);

 private:
  // Adds x(delta(set)) to sum, edge by edge in the order of the set's cities and their lists.
  void addCrossing(std::span<const int> set, double& sum);
  template <class SetOf>
  double activityOf(const CitySetCut& cut, SetOf setOf);

  std::vector<int> start_;
  struct Neighbour {
    int other;
    double value;
  };
  std::vector<Neighbour> neighbours_;
  std::vector<int> mark_;
  int generation_ = 0;
};

// Violated cuts for the point `graph` of `lp`, at most `limit` (the pool's first): pool ids, each
// violated by at least kMinimumViolation and not in the LP. minimumCut receives the least
// x(delta(S)) the subtour separation saw (2 or more: the point is in the subtour polytope).
// With subtoursOnly, the pool and the subtour separation only; with localCuts (their memory),
// local cuts when nothing else is found and the point is in the subtour polytope, in regions of
// up to localRegion nodes, with shrinkPaths also in the regions of the point whose paths at 1
// are shrunk.
std::vector<int> findViolatedCuts(const SupportGraph& graph, CutPool& pool, const Relaxation& lp,
                                  int limit, bool subtoursOnly, LocalCutMemory* localCuts,
                                  int localRegion, bool shrinkPaths, SeparationCounts& counts,
                                  double* minimumCut);

}  // namespace ringmarch::cut
