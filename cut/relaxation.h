// The LP relaxation of the current node: one column per edge of a working edge set (bounds 0 to
// 1, or the node's fixing), a degree equation x(delta(v)) = 2 per node and a row
// sum_S w_S x(delta(S)) >= rhs per pool cut in the LP (Dantzig, Fulkerson & Johnson 1954).
// Columns and rows come and go; a new column gets its coefficients in the cut rows from the cuts'
// sets, so that cuts stay valid whatever edges join later. A set of at most three cities enters
// its row in the sparser of two forms equal under the degree equations: x(delta(S)), or
// -2 x(E(S)) with 2|S| taken off the right-hand side (x(delta(S)) = 2|S| - 2 x(E(S))). A tooth of
// two cities is then one entry instead of the twenty or so LP edges at its ends, and the LP's
// factorization stays thinner. The duals are handed back as those of the rows in crossing form
// (each inside set's dual moved onto the degree rows of its cities), so that everything after
// sees sum_S w_S x(delta(S)) >= rhs. It proves nothing by itself: its duals are handed to the
// exact bound. Reads the graph and the pool; changes the edge table's kInLp flags.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "cut/city_set_cut.h"
#include "cut/edge_table.h"
#include "cut/engine_graph.h"
#include "cut/exact_bound.h"
#include "cut/lp_solver.h"
#include "cut/support_graph.h"

namespace ringmarch::cut {

class Relaxation {
 public:
  Relaxation(const EngineGraph& graph, EdgeTable& edges, const CutPool& pool);

  // Columns.
  // Gives each listed edge not yet in the LP a column, bounded by its fixing.
  void addEdges(std::span<const std::int64_t> edgeIds);
  // Removes the columns of the listed edges (those not in the LP are ignored).
  void removeEdges(std::span<const std::int64_t> edgeIds);
  int columns() const { return static_cast<int>(columnEdge_.size()); }
  std::int64_t edgeOfColumn(int column) const {
    return columnEdge_[static_cast<std::size_t>(column)];
  }
  int columnOfEdge(std::int64_t edge) const;
  // Bounds a column by the edge's flags: [1, 1] fixed one, [0, 0] fixed zero or eliminated.
  void boundByFlags(std::int64_t edge);

  // Rows.
  void addCuts(std::span<const int> poolIds);
  bool inLp(int poolId) const {
    return poolId < static_cast<int>(cutRow_.size()) &&
           cutRow_[static_cast<std::size_t>(poolId)] >= 0;
  }
  int cutRows() const { return static_cast<int>(rowCut_.size()); }
  // Counts, for every cut row, the solves in a row in which it was slack; removes the rows slack
  // for `maxAge` solves. Returns the number removed.
  int ageAndDropCuts(int maxAge);

  // A basis kept by edge and by cut rather than by column and row, so that it still means
  // something after columns and rows came and went: the columns that were basic or at their
  // upper bound, every degree row's status, and the cut rows that were not basic. Starting from
  // it puts the cut rows it names back into the LP; whatever it does not name starts at its
  // bound (columns) or basic (rows).
  struct WarmStart {
    std::vector<std::pair<std::int64_t, std::uint8_t>> columns;
    std::vector<std::uint8_t> degreeRows;
    std::vector<std::pair<int, std::uint8_t>> cutRows;
  };
  WarmStart warmStart() const;
  void startFrom(const WarmStart& start);

  LpStatus solve(int iterationLimit = -1) { return lp_.solve(iterationLimit); }
  double objective() const { return lp_.objective(); }
  std::span<const double> x() const { return lp_.primal(); }
  FixedPointDuals duals() const;
  // Candidate certificates that no point satisfies the rows within the columns' bounds, after an
  // Infeasible solve: the two sign readings of the LP library's infeasibility ray (none when it
  // gave none).
  std::vector<FixedPointDuals> rayCertificates() const;
  // The duals of the phase-one problem (the same rows with an artificial column of cost 1 per row
  // side, the edges at cost 0), whose value, the least total infeasibility, is the certificate's
  // margin; for when the library gives no ray or a ray too weak to prove anything. The LP is left
  // as it was, its basis aside.
  std::optional<FixedPointDuals> phaseOneCertificate();
  // The edges with x above epsilon, values clamped to [0, 1].
  SupportGraph support(double epsilon = 1e-6) const;
  LpSolver& lp() { return lp_; }
  std::uint64_t iterations() const { return lp_.iterations(); }

 private:
  void rebuildColumnIndex();
  void rebuildRowIndex();
  // Dual values of the rows (degree rows, then cut rows) as those of the rows in crossing form.
  std::vector<double> inCrossingForm(std::span<const double> rowValues) const;

  const EngineGraph& graph_;
  EdgeTable& edges_;
  const CutPool& pool_;
  LpSolver lp_;
  std::vector<std::int64_t> columnEdge_;
  std::unordered_map<std::int64_t, int> edgeColumn_;
  // Per node: (other end, column) of each LP edge at it.
  std::vector<std::vector<std::pair<int, int>>> adjacency_;
  std::vector<int> rowCut_;  // pool id of each cut row, in row order after the degree rows
  std::vector<int> cutRow_;  // row of each pool cut, -1 outside the LP
  std::vector<int> rowAge_;
  // Per cut row: whether each of its cut's sets enters by the edges inside it, and the row's
  // right-hand side in the LP (the cut's, less 2 w |S| for each such set).
  std::vector<std::vector<std::uint8_t>> rowInside_;
  std::vector<double> rowRhs_;
  std::vector<int> doomedRows_;  // scratch of ageAndDropCuts
  // Scratch for building rows.
  std::vector<int> mark_;
  int markGeneration_ = 0;
  std::vector<std::uint8_t> columnTouched_;
  std::vector<double> coefficient_;
  std::vector<int> touched_;
};

}  // namespace ringmarch::cut
