// The LP library behind LpSolver: one simplex object kept for the whole run, a message handler
// that discards everything (the library must never write to the standard streams), and the
// dual simplex after every change so that the previous basis is the warm start.
#include "cut/lp_solver.h"

#include <coin/ClpSimplex.hpp>
#include <coin/CoinMessageHandler.hpp>

#include <algorithm>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ringmarch::cut {

namespace {

// The library allocates and frees its work arrays on every solve. With glibc's defaults the
// freed memory goes back to the kernel at once (the heap top trimmed, large blocks unmapped) and
// is faulted in again, page by page, on the next solve: two fifths of the wall time of a
// 442-city run. Once per process, blocks under 32 MB come from the heap and up to 64 MB stay free
// at its top. This only changes how much freed memory the process keeps, never a result.
void keepFreedMemory() {
#if defined(__GLIBC__)
  static const bool kept = [] {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    return true;
  }();
  (void)kept;
#endif
}

class SilentHandler : public CoinMessageHandler {
 public:
  int print() override { return 0; }
  CoinMessageHandler* clone() const override { return new SilentHandler(*this); }
};

}  // namespace

struct LpSolver::Model {
  SilentHandler handler;
  ClpSimplex simplex;
};

LpSolver::LpSolver() : model_(std::make_unique<Model>()) {
  keepFreedMemory();
  model_->handler.setLogLevel(0);
  model_->simplex.passInMessageHandler(&model_->handler);
  model_->simplex.setLogLevel(0);
  model_->simplex.setOptimizationDirection(1.0);
}

LpSolver::~LpSolver() = default;

int LpSolver::rowCount() const {
  return model_->simplex.numberRows();
}
int LpSolver::columnCount() const {
  return model_->simplex.numberColumns();
}

void LpSolver::addRow(double lower, double upper, std::span<const int> columns,
                      std::span<const double> coefficients) {
  const CoinBigIndex starts[2] = {0, static_cast<CoinBigIndex>(columns.size())};
  model_->simplex.addRows(1, &lower, &upper, starts, columns.data(), coefficients.data());
}

void LpSolver::addColumn(double cost, double lower, double upper, std::span<const int> rows,
                         std::span<const double> coefficients) {
  const CoinBigIndex starts[2] = {0, static_cast<CoinBigIndex>(rows.size())};
  model_->simplex.addColumns(1, &lower, &upper, &cost, starts, rows.data(), coefficients.data());
}

void LpSolver::removeRows(std::span<const int> rows) {
  if (rows.empty()) return;
  model_->simplex.deleteRows(static_cast<int>(rows.size()), rows.data());
}

void LpSolver::removeColumns(std::span<const int> columns) {
  if (columns.empty()) return;
  model_->simplex.deleteColumns(static_cast<int>(columns.size()), columns.data());
}

void LpSolver::setColumnBounds(int column, double lower, double upper) {
  model_->simplex.setColumnBounds(column, lower, upper);
}

void LpSolver::setColumnCost(int column, double cost) {
  model_->simplex.setObjectiveCoefficient(column, cost);
}

double LpSolver::columnLower(int column) const {
  return model_->simplex.columnLower()[column];
}
double LpSolver::columnUpper(int column) const {
  return model_->simplex.columnUpper()[column];
}

LpStatus LpSolver::solve(int iterationLimit) {
  ClpSimplex& s = model_->simplex;
  s.setMaximumIterations(iterationLimit < 0 ? 2000000000 : iterationLimit);
  s.dual();
  iterations_ += static_cast<std::uint64_t>(std::max(0, s.numberIterations()));
  switch (s.status()) {
    case 0:
      return LpStatus::Optimal;
    case 1:
      return LpStatus::Infeasible;
    case 3:
      return LpStatus::IterationLimit;
    default:
      return LpStatus::Failed;
  }
}

std::vector<double> LpSolver::infeasibilityRay() const {
  ClpSimplex& s = model_->simplex;
  const double* ray = s.infeasibilityRay();
  if (ray == nullptr) return {};
  std::vector<double> rows(ray, ray + s.numberRows());
  delete[] ray;
  return rows;
}

double LpSolver::objective() const {
  return model_->simplex.objectiveValue();
}

std::span<const double> LpSolver::primal() const {
  return {model_->simplex.primalColumnSolution(),
          static_cast<std::size_t>(model_->simplex.numberColumns())};
}

std::span<const double> LpSolver::duals() const {
  return {model_->simplex.dualRowSolution(),
          static_cast<std::size_t>(model_->simplex.numberRows())};
}

std::span<const double> LpSolver::rowActivity() const {
  return {model_->simplex.primalRowSolution(),
          static_cast<std::size_t>(model_->simplex.numberRows())};
}

std::vector<LpSolver::Trial> LpSolver::strongBranching(std::span<const int> columns,
                                                       int iterations) {
  ClpSimplex& s = model_->simplex;
  const int count = static_cast<int>(columns.size());
  const int width = s.numberColumns();
  std::vector<double> up(static_cast<std::size_t>(count), 1.0);    // new lower bounds: x = 1
  std::vector<double> down(static_cast<std::size_t>(count), 0.0);  // new upper bounds: x = 0
  std::vector<double> solutions(static_cast<std::size_t>(2 * count) *
                                static_cast<std::size_t>(width));
  std::vector<double*> outputs(static_cast<std::size_t>(2 * count));
  for (int k = 0; k < 2 * count; ++k) {
    outputs[static_cast<std::size_t>(k)] = solutions.data() + static_cast<std::size_t>(k) * width;
  }
  std::vector<int> status(static_cast<std::size_t>(2 * count)),
      used(static_cast<std::size_t>(2 * count));
  const int saved = s.maximumIterations();
  s.setMaximumIterations(iterations);
  const double base = s.objectiveValue();
  s.strongBranching(count, columns.data(), up.data(), down.data(), outputs.data(), status.data(),
                    used.data(), false, true, 0);
  s.setMaximumIterations(saved);
  for (const int n : used) iterations_ += static_cast<std::uint64_t>(std::max(0, n));
  std::vector<Trial> trials(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const double downChange = down[static_cast<std::size_t>(k)];
    const double upChange = up[static_cast<std::size_t>(k)];
    trials[static_cast<std::size_t>(k)].zero = downChange > 1e50 ? 1e300 : base + downChange;
    trials[static_cast<std::size_t>(k)].one = upChange > 1e50 ? 1e300 : base + upChange;
  }
  return trials;
}

std::uint8_t LpSolver::columnStatus(int column) const {
  return static_cast<std::uint8_t>(model_->simplex.getColumnStatus(column));
}
std::uint8_t LpSolver::rowStatus(int row) const {
  return static_cast<std::uint8_t>(model_->simplex.getRowStatus(row));
}
// A model never solved has no status array yet: the library would write through a null pointer.
void LpSolver::setColumnStatus(int column, std::uint8_t status) {
  if (!model_->simplex.statusExists()) model_->simplex.createStatus();
  model_->simplex.setColumnStatus(column, static_cast<ClpSimplex::Status>(status));
}
void LpSolver::setRowStatus(int row, std::uint8_t status) {
  if (!model_->simplex.statusExists()) model_->simplex.createStatus();
  model_->simplex.setRowStatus(row, static_cast<ClpSimplex::Status>(status));
}

void LpSolver::save(Snapshot& snapshot) const {
  const ClpSimplex& s = model_->simplex;
  const int rows = s.numberRows(), columns = s.numberColumns();
  const unsigned char* status = s.statusArray();
  snapshot.status.assign(status, status + rows + columns);
  snapshot.primal.assign(s.primalColumnSolution(), s.primalColumnSolution() + columns);
  snapshot.rowActivity.assign(s.primalRowSolution(), s.primalRowSolution() + rows);
  snapshot.duals.assign(s.dualRowSolution(), s.dualRowSolution() + rows);
}

void LpSolver::restore(const Snapshot& snapshot) {
  ClpSimplex& s = model_->simplex;
  const int rows = s.numberRows(), columns = s.numberColumns();
  if (snapshot.status.size() != static_cast<std::size_t>(rows + columns)) return;
  s.copyinStatus(snapshot.status.data());
  std::memcpy(s.primalColumnSolution(), snapshot.primal.data(), sizeof(double) * columns);
  std::memcpy(s.primalRowSolution(), snapshot.rowActivity.data(), sizeof(double) * rows);
  std::memcpy(s.dualRowSolution(), snapshot.duals.data(), sizeof(double) * rows);
}

}  // namespace ringmarch::cut
