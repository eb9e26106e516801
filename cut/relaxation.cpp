// Building rows and columns of the relaxation from the cuts' city sets. A row's coefficient on an
// edge is the weight of the cut's sets it crosses, or -2 times that of the sets it lies in for
// the sets the row writes by their inside edges: found by marking a set and walking the LP edges
// at its cities. A column's coefficients come from the pool's per-city memberships.
#include "cut/relaxation.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ringmarch::cut {
namespace {

// Sets of at most this many cities may enter a row by their inside edges: teeth above all, whose
// inside is one edge and whose crossing edges number about twenty. Larger sets keep the crossing
// form: with every set free to take the inside form when it was the sparser as the row was built,
// the LP's time per node fell as much, but p43 (twin form) took 8,095 nodes against 128.
constexpr std::size_t kMaxInsideFormSet = 3;

}  // namespace

Relaxation::Relaxation(const EngineGraph& graph, EdgeTable& edges, const CutPool& pool)
    : graph_(graph),
      edges_(edges),
      pool_(pool),
      adjacency_(static_cast<std::size_t>(graph.size())),
      mark_(static_cast<std::size_t>(graph.size()), 0) {
  for (int v = 0; v < graph.size(); ++v) lp_.addRow(2.0, 2.0, {}, {});
}

int Relaxation::columnOfEdge(std::int64_t edge) const {
  const auto found = edgeColumn_.find(edge);
  return found == edgeColumn_.end() ? -1 : found->second;
}

void Relaxation::boundByFlags(std::int64_t edge) {
  const int column = columnOfEdge(edge);
  if (column < 0) return;
  const std::uint8_t f = edges_.flags(edge);
  if ((f & kExcluded) != 0) {
    lp_.setColumnBounds(column, 0.0, 0.0);
  } else if ((f & kFixedOne) != 0) {
    lp_.setColumnBounds(column, 1.0, 1.0);
  } else {
    lp_.setColumnBounds(column, 0.0, 1.0);
  }
}

void Relaxation::addEdges(std::span<const std::int64_t> edgeIds) {
  std::vector<int> rows;
  std::vector<double> values;
  for (const std::int64_t e : edgeIds) {
    if (edges_.has(e, kInLp)) continue;
    const auto [a, b] = EdgeTable::endsOf(e);
    rows.assign({a, b});
    values.assign({1.0, 1.0});
    // Per cut in the LP, the weights of its sets the edge crosses (those in crossing form) or
    // lies in (those in inside form, times -2).
    pool_.forEachCutSum(
        a, b,
        [&](const CutPool::Member& member, bool holdsBoth) -> std::int64_t {
          if (!inLp(member.cut)) return 0;
          const int row = cutRow_[static_cast<std::size_t>(member.cut)] - graph_.size();
          const bool inside =
              rowInside_[static_cast<std::size_t>(row)][static_cast<std::size_t>(member.set)] != 0;
          if (holdsBoth != inside) return 0;
          return holdsBoth ? -2 * member.weight : member.weight;
        },
        [&](int cutId, std::int64_t coefficient) {
          rows.push_back(cutRow_[static_cast<std::size_t>(cutId)]);
          values.push_back(static_cast<double>(coefficient));
        });
    const std::uint8_t f = edges_.flags(e);
    const double lower = (f & kFixedOne) != 0 ? 1.0 : 0.0;
    const double upper = (f & kExcluded) != 0 ? 0.0 : 1.0;
    const int column = columns();
    lp_.addColumn(static_cast<double>(graph_.cost(a, b)), lower, upper, rows, values);
    columnEdge_.push_back(e);
    edgeColumn_.emplace(e, column);
    adjacency_[static_cast<std::size_t>(a)].emplace_back(b, column);
    adjacency_[static_cast<std::size_t>(b)].emplace_back(a, column);
    edges_.set(e, kInLp);
  }
}

void Relaxation::removeEdges(std::span<const std::int64_t> edgeIds) {
  std::vector<int> doomed;
  for (const std::int64_t e : edgeIds) {
    const int column = columnOfEdge(e);
    if (column < 0) continue;
    doomed.push_back(column);
    edges_.clear(e, kInLp);
  }
  if (doomed.empty()) return;
  std::sort(doomed.begin(), doomed.end());
  lp_.removeColumns(doomed);
  std::vector<std::int64_t> kept;
  kept.reserve(columnEdge_.size() - doomed.size());
  std::size_t d = 0;
  for (int c = 0; c < columns(); ++c) {
    if (d < doomed.size() && doomed[d] == c) {
      ++d;
      continue;
    }
    kept.push_back(columnEdge_[static_cast<std::size_t>(c)]);
  }
  columnEdge_ = std::move(kept);
  rebuildColumnIndex();
}

void Relaxation::rebuildColumnIndex() {
  edgeColumn_.clear();
  for (auto& list : adjacency_) list.clear();
  for (int c = 0; c < columns(); ++c) {
    const std::int64_t e = columnEdge_[static_cast<std::size_t>(c)];
    edgeColumn_.emplace(e, c);
    const auto [a, b] = EdgeTable::endsOf(e);
    adjacency_[static_cast<std::size_t>(a)].emplace_back(b, c);
    adjacency_[static_cast<std::size_t>(b)].emplace_back(a, c);
  }
}

void Relaxation::addCuts(std::span<const int> poolIds) {
  if (cutRow_.size() < static_cast<std::size_t>(pool_.size())) {
    cutRow_.resize(static_cast<std::size_t>(pool_.size()), -1);
  }
  coefficient_.resize(static_cast<std::size_t>(columns()), 0.0);
  columnTouched_.resize(static_cast<std::size_t>(columns()), 0);
  std::vector<int> rowColumns;
  std::vector<double> rowValues;
  for (const int id : poolIds) {
    if (inLp(id)) continue;
    const CitySetCut& cut = pool_[id];
    touched_.clear();
    std::vector<std::uint8_t> inside(cut.sets.size(), 0);
    double rhs = cut.rhs;
    for (std::size_t s = 0; s < cut.sets.size(); ++s) {
      const auto& set = cut.sets[s];
      const double weight = cut.weight(s);
      ++markGeneration_;
      for (int c : set) mark_[static_cast<std::size_t>(c)] = markGeneration_;
      // A small set's LP edges crossing it, and inside it (each seen from both ends): the fewer
      // give the row its entries for this set. Larger sets always cross.
      if (set.size() <= kMaxInsideFormSet) {
        std::size_t crossing = 0, insideTwice = 0;
        for (int c : set) {
          for (const auto& [other, column] : adjacency_[static_cast<std::size_t>(c)]) {
            ++(mark_[static_cast<std::size_t>(other)] == markGeneration_ ? insideTwice : crossing);
          }
        }
        inside[s] = insideTwice / 2 < crossing;
      }
      if (inside[s]) rhs -= 2.0 * weight * static_cast<double>(set.size());
      for (int c : set) {
        for (const auto& [other, column] : adjacency_[static_cast<std::size_t>(c)]) {
          const bool otherInside = mark_[static_cast<std::size_t>(other)] == markGeneration_;
          if (otherInside != (inside[s] != 0) || (otherInside && other < c)) continue;
          // Weights of either sign may sum to 0 on the way: a column is listed once, when first
          // touched, and left out at the end if its sum is 0.
          if (!columnTouched_[static_cast<std::size_t>(column)]) {
            columnTouched_[static_cast<std::size_t>(column)] = 1;
            touched_.push_back(column);
          }
          coefficient_[static_cast<std::size_t>(column)] += otherInside ? -2.0 * weight : weight;
        }
      }
    }
    std::sort(touched_.begin(), touched_.end());
    rowColumns.clear();
    rowValues.clear();
    for (int column : touched_) {
      const double value = coefficient_[static_cast<std::size_t>(column)];
      if (value != 0.0) {
        rowColumns.push_back(column);
        rowValues.push_back(value);
      }
      coefficient_[static_cast<std::size_t>(column)] = 0.0;
      columnTouched_[static_cast<std::size_t>(column)] = 0;
    }
    lp_.addRow(rhs, LpSolver::kInfinity, rowColumns, rowValues);
    cutRow_[static_cast<std::size_t>(id)] = graph_.size() + cutRows();
    rowCut_.push_back(id);
    rowAge_.push_back(0);
    rowInside_.push_back(std::move(inside));
    rowRhs_.push_back(rhs);
  }
}

int Relaxation::ageAndDropCuts(int maxAge) {
  const auto activity = lp_.rowActivity();
  std::vector<int>& doomed = doomedRows_;
  doomed.clear();
  for (int r = 0; r < cutRows(); ++r) {
    const int row = graph_.size() + r;
    const double slack =
        activity[static_cast<std::size_t>(row)] - rowRhs_[static_cast<std::size_t>(r)];
    int& age = rowAge_[static_cast<std::size_t>(r)];
    age = slack > 1e-6 ? age + 1 : 0;
    if (age >= maxAge) doomed.push_back(row);
  }
  if (doomed.empty()) return 0;
  lp_.removeRows(doomed);
  // The kept rows close up in place, in order.
  std::size_t d = 0, kept = 0;
  for (int r = 0; r < cutRows(); ++r) {
    if (d < doomed.size() && doomed[d] == graph_.size() + r) {
      ++d;
      continue;
    }
    rowCut_[kept] = rowCut_[static_cast<std::size_t>(r)];
    rowAge_[kept] = rowAge_[static_cast<std::size_t>(r)];
    std::swap(rowInside_[kept], rowInside_[static_cast<std::size_t>(r)]);  // kept may be r
    rowRhs_[kept] = rowRhs_[static_cast<std::size_t>(r)];
    ++kept;
  }
  rowCut_.resize(kept);
  rowAge_.resize(kept);
  rowInside_.resize(kept);
  rowRhs_.resize(kept);
  rebuildRowIndex();
  return static_cast<int>(doomed.size());
}

void Relaxation::rebuildRowIndex() {
  std::fill(cutRow_.begin(), cutRow_.end(), -1);
  for (int r = 0; r < cutRows(); ++r) {
    cutRow_[static_cast<std::size_t>(rowCut_[static_cast<std::size_t>(r)])] = graph_.size() + r;
  }
}

Relaxation::WarmStart Relaxation::warmStart() const {
  WarmStart start;
  for (int c = 0; c < columns(); ++c) {
    const std::uint8_t status = lp_.columnStatus(c);
    if (status != LpSolver::kAtLower) {
      start.columns.emplace_back(columnEdge_[static_cast<std::size_t>(c)], status);
    }
  }
  for (int v = 0; v < graph_.size(); ++v) start.degreeRows.push_back(lp_.rowStatus(v));
  for (int r = 0; r < cutRows(); ++r) {
    const std::uint8_t status = lp_.rowStatus(graph_.size() + r);
    if (status != LpSolver::kBasic) {
      start.cutRows.emplace_back(rowCut_[static_cast<std::size_t>(r)], status);
    }
  }
  return start;
}

void Relaxation::startFrom(const WarmStart& start) {
  // The parent's tight rows that other nodes' aging dropped since come back first: without them
  // the basis lacks rows it needs, the LP starts below the parent's value, and the cutting loop
  // finds them again one round at a time.
  std::vector<int> missing;
  for (const auto& [cut, status] : start.cutRows) {
    if (!inLp(cut)) missing.push_back(cut);
  }
  addCuts(missing);
  for (int c = 0; c < columns(); ++c) lp_.setColumnStatus(c, LpSolver::kAtLower);
  for (const auto& [edge, status] : start.columns) {
    const int column = columnOfEdge(edge);
    if (column >= 0) lp_.setColumnStatus(column, status);
  }
  for (int v = 0; v < graph_.size(); ++v) {
    lp_.setRowStatus(v, start.degreeRows[static_cast<std::size_t>(v)]);
  }
  for (int r = 0; r < cutRows(); ++r) lp_.setRowStatus(graph_.size() + r, LpSolver::kBasic);
  for (const auto& [cut, status] : start.cutRows) {
    if (inLp(cut)) lp_.setRowStatus(cutRow_[static_cast<std::size_t>(cut)], status);
  }
}

std::vector<double> Relaxation::inCrossingForm(std::span<const double> rowValues) const {
  std::vector<double> values(rowValues.begin(), rowValues.end());
  const int n = graph_.size();
  for (int r = 0; r < cutRows() && n + r < static_cast<int>(values.size()); ++r) {
    const double dual = values[static_cast<std::size_t>(n + r)];
    if (dual == 0.0) continue;
    const auto& inside = rowInside_[static_cast<std::size_t>(r)];
    const CitySetCut& cut = pool_[rowCut_[static_cast<std::size_t>(r)]];
    for (std::size_t s = 0; s < inside.size(); ++s) {
      if (inside[s] == 0) continue;
      const double shift = dual * cut.weight(s);
      for (int c : cut.sets[s]) values[static_cast<std::size_t>(c)] -= shift;
    }
  }
  return values;
}

FixedPointDuals Relaxation::duals() const {
  return roundDuals(inCrossingForm(lp_.duals()), graph_.size(), rowCut_, pool_.size());
}

std::vector<FixedPointDuals> Relaxation::rayCertificates() const {
  std::vector<FixedPointDuals> certificates;
  const int rows = graph_.size() + cutRows();
  const std::vector<double> ray = inCrossingForm(lp_.infeasibilityRay());
  double largest = 0.0;
  for (double value : ray) largest = std::max(largest, std::abs(value));
  if (ray.size() == static_cast<std::size_t>(rows) && largest > 0.0) {
    // Scaled up so that rounding to 2^-20 keeps the ray's direction.
    const double scale = 1024.0 / largest;
    certificates.push_back(roundDuals(ray, graph_.size(), rowCut_, pool_.size(), -scale));
    certificates.push_back(roundDuals(ray, graph_.size(), rowCut_, pool_.size(), scale));
  }
  return certificates;
}

std::optional<FixedPointDuals> Relaxation::phaseOneCertificate() {
  std::optional<FixedPointDuals> certificate;
  const int rows = graph_.size() + cutRows();
  // Edges free of cost, an artificial column per row side at cost 1.
  const int edgesInLp = columns();
  for (int c = 0; c < edgesInLp; ++c) lp_.setColumnCost(c, 0.0);
  const double one = 1.0;
  for (int r = 0; r < rows; ++r) {
    const int row[] = {r};
    lp_.addColumn(1.0, 0.0, LpSolver::kInfinity, row, std::span(&one, 1));
    if (r < graph_.size()) {  // equations: too much as well as too little
      const double minusOne = -1.0;
      lp_.addColumn(1.0, 0.0, LpSolver::kInfinity, row, std::span(&minusOne, 1));
    }
  }
  if (lp_.solve() == LpStatus::Optimal && lp_.objective() > 1e-9) {
    // Scaled up as the ray is: the duals of phase one lie within [-1, 1].
    const std::vector<double> duals = inCrossingForm(lp_.duals());
    certificate = roundDuals(duals, graph_.size(), rowCut_, pool_.size(), 1024.0);
  }
  std::vector<int> artificial;
  for (int c = edgesInLp; c < lp_.columnCount(); ++c) artificial.push_back(c);
  lp_.removeColumns(artificial);
  for (int c = 0; c < edgesInLp; ++c) {
    const auto [a, b] = EdgeTable::endsOf(columnEdge_[static_cast<std::size_t>(c)]);
    lp_.setColumnCost(c, static_cast<double>(graph_.cost(a, b)));
  }
  return certificate;
}

SupportGraph Relaxation::support(double epsilon) const {
  SupportGraph g;
  g.n = graph_.size();
  const auto values = x();
  for (int c = 0; c < columns(); ++c) {
    const double value = values[static_cast<std::size_t>(c)];
    if (value <= epsilon) continue;
    const auto [a, b] = EdgeTable::endsOf(columnEdge_[static_cast<std::size_t>(c)]);
    g.u.push_back(a);
    g.v.push_back(b);
    g.x.push_back(std::min(1.0, value));
  }
  return g;
}

}  // namespace ringmarch::cut
