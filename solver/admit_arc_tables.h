// The exchange test of admitArc in a prepared form for one evaluation: the parts of every check
// that depend only on the path (and on one end of the arc) are maximised over the path edges once,
// so that testing an arc costs O(1) for arcs between cities off the path end and O(m) for arcs
// out of the current city, instead of O(m) and O(m squared). The answers are those of admitArc.
#pragma once

#include <cstdint>

#include "solver/search.h"

namespace ringmarch {

struct AdmitArcTables {
  std::int32_t pathCount;
  bool caseAReady;  // the current city's tables are filled on the first arc out of it
  // Case A, scaled by two with the tie rule folded in (see admit_arc.cpp).
  Cost moveLastCity;                // best of A2 over the path edges
  Cost moveTailSegment[kRowCount];  // per tail start k: best of A3 and A4 over the path edges
  Cost tailEdge[kRowCount];         // per tail start k: d(order[k-1], order[k])
  // Case B, per city, filled on the city's first arc: best of B6 and B8 and of B9 (by the arc's
  // tail) and of B7 (by the arc's head).
  bool cityReady[kRowCount];
  bool pathEdgesReady;
  // Per path edge (u, w) = (order[i], order[i+1]): d(u,w) - d(u,L), d(u,w) - d(L,w) and
  // d(u,w) - d(u,P), the parts of B6 .. B9 that do not depend on the arc.
  Cost edgeLessUL[kRowCount];
  Cost edgeLessLW[kRowCount];
  Cost edgeLessUP[kRowCount];
  Cost segmentByTail[2][kRowCount];
  Cost segmentByHead[kRowCount];
};

// Sets the tables up for the node's path; their entries are filled on demand.
void prepareAdmitArc(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables);
// admitArc (t, h) for the node that the tables were prepared for.
bool admitPreparedArc(const SearchContext& context, const SearchNode& node, AdmitArcTables& tables,
                      std::int32_t tail, std::int32_t head);

}  // namespace ringmarch
