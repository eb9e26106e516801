// The edge to branch on (x_e = 0 in one child, x_e = 1 in the other), by strong branching
// (Applegate, Bixby, Chvatal & Cook 1995, 2006 ch. 5): a few fractional edges, those nearest to
// one half, are each tried both ways with a limited number of dual simplex iterations, and the
// edge whose weaker child rises most is chosen (the product of the two rises, so that one strong
// side does not hide a flat one; Achterberg 2007). The trial objectives only order the work:
// nothing is pruned on them. The LP is left as it was.
//
// With a history, reliability branching (Achterberg, Koch & Martin 2005): every trial records
// each side's rise per unit of change in x_e (the edge's pseudocosts), and so does each child's
// first LP after the branch, for its side; an edge with `reliable` rises on each side is scored
// from its pseudocosts without a trial, the others are tried in the order of
// their estimated score, and the trials stop once `lookahead` of them in a row have not bettered
// the best score. The history is kept by edge, so it stays valid while columns come and go.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "cut/edge_table.h"
#include "cut/relaxation.h"

namespace ringmarch::cut {

struct BranchChoice {
  std::int64_t edge = -1;      // -1: no fractional free edge
  double x = 0.0;              // its value in the LP
  double zeroObjective = 0.0;  // the two children's LP values: trial results or estimates
  double oneObjective = 0.0;
  int trials = 0;  // candidates tried with the LP
};

struct BranchingRules {
  int candidates = 16;   // fractional edges considered, nearest to one half first
  int iterations = 100;  // dual simplex iterations per trial and side
  int reliable = 0;      // trials after which an edge's pseudocosts stand in; 0: always try
  int lookahead = 0;     // trials in a row without a better score that end the trials; 0: never
};

// Pseudocosts by edge: the mean rise of the LP value per unit of change, for each side.
class BranchingHistory {
 public:
  // A trial of both sides (kept out when either side was infeasible).
  void record(std::int64_t edge, double x, double zeroRise, double oneRise);
  // One side's rise, as a child's LP found it after the branch.
  void recordSide(std::int64_t edge, double x, bool one, double rise);
  // Rises recorded for the edge, on the side with fewer.
  int trials(std::int64_t edge) const;
  // The estimated rises of setting x_e to 0 and to 1 from x; edges never tried use the mean
  // over all edges tried (1 per unit before any trial).
  double zeroRise(std::int64_t edge, double x) const;
  double oneRise(std::int64_t edge, double x) const;

 private:
  double meanPerUnit(std::int64_t edge, bool one) const;

  struct Side {
    double perUnit = 0.0;  // the sum
    int count = 0;
  };
  struct Record {
    Side zero, one;
  };
  std::unordered_map<std::int64_t, Record> records_;
  Side allZero_, allOne_;  // over every edge
};

BranchChoice chooseBranchEdge(Relaxation& lp, const EdgeTable& edges, const BranchingRules& rules,
                              BranchingHistory& history);

}  // namespace ringmarch::cut
