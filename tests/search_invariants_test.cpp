// Walks the search trees of small instances with the public procedures and checks, after every
// evaluation that leaves children, that the node is consistent: each entry's list is sorted,
// respects the free ends, mirrors the other city's list and matches its counts; the bound
// fields and the node's sums are what the lists give; the pair of the path's ends is gone.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "solver/initial_tour.h"
#include "solver/search.h"
#include "solver/search_context.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {
namespace {

std::string nodeDefect(const SolverState& state, const SearchNode& node) {
  std::ostringstream defect;
  const TourRecord& path = *node.path;
  const auto& d = state.distance;
  Cost outSum = 0;
  Cost inSum = 0;
  Cost adjustSum = 0;
  std::int32_t expectedEntries = 0;
  for (std::int32_t c = 0; c < state.cityCount; ++c) expectedEntries += path.freeEnds[c] != 0;
  if (node.entryCount != expectedEntries) return "wrong number of entries";
  for (std::int32_t e = 0; e < node.entryCount; ++e) {
    const CityCandidates& entry = node.entries[e];
    const std::int32_t c = entry.city;
    const std::uint8_t f = path.freeEnds[c];
    if (e > 0 && node.entries[e - 1].city >= c) return "entries out of city order";
    if (node.entryOfCity[c] != &entry) return "entryOfCity does not point at the entry";
    std::int32_t outs = 0;
    std::int32_t ins = 0;
    for (std::int32_t k = 0; k < entry.edgeCount; ++k) {
      const CandidateEdge& edge = entry.edges[k];
      const std::int32_t j = edge.city;
      defect << "city " << c << " edge to " << j << ": ";
      if (edge.dirs == 0 || edge.dirs > 3) return defect.str() + "bad direction bits";
      if (j == c || path.freeEnds[j] == 0) return defect.str() + "edge to a city without entry";
      if (k > 0 && d[c][entry.edges[k - 1].city] > d[c][j]) return defect.str() + "unsorted";
      if ((edge.dirs & kOutgoing) && !((f & kOutgoing) && (path.freeEnds[j] & kIncoming))) {
        return defect.str() + "out-direction against the free ends";
      }
      if ((edge.dirs & kIncoming) && !((f & kIncoming) && (path.freeEnds[j] & kOutgoing))) {
        return defect.str() + "in-direction against the free ends";
      }
      const CityCandidates& other = *node.entryOfCity[j];
      int mirrored = -1;
      for (std::int32_t q = 0; q < other.edgeCount; ++q) {
        if (other.edges[q].city == c) mirrored = other.edges[q].dirs;
      }
      const int swapped =
          ((edge.dirs & kOutgoing) ? kIncoming : 0) | ((edge.dirs & kIncoming) ? kOutgoing : 0);
      if (mirrored != swapped) return defect.str() + "mirror edge differs";
      outs += (edge.dirs & kOutgoing) != 0;
      ins += (edge.dirs & kIncoming) != 0;
      defect.str("");
    }
    if (outs != entry.outCount || ins != entry.inCount) return "direction counts differ";
    std::int32_t firstOut = -1;
    std::int32_t firstIn = -1;
    for (std::int32_t k = entry.edgeCount - 1; k >= 0; --k) {
      if (entry.edges[k].dirs & kOutgoing) firstOut = entry.edges[k].city;
      if (entry.edges[k].dirs & kIncoming) firstIn = entry.edges[k].city;
    }
    if (f & kOutgoing) {
      if (firstOut < 0 || entry.minOut != d[c][firstOut]) return "minOut is not the cheapest";
      outSum += entry.minOut;
    }
    if (f & kIncoming) {
      if (firstIn < 0 || entry.minIn != d[c][firstIn]) return "minIn is not the cheapest";
      inSum += entry.minIn;
    }
    const bool adjusted = f == kBothEndsFree && entry.edges[0].dirs == kBothEndsFree;
    const Cost adjust = adjusted ? Cost{d[c][entry.edges[1].city]} - d[c][entry.edges[0].city] : 0;
    if (entry.adjust != adjust) return "adjust differs";
    adjustSum += entry.adjust;
  }
  if (outSum != node.outSum || inSum != node.inSum || adjustSum != node.adjustSum) {
    return "sums differ from the entries";
  }
  if (path.count >= 2) {
    for (std::int32_t k = 0; k < node.currentEntry->edgeCount; ++k) {
      if (node.currentEntry->edges[k].city == path.firstCity) return "path ends still paired";
    }
  }
  return {};
}

struct Walk {
  SearchContext& context;
  TourRecord paths[kRowCount + 1];
  SearchNode nodes[kRowCount + 1];
  int checked = 0;
  int budget = 300;  // nodes to check per instance
};

void walkBelow(Walk& walk, const SearchNode& parent, std::int32_t city) {
  if (walk.checked >= walk.budget) return;
  const std::int32_t depth = parent.path->count + 1;
  TourRecord& path = walk.paths[depth];
  copyTour(path, *parent.path);
  appendCity(path, city);
  if (path.count == path.targetCount) return;
  SearchNode& node = walk.nodes[depth];
  ASSERT_TRUE(buildChild(walk.context, node, parent, path));
  const std::int32_t children = evaluateChild(walk.context, node);
  ASSERT_GE(children, 0);
  if (children > 0) {
    ASSERT_EQ(nodeDefect(walk.context.state, node), "") << "depth " << depth;
    ++walk.checked;
    for (std::int32_t i = 0; i < children; ++i) {
      const std::int32_t next = candidateCity(walk.context, node, i);
      if (next < 0 || (!path.nearestPlaced && next == path.secondOfStart)) continue;
      walkBelow(walk, node, next);
      if (::testing::Test::HasFatalFailure()) break;
    }
  }
  releaseNode(walk.context, node);
}

TEST(SearchInvariants, EvaluatedNodesStayConsistent) {
  int checked = 0;
  for (std::uint32_t seed = 1; seed <= 24; ++seed) {
    const int count = 8 + static_cast<int>(seed % 6);
    const auto problem =
        seed % 2 == 0 ? euclideanInstance(count, seed * 31u) : explicitInstance(count, seed, 6, 1);
    auto state = std::make_unique<SolverState>();
    loadWorkingCopy(*state, *problem);
    SolveOptions options;
    SolveStatistics statistics;
    SearchContext context{*state, options, statistics};
    auto walk = std::make_unique<Walk>(Walk{context, {}, {}, 0, 300});

    TourRecord& empty = walk->paths[0];
    initTour(empty, &state->workProblem, -1);
    const std::int32_t start = problem->startCity;
    empty.startCity = start;
    empty.nearestOfStart = state->workProblem.rows[start].neighbourOrder[1];
    empty.secondOfStart = state->workProblem.rows[start].neighbourOrder[2];
    empty.nearestPlaced = false;
    SearchNode& root = walk->nodes[0];
    ASSERT_TRUE(buildRoot(context, root, empty));
    buildInitialTour(*state, empty);
    // A slightly larger bound than the initial tour keeps more of the tree to look at.
    state->bestLength += state->bestLength / 20;

    TourRecord& first = walk->paths[1];
    copyTour(first, empty);
    appendCity(first, start);
    SearchNode& top = walk->nodes[1];
    ASSERT_TRUE(buildChild(context, top, root, first));
    const std::int32_t children = evaluateNode(context, top);
    ASSERT_GT(children, 0);
    ASSERT_EQ(nodeDefect(*state, top), "") << "first level, seed " << seed;
    for (std::int32_t i = 0; i < children; ++i) {
      const std::int32_t next = candidateCity(context, top, i);
      if (next < 0 || next == first.secondOfStart) continue;
      walkBelow(*walk, top, next);
      ASSERT_FALSE(HasFatalFailure()) << "seed " << seed;
    }
    releaseNode(context, top);
    releaseNode(context, root);
    checked += walk->checked;
  }
  EXPECT_GT(checked, 500);
}

}  // namespace
}  // namespace ringmarch::testing
