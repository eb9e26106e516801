// Spanning-tree bound: every tour that completes the path leaves the current city L by one arc,
// runs through all open cities, and enters the first city F by one arc; without those two arcs
// it is a path through the open cities, which weighs at least a minimum spanning tree of them.
// Grows that tree over the node's candidate edges by Prim's method (per-city cursors into the
// sorted lists; each tree city's cheapest edge to a free city is kept with the tree city and
// looked up again only once that city joins), adds L's cheapest outgoing and F's cheapest incoming
// arc, and stores the sum in the node's treeBound. Reads the node's entries and the path; writes
// only treeBound. False: the bound reached the budget, or an open city cannot be joined through
// candidate edges.
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
  // Per tree position: the city's cheapest edge to a city that was free when it was looked up
  // (-1 when the city has none left), and its length.
  std::int32_t reach[kRowCount];
  Cost reachLength[kRowCount];
  std::memset(mark, kFree, sizeof mark);

  const std::int32_t L = path.currentCity;
  const std::int32_t F = path.firstCity;
  Cost bound = static_cast<Cost>(node.currentEntry->minOut) + node.entryOfCity[F]->minIn;
  node.treeBound = bound;
  const std::int32_t root = node.currentEntry->edges[0].city;
  mark[root] = kInTree;
  tree[0] = root;
  cursor[root] = 0;
  std::int32_t treeSize = 1;
  mark[L] = kExcluded;
  mark[F] = kExcluded;

  // Moves tree position t's cursor past edges to marked cities and records its cheapest edge.
  const auto lookUp = [&](std::int32_t t) {
    const std::int32_t city = tree[t];
    const CityCandidates& entry = *node.entryOfCity[city];
    std::int32_t k = cursor[city];
    // Edges to marked cities at the head of the list stay marked for good: skip them once.
    while (k < entry.edgeCount && mark[entry.edges[k].city] != kFree) ++k;
    cursor[city] = k;
    if (k >= entry.edgeCount) {
      reach[t] = -1;
      return;
    }
    reach[t] = entry.edges[k].city;
    reachLength[t] = d[city][reach[t]];
  };
  lookUp(0);

  for (;;) {
    bool found = false;
    Cost best = 0;
    std::int32_t joined = -1;
    // The most recently joined tree city first; a candidate replaces the best only when it is
    // strictly shorter, so among equal joining edges the one found first wins.
    std::int32_t originPosition = -1;
    for (std::int32_t t = treeSize - 1; t >= 0; --t) {
      std::int32_t y = reach[t];
      if (y >= 0 && mark[y] != kFree) {
        lookUp(t);
        y = reach[t];
      }
      if (y < 0) continue;
      const Cost length = reachLength[t];
      if (found && length >= best) continue;
      found = true;
      best = length;
      joined = y;
      originPosition = t;
    }
    if (!found) return false;
    bound += best;
    node.treeBound = bound;
    if (bound >= budget) return false;
    mark[joined] = kInTree;
    const std::int32_t origin = tree[originPosition];
    cursor[origin] += 1;
    lookUp(originPosition);
    cursor[joined] = 0;
    tree[treeSize] = joined;
    lookUp(treeSize);
    treeSize += 1;
    if (treeSize >= open) return true;
  }
}

}  // namespace ringmarch
