// Exchange test of one arc t->h against the path order[0 .. m-1]: the arc is rejected when an
// exchange of edges between it and the path gives a strictly shorter result (old > new). For an
// arc out of the current city L (case A: swap of P and L, moving L into a path edge, moving the
// reversed or unreversed tail segment into a path edge) a tie also rejects when the stated index
// comparison holds, so that of two equally long tours exactly one survives. For any other arc
// (case B: 2-opt with P->L, moving P, three-edge moves, segment moves against each path edge)
// only a strict gain rejects. Reads the path and the distances; changes nothing. True = the arc
// stays.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

// old > new rejects; on a tie, tieRejects decides.
inline bool refutes(Cost oldCost, Cost newCost, bool tieRejects) {
  return oldCost > newCost || (oldCost == newCost && tieRejects);
}

}  // namespace

bool admitArc(const SearchContext& context, const SearchNode& node, std::int32_t t,
              std::int32_t h) {
  const auto& d = context.state.distance;
  const TourRecord& path = *node.path;
  const std::int32_t m = path.count;
  const std::int32_t* order = path.order;
  auto dist = [&d](std::int32_t x, std::int32_t y) -> Cost { return d[x][y]; };

  const std::int32_t L = path.currentCity;
  if (t == L) {
    if (m < 3) return true;
    const std::int32_t P = order[m - 2];
    const std::int32_t X = order[m - 3];
    const Cost th = dist(t, h);
    const Cost ph = dist(P, h);
    // A1: swap P and L.
    if (refutes(th + dist(X, P), dist(X, t) + ph, t < P)) return false;
    if (m < 4) return true;
    // A2: move L into the path edge (u, w).
    const Cost removedAtEnd = dist(P, t) + th;
    for (std::int32_t k = 0; k <= m - 4; ++k) {
      const std::int32_t u = order[k];
      const std::int32_t w = order[k + 1];
      if (refutes(dist(u, w) + removedAtEnd, dist(u, t) + dist(t, w) + ph, t < w)) return false;
    }
    // A3 / A4: move the tail segment z .. t, reversed or not, into the path edge (u, w).
    for (std::int32_t i = 0; i <= m - 5; ++i) {
      const std::int32_t u = order[i];
      const std::int32_t w = order[i + 1];
      const Cost uw = dist(u, w);
      const Cost ut = dist(u, t);
      const Cost tw = dist(t, w);
      const bool tieRejects = t < w;
      for (std::int32_t k = m - 2; k >= i + 3; --k) {
        const std::int32_t y = order[k - 1];
        const std::int32_t z = order[k];
        const Cost oldCost = dist(y, z) + th + uw;
        const Cost yh = dist(y, h);
        if (refutes(oldCost, ut + dist(z, w) + yh, tieRejects)) return false;
        if (refutes(oldCost, tw + dist(u, z) + yh, tieRejects)) return false;
      }
    }
    return true;
  }

  if (m < 2) return true;
  const std::int32_t P = order[m - 2];
  const Cost th = dist(t, h);
  const Cost pl = dist(P, L);
  const Cost ph = dist(P, h);
  const Cost lh = dist(L, h);
  // B1: 2-opt of P->L with t->h.
  if (th + pl > lh + dist(P, t)) return false;
  if (m < 3) return true;
  const std::int32_t X = order[m - 3];
  const Cost xp = dist(X, P);
  // B2: move P between t and h.
  if (th + xp + pl > dist(X, L) + ph + dist(t, P)) return false;
  if (m < 4) return true;
  const std::int32_t W = order[m - 4];
  // B3 .. B5: three-edge moves with the last three path edges.
  const Cost oldThree = dist(W, X) + xp + pl + th;
  if (oldThree > dist(W, t) + dist(L, X) + xp + ph) return false;
  if (oldThree > dist(W, P) + dist(P, X) + dist(X, t) + lh) return false;
  if (oldThree > dist(W, P) + dist(P, t) + dist(L, X) + dist(X, h)) return false;
  // B6 .. B9: segment moves against each earlier path edge (u, w).
  const Cost tp = dist(t, P);
  for (std::int32_t i = 0; i <= m - 4; ++i) {
    const std::int32_t u = order[i];
    const std::int32_t w = order[i + 1];
    const Cost oldCost = dist(u, w) + th + pl;
    const Cost ul = dist(u, L);
    if (oldCost > ul + dist(t, w) + ph) return false;
    if (oldCost > ul + dist(w, h) + tp) return false;
    if (oldCost > dist(u, t) + dist(L, w) + ph) return false;
    if (oldCost > dist(w, t) + dist(u, P) + lh) return false;
  }
  return true;
}

}  // namespace ringmarch
