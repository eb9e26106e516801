// The exchange test of admitArc in a prepared form for one evaluation: the parts of every check
// that depend only on the path (and on one end of the arc) are maximised over the path edges once,
// so that testing an arc costs O(1) for arcs between cities off the path end and O(m) for arcs
// out of the current city, instead of O(m) and O(m squared). For an arc t->h off the path end,
// the checks that share a term of h (d(L,h), d(P,h), d(X,h)) are merged into one per term: the
// tail's side of each is maximised over the checks once per city. The answers are those of
// admitArc.
#pragma once

#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

struct AdmitArcTables {
  std::int32_t pathCount;
  std::int32_t current;           // L, the path's current city
  std::int32_t beforeCurrent;     // P, the city before L (when the path has two or more cities)
  std::int32_t twoBeforeCurrent;  // X, the city before P (when the path has three or more)
  const std::int32_t (*distance)[kRowCount];
  bool caseAReady;  // the current city's tables are filled on the first arc out of it
  // Case A, scaled by two with the tie rule folded in (see admit_arc.cpp).
  bool swapTieAllowed;              // A1's tie rule keeps the start's direction
  Cost moveLastCity;                // best of A2 over the path edges
  Cost moveTailSegment[kRowCount];  // per tail start k: best of A3 and A4 over the path edges
  Cost tailEdge[kRowCount];         // per tail start k: d(order[k-1], order[k])
  // Case B, per city, filled on the city's first arc. An arc t->h is rejected when
  // d(t,h) - d(L,h) + byTailLessL[t] > 0 (B1, B4, B9), d(t,h) - d(P,h) + byTailLessP[t] > 0
  // (B2, B3, B6, B8), d(t,h) - d(X,h) + byTailLessX[t] > 0 (B5) or
  // d(t,h) + byHead[h] - d(t,P) > 0 (B7).
  bool cityReady[kRowCount];
  bool pathEdgesReady;
  // Per path edge (u, w) = (order[i], order[i+1]): d(u,w) - d(u,L), d(u,w) - d(L,w) and
  // d(u,w) - d(u,P), the parts of B6 .. B9 that do not depend on the arc.
  Cost edgeLessUL[kRowCount];
  Cost edgeLessLW[kRowCount];
  Cost edgeLessUP[kRowCount];
  Cost byTailLessL[kRowCount];
  Cost byTailLessP[kRowCount];
  Cost byTailLessX[kRowCount];
  Cost byHead[kRowCount];
};

// Sets the tables up for the node's path; their entries are filled on demand.
void prepareAdmitArc(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables);
// Fills the case B entries of city x (paths of four or more cities).
void prepareAdmitCity(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables,
                      std::int32_t x);
// admitPreparedArc for an arc out of the current city (case A).
bool admitPreparedArcOutOfCurrent(const SearchContext& context, const SearchNode& node,
                                  AdmitArcTables& tables, std::int32_t tail, std::int32_t head);

// admitArc (t, h) for the node that the tables were prepared for. Arcs off the path end (case B)
// are decided inline, so the caller's loop keeps them.
inline bool admitPreparedArc(const SearchContext& context, const SearchNode& node,
                             AdmitArcTables& tables, std::int32_t t, std::int32_t h) {
  if (t == tables.current) return admitPreparedArcOutOfCurrent(context, node, tables, t, h);
  const std::int32_t m = tables.pathCount;
  if (m < 2) return true;
  const auto& d = tables.distance;
  const std::int32_t* fromT = d[t];
  const Cost th = fromT[h];
  const std::int32_t L = tables.current;
  const std::int32_t P = tables.beforeCurrent;
  if (m < 4) {
    const Cost pl = d[P][L];
    if (th + pl > Cost{d[L][h]} + d[P][t]) return false;  // B1
    if (m < 3) return true;
    const std::int32_t X = tables.twoBeforeCurrent;
    return th + d[X][P] + pl <= Cost{d[X][L]} + d[P][h] + fromT[P];  // B2
  }
  // B1 .. B9 through the per-city tables.
  if (!tables.cityReady[t]) prepareAdmitCity(context, node, tables, t);
  if (th - tables.distance[tables.current][h] + tables.byTailLessL[t] > 0) return false;
  if (th - tables.distance[tables.beforeCurrent][h] + tables.byTailLessP[t] > 0) return false;
  if (th - tables.distance[tables.twoBeforeCurrent][h] + tables.byTailLessX[t] > 0) return false;
  if (!tables.cityReady[h]) prepareAdmitCity(context, node, tables, h);
  return th + tables.byHead[h] - fromT[tables.beforeCurrent] <= 0;
}

}  // namespace ringmarch
