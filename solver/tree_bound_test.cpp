// Spanning-tree bound: every tour that completes the path leaves the current city L by one arc,
// runs through all open cities, and enters the first city F by one arc; without those two arcs
// it is a path through the open cities, which weighs at least a minimum spanning tree of them.
// Grows that tree over the node's candidate edges by Prim's method (per-city cursors into the
// sorted lists), adds L's cheapest outgoing and F's cheapest incoming arc, and stores the sum in
// the node's treeBound. Reads the node's entries and the path; writes only treeBound. False:
// the bound reached the budget, or an open city cannot be joined through candidate edges.
#include <cstdint>
#include <cstring>

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

namespace {

constexpr std::uint8_t kFree = 0;
constexpr std::uint8_t kInTree = 1;
constexpr std::uint8_t kExcluded = 255;

}  // namespace

bool treeBoundTest(SearchContext& context, SearchNode& node) {
  if (node.currentEntry == nullptr) return true;
  const TourRecord& path = *node.path;
  const std::int32_t n = context.state.cityCount;
  const std::int32_t open = n - path.count;
  if (open <= 3) return true;

  const auto& d = context.state.distance;
  const Cost budget = budgetOf(context, node);
  std::uint8_t mark[kRowCount];
  std::int32_t cursor[kRowCount];
  std::int32_t tree[kRowCount];
  std::memset(mark, kFree, sizeof mark);
  std::memset(cursor, 0, sizeof cursor);

  const std::int32_t L = path.currentCity;
  const std::int32_t F = path.firstCity;
  Cost bound = static_cast<Cost>(node.currentEntry->minOut) + node.entryOfCity[F]->minIn;
  node.treeBound = bound;
  const std::int32_t root = node.currentEntry->edges[0].city;
  mark[root] = kInTree;
  tree[0] = root;
  std::int32_t treeSize = 1;
  mark[L] = kExcluded;
  mark[F] = kExcluded;

  for (;;) {
    bool found = false;
    Cost best = 0;
    std::int32_t origin = -1;
    std::int32_t joined = -1;
    std::int32_t originCursor = 0;
    // The most recently joined tree city first; a candidate replaces the best only when it is
    // strictly shorter, so among equal joining edges the one found first wins.
    for (std::int32_t t = treeSize - 1; t >= 0; --t) {
      const std::int32_t city = tree[t];
      const CityCandidates& entry = *node.entryOfCity[city];
      const std::int32_t* row = d[city];
      std::int32_t k = cursor[city];
      // Edges to marked cities at the head of the list stay marked for good: skip them once.
      while (k < entry.edgeCount && mark[entry.edges[k].city] != kFree) ++k;
      cursor[city] = k;
      if (k >= entry.edgeCount) continue;
      const std::int32_t y = entry.edges[k].city;
      const Cost length = row[y];
      if (found && length >= best) continue;
      found = true;
      best = length;
      origin = city;
      joined = y;
      originCursor = k + 1;
    }
    if (!found) return false;
    bound += best;
    node.treeBound = bound;
    if (bound >= budget) return false;
    mark[joined] = kInTree;
    tree[treeSize++] = joined;
    cursor[origin] = originCursor;
    if (treeSize >= open) return true;
  }
}

}  // namespace ringmarch
