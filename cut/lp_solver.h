// The linear programme of the branch-and-cut engine, kept alive between changes so that every
// solve is a warm-started dual simplex from the previous basis (Dantzig's simplex method in its
// dual form, Lemke 1954). It proves nothing by itself: its duals are read by the exact bound,
// which alone may prune. Rows are equations or >= inequalities over the columns, columns have
// bounds; rows and columns come and go by index, and the indices after a removal close up in
// order. This is the only unit that sees the LP library's headers, and the library never prints.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ringmarch::cut {

enum class LpStatus : std::uint8_t { Optimal, Infeasible, IterationLimit, Failed };

class LpSolver {
 public:
  LpSolver();
  ~LpSolver();
  LpSolver(const LpSolver&) = delete;
  LpSolver& operator=(const LpSolver&) = delete;

  int rowCount() const;
  int columnCount() const;

  // A row lower <= sum coefficient * column <= upper (upper = lower for an equation; use
  // kInfinity for no upper side). The row's entries name existing columns.
  void addRow(double lower, double upper, std::span<const int> columns,
              std::span<const double> coefficients);
  // A column with its cost, bounds and entries in existing rows.
  void addColumn(double cost, double lower, double upper, std::span<const int> rows,
                 std::span<const double> coefficients);
  // Removes the listed rows (columns); indices above each removed one move down.
  void removeRows(std::span<const int> rows);
  void removeColumns(std::span<const int> columns);
  void setColumnBounds(int column, double lower, double upper);
  void setColumnCost(int column, double cost);
  double columnLower(int column) const;
  double columnUpper(int column) const;

  // Dual simplex from the current basis; iterationLimit < 0 runs to the end.
  LpStatus solve(int iterationLimit = -1);
  double objective() const;
  std::span<const double> primal() const;  // one value per column
  std::span<const double> duals() const;   // one value per row
  std::span<const double> rowActivity() const;
  std::uint64_t iterations() const { return iterations_; }
  // After an Infeasible solve: the library's ray over the rows (a Farkas certificate up to its
  // sign), or empty when it has none.
  std::vector<double> infeasibilityRay() const;

  // Strong branching trials for the listed columns, from the current optimal basis: for each,
  // the objective with the column fixed at 0 and at 1 after at most `iterations` dual simplex
  // iterations (1e300 when that side is infeasible). The LP is left as it was.
  struct Trial {
    double zero = 0.0, one = 0.0;
  };
  std::vector<Trial> strongBranching(std::span<const int> columns, int iterations);

  // The basis: one status per column and per row (the library's codes: 1 basic, 2 at the upper
  // bound, 3 at the lower bound, 5 fixed), to be handed back later as a warm start, when rows
  // and columns may have come and gone (the library repairs a basis of the wrong size).
  static constexpr std::uint8_t kBasic = 1;
  static constexpr std::uint8_t kAtLower = 3;
  std::uint8_t columnStatus(int column) const;
  std::uint8_t rowStatus(int row) const;
  void setColumnStatus(int column, std::uint8_t status);
  void setRowStatus(int row, std::uint8_t status);

  // The basis and solution, saved before a trial (strong branching) and put back after it.
  struct Snapshot {
    std::vector<unsigned char> status;
    std::vector<double> primal, rowActivity, duals;
  };
  void save(Snapshot& snapshot) const;
  void restore(const Snapshot& snapshot);

  static constexpr double kInfinity = 1e30;

 private:
  struct Model;
  std::unique_ptr<Model> model_;
  std::uint64_t iterations_ = 0;
};

}  // namespace ringmarch::cut
