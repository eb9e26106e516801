// A search node built from a distance matrix for the tests of single procedures: an instance from a
// distance matrix or from points, a path, a best length, and candidate edges for every pair of
// cities that still need each other (optionally only the arcs a test keeps). The degree bound of
// every entry is set by the solver's own refreshCityBound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch::testing {

using Matrix = std::vector<std::vector<std::int32_t>>;

// An n x n matrix with 0 on the diagonal and value everywhere else.
inline Matrix uniformMatrix(int n, std::int32_t value) {
  Matrix m(static_cast<std::size_t>(n), std::vector<std::int32_t>(static_cast<std::size_t>(n)));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) m[i][j] = i == j ? 0 : value;
  }
  return m;
}

// Sets the distance between x and y in both directions.
inline void setPair(Matrix& m, int x, int y, std::int32_t value) {
  m[x][y] = value;
  m[y][x] = value;
}

class MatrixNodeFixture {
 public:
  explicit MatrixNodeFixture(const std::vector<std::vector<std::int32_t>>& distances);
  // Rounded Euclidean distances between the points.
  static std::vector<std::vector<std::int32_t>> euclidean(
      const std::vector<std::pair<double, double>>& points);

  // Appends the cities to the path (the first is the first city).
  void setPath(const std::vector<std::int32_t>& cities);
  void setBestLength(std::int32_t length) { state_->bestLength = length; }

  // Builds the node. keepArc(tail, head) decides which arcs the candidate lists allow, besides
  // the free ends. Answers whether every city passed its degree bound.
  bool build(const std::function<bool(std::int32_t, std::int32_t)>& keepArc = {});

  SearchContext& context() { return context_; }
  SearchNode& node() { return node_; }
  SolveOptions& options() { return options_; }
  SolverState& state() { return *state_; }
  const TourRecord& path() const { return *path_; }

  // The direction bits of c's edge to j (0 when c's list has no such edge or c has no entry).
  std::uint8_t dirs(std::int32_t c, std::int32_t j) const;
  std::int32_t edgeCount(std::int32_t c) const { return node_.entryOfCity[c]->edgeCount; }
  // The other cities of c's edges, in list order.
  std::vector<std::int32_t> edgeCities(std::int32_t c) const;
  // Every allowed arc of the node as (tail, head), read from the tails' lists.
  std::vector<std::pair<std::int32_t, std::int32_t>> arcs() const;

 private:
  std::unique_ptr<SolverState> state_;
  std::unique_ptr<TourRecord> path_;
  struct ArcTableBox {
    ArcTable cells;
  };
  std::unique_ptr<ArcTableBox> arcBox_;
  ArcTable* arcTable_;
  std::vector<CityCandidates> entries_;
  std::vector<CandidateEdge> pool_;
  SolveOptions options_;
  SolveStatistics statistics_;
  SearchContext context_;
  SearchNode node_{};
};

}  // namespace ringmarch::testing
