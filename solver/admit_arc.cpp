// Exchange test of one arc t->h against the path order[0 .. m-1]: the arc is rejected when an
// exchange of edges between it and the path gives a strictly shorter result (old > new). For an
// arc out of the current city L (case A: swap of P and L, moving L into a path edge, moving the
// reversed or unreversed tail segment into a path edge) a tie of the first two moves also rejects
// when the stated index comparison holds, so that of two equally long tours one survives. Both
// tie rules hand the tour over to one that is smaller in the order of city sequences from the
// start, so the smallest optimal tour is never cut by them; that holds only while the tour they
// prefer still visits the start's nearest city before its second nearest (the search visits no
// other direction). A tie whose move would put the second nearest first therefore does not
// reject: otherwise a tour and its reverse can each be cut in favour of the other.
// The tail-segment moves reject only a strict gain: with a tie rule there, tie-heavy instances
// lost every optimal tour (the equally long tour it prefers can be cut by another tie rule).
// For any other arc
// (case B: 2-opt with P->L, moving P, three-edge moves, segment moves against each path edge)
// only a strict gain rejects. Reads the path and the distances; changes nothing. True = the arc
// stays.
//
// admitPreparedArc gives the same answers from tables prepared once per evaluation. A check
// "old > new, or old = new when the tie rule holds" is the same as 2 x (old - new) + tie >= 1
// (tie = 1 when the rule holds), and old - new splits into a part that depends on the path edge
// (u, w) or (y, z) and a part that depends on the arc; the first part is maximised over the path
// edges in advance.
#include <algorithm>
#include <cstring>

#include "solver/admit_arc_tables.h"
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

// old > new rejects; on a tie, tieRejects decides.
inline bool refutes(Cost oldCost, Cost newCost, bool tieRejects) {
  return oldCost > newCost || (oldCost == newCost && tieRejects);
}

// Position of the start's nearest city on the path when the current city t is the start's second
// nearest: moving t in front of the city at that position or any earlier one turns the pair
// round. Otherwise -1, and no move of t turns it round (t is not the second nearest, or the
// nearest is not on the path).
std::int32_t turnLimitOf(const TourRecord& path, std::int32_t t) {
  if (t != path.secondOfStart || path.nearestOfStart == t) return -1;
  for (std::int32_t q = 0; q < path.count; ++q) {
    if (path.order[q] == path.nearestOfStart) return q;
  }
  return -1;
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
    // Moving t in front of order[k] keeps the start's direction for k > turnLimit.
    const std::int32_t turnLimit = turnLimitOf(path, t);
    // A1: swap P and L.
    if (refutes(th + dist(X, P), dist(X, t) + ph, t < P && m - 2 > turnLimit)) return false;
    if (m < 4) return true;
    // A2: move L into the path edge (u, w).
    const Cost removedAtEnd = dist(P, t) + th;
    for (std::int32_t k = 0; k <= m - 4; ++k) {
      const std::int32_t u = order[k];
      const std::int32_t w = order[k + 1];
      if (refutes(dist(u, w) + removedAtEnd, dist(u, t) + dist(t, w) + ph,
                  t < w && k + 1 > turnLimit)) {
        return false;
      }
    }
    // A3 / A4: move the tail segment z .. t, reversed or not, into the path edge (u, w).
    for (std::int32_t i = 0; i <= m - 5; ++i) {
      const std::int32_t u = order[i];
      const std::int32_t w = order[i + 1];
      const Cost uw = dist(u, w);
      const Cost ut = dist(u, t);
      const Cost tw = dist(t, w);
      constexpr bool tieRejects = false;
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

void prepareAdmitArc(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables) {
  const TourRecord& path = *node.path;
  tables.pathCount = path.count;
  tables.current = path.currentCity;
  tables.beforeCurrent = path.count >= 2 ? path.order[path.count - 2] : -1;
  tables.twoBeforeCurrent = path.count >= 3 ? path.order[path.count - 3] : -1;
  tables.distance = context.state.distance;
  tables.caseAReady = false;
  tables.pathEdgesReady = false;
  std::memset(tables.cityReady, 0, static_cast<std::size_t>(context.state.cityCount));
}

namespace {

void preparePathEdges(const SearchContext& context, const SearchNode& node,
                      AdmitArcTables& tables) {
  const auto& d = context.state.distance;
  const TourRecord& path = *node.path;
  const std::int32_t m = path.count;
  const std::int32_t* order = path.order;
  const std::int32_t L = path.currentCity;
  const std::int32_t P = order[m - 2];
  for (std::int32_t i = 0; i <= m - 4; ++i) {
    const std::int32_t u = order[i];
    const std::int32_t w = order[i + 1];
    const Cost uw = d[u][w];
    tables.edgeLessUL[i] = uw - d[u][L];
    tables.edgeLessLW[i] = uw - d[L][w];
    tables.edgeLessUP[i] = uw - d[u][P];
  }
  tables.pathEdgesReady = true;
}

// The case B tables of city x: B6 .. B9 maximised over every path edge (u, w) = (order[i],
// order[i+1]), i = 0 .. m-4, then merged with B1 .. B5 by the head term they subtract.
}  // namespace

void prepareAdmitCity(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables,
                      std::int32_t x) {
  if (!tables.pathEdgesReady) preparePathEdges(context, node, tables);
  const auto& d = context.state.distance;
  const TourRecord& path = *node.path;
  const std::int32_t m = path.count;
  const std::int32_t* order = path.order;
  const std::int32_t* row = d[x];
  Cost byTailMoveL = 0;  // B6 and B8
  Cost byTailMoveP = 0;  // B9
  Cost byHead = 0;       // B7
  Cost fromU = d[order[0]][x];
  for (std::int32_t i = 0; i <= m - 4; ++i) {
    const std::int32_t w = order[i + 1];
    const Cost fromW = d[w][x];
    const Cost b6 = tables.edgeLessUL[i] - row[w];
    const Cost b8 = tables.edgeLessLW[i] - fromU;
    const Cost b9 = tables.edgeLessUP[i] - fromW;
    const Cost b7 = tables.edgeLessUL[i] - fromW;
    const Cost moveL = std::max(b6, b8);
    if (i == 0 || moveL > byTailMoveL) byTailMoveL = moveL;
    if (i == 0 || b9 > byTailMoveP) byTailMoveP = b9;
    if (i == 0 || b7 > byHead) byHead = b7;
    fromU = fromW;
  }
  // B1 .. B5 and the loop's maxima, grouped by the head term they subtract.
  const std::int32_t L = path.currentCity;
  const std::int32_t P = order[m - 2];
  const std::int32_t X = order[m - 3];
  const std::int32_t W = order[m - 4];
  const Cost pl = d[P][L];
  const Cost xp = d[X][P];
  const Cost lx = d[L][X];
  const Cost oldBase = Cost{d[W][X]} + xp + pl;  // the three-edge moves' old cost less d(t,h)
  const Cost fromP = d[P][x];
  const Cost b1 = pl - fromP;
  const Cost b4 = oldBase - d[W][P] - d[P][X] - d[X][x];
  tables.byTailLessL[x] = std::max({b1, b4, byTailMoveP + pl});
  const Cost b2 = xp + pl - d[X][L] - row[P];
  const Cost b3 = oldBase - d[W][x] - lx - xp;
  tables.byTailLessP[x] = std::max({b2, b3, byTailMoveL + pl});
  tables.byTailLessX[x] = oldBase - d[W][P] - fromP - lx;
  tables.byHead[x] = byHead + pl;
  tables.cityReady[x] = true;
}

namespace {

void prepareCaseA(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables) {
  const auto& d = context.state.distance;
  const TourRecord& path = *node.path;
  const std::int32_t m = path.count;
  const std::int32_t* order = path.order;
  const std::int32_t t = path.currentCity;
  const std::int32_t turnLimit = turnLimitOf(path, t);
  tables.swapTieAllowed = m - 2 > turnLimit;
  // A2: 2 x (d(u,w) - d(u,t) - d(t,w)) + tie, best over the path edges k = 0 .. m-4.
  for (std::int32_t k = 0; k <= m - 4; ++k) {
    const std::int32_t u = order[k];
    const std::int32_t w = order[k + 1];
    const bool tie = t < w && k + 1 > turnLimit;
    const Cost score = 2 * (static_cast<Cost>(d[u][w]) - d[u][t] - d[t][w]) + (tie ? 1 : 0);
    if (k == 0 || score > tables.moveLastCity) tables.moveLastCity = score;
  }
  // A3 / A4 for the tail starting at z = order[k] (y = order[k-1]), k = 3 .. m-2, best over the
  // path edges (u, w) = (order[i], order[i+1]), i = 0 .. k-3.
  for (std::int32_t k = 3; k <= m - 2; ++k) {
    const std::int32_t y = order[k - 1];
    const std::int32_t z = order[k];
    tables.tailEdge[k] = d[y][z];
    Cost best = 0;
    for (std::int32_t i = 0; i <= k - 3; ++i) {
      const std::int32_t u = order[i];
      const std::int32_t w = order[i + 1];
      const Cost uw = d[u][w];
      // No tie rule for the tail-segment moves: only a strict gain rejects.
      const Cost reversed = 2 * (uw - d[u][t] - d[z][w]);
      const Cost unreversed = 2 * (uw - d[t][w] - d[u][z]);
      const Cost score = std::max(reversed, unreversed);
      if (i == 0 || score > best) best = score;
    }
    tables.moveTailSegment[k] = best;
  }
  tables.caseAReady = true;
}

}  // namespace

bool admitPreparedArcOutOfCurrent(const SearchContext& context, const SearchNode& node,
                                  AdmitArcTables& tables, std::int32_t t, std::int32_t h) {
  const auto& d = context.state.distance;
  const TourRecord& path = *node.path;
  const std::int32_t m = tables.pathCount;
  const std::int32_t* order = path.order;
  auto dist = [&d](std::int32_t x, std::int32_t y) -> Cost { return d[x][y]; };

  if (m < 3) return true;
  const std::int32_t P = order[m - 2];
  const std::int32_t X = order[m - 3];
  const Cost th = dist(t, h);
  const Cost ph = dist(P, h);
  if (!tables.caseAReady) prepareCaseA(context, node, tables);
  if (refutes(th + dist(X, P), dist(X, t) + ph, t < P && tables.swapTieAllowed)) {
    return false;  // A1
  }
  if (m < 4) return true;
  if (tables.moveLastCity + 2 * (dist(P, t) + th - ph) >= 1) return false;  // A2
  for (std::int32_t k = 3; k <= m - 2; ++k) {                               // A3, A4
    if (tables.moveTailSegment[k] + 2 * (tables.tailEdge[k] - dist(order[k - 1], h) + th) >= 1) {
      return false;
    }
  }
  return true;
}

}  // namespace ringmarch
