// A hand-made search node over a small instance, for testing the procedures one by one: the
// test sets the distances, the path, the best length and the entries with their edges, and the
// fixture keeps the node's sums, counts and arc table consistent with them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch::testing {

struct EdgeBits {
  std::int32_t city;
  std::uint8_t dirs;
};

class NodeFixture {
 public:
  // n cities; every distance between distinct cities starts at 100.
  explicit NodeFixture(int n);
  ~NodeFixture();

  void setDistance(int a, int b, std::int32_t d);  // both directions
  void appendToPath(std::int32_t city) { appendCity(path_, city); }
  void setBestLength(std::int32_t length) { state_->bestLength = length; }

  // Adds an entry for city with the given edges (list order as given; the test keeps them in
  // ascending distance). Arc-table cells of the allowed arcs are set to 1.
  void addEntry(std::int32_t city, std::initializer_list<EdgeBits> edges);
  // Recomputes every entry's bound fields and the node's sums with an unlimited budget, then
  // sets the best length. Call after the last addEntry.
  void finishEntries(std::int32_t bestLength);

  SearchNode& node() { return node_; }
  SearchContext& context() { return *context_; }
  SolverState& state() { return *state_; }
  TourRecord& path() { return path_; }
  CityCandidates& entryOf(std::int32_t city) { return *node_.entryOfCity[city]; }
  // The edges of a city's entry as (city, dirs) pairs.
  std::vector<std::pair<std::int32_t, int>> edgesOf(std::int32_t city);
  std::uint8_t arc(std::int32_t from, std::int32_t to) { return (*node_.arcCache)[from][to]; }

 private:
  std::unique_ptr<SolverState> state_;
  SolveOptions options_;
  SolveStatistics statistics_;
  std::unique_ptr<SearchContext> context_;
  TourRecord path_;
  SearchNode node_{};
  std::vector<CityCandidates> entries_;
  std::vector<CandidateEdge> edges_;
  struct ArcStorage {
    ArcTable cells;
  };
  std::unique_ptr<ArcStorage> arcStorage_;
  ArcTable* arcs_ = nullptr;
};

}  // namespace ringmarch::testing
