// Reachability pruning. A tour that extends the path leaves the current city L, covers every
// open city and enters the first city F. If it uses the arc t->v between two open cities, the
// part from L to t avoids v and the part from v to F avoids t, and together they cover every
// open city. For the arcs out of cities with at most two options each way, two searches over
// the usable arcs (forward from L's options, backward from F's options) check this; an arc that
// fails is removed with restrictAndPropagate. Runs only with 10 or more open cities. Changes the
// node only through restrictAndPropagate. False: a removal made the node infeasible.
#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {
namespace {

// One direction's reached set: the base (built once per run) followed by the cities one arc
// test added.
struct ReachedSet {
  std::uint8_t marked[kRowCount];
  std::int32_t list[kRowCount];
  std::int32_t baseCount = 0;
  std::int32_t count = 0;

  void add(std::int32_t city) {
    marked[city] = 1;
    list[count++] = city;
  }
  void dropAdded() {
    while (count > baseCount) marked[list[--count]] = 0;
  }
};

// Grows `reached` over the arcs allowed in direction `bit` from its listed cities, never
// entering `avoid` and never listing `target`. Counts in `covered` each new city that `other` has
// not marked. Answers whether `target` was met. Stops early once the answer and the count are final
// (target met, or not sought, and covered = wanted).
bool grow(const SearchNode& node, ReachedSet& reached, const ReachedSet& other, std::uint8_t bit,
          std::int32_t avoid, std::int32_t target, bool seekTarget, std::int32_t& covered,
          std::int32_t wanted) {
  bool targetFound = false;
  for (std::int32_t k = 0; k < reached.count; ++k) {
    const CityCandidates& entry = *node.entryOfCity[reached.list[k]];
    for (std::int32_t e = 0; e < entry.edgeCount; ++e) {
      const CandidateEdge& edge = entry.edges[e];
      const std::int32_t x = edge.city;
      if ((edge.dirs & bit) == 0 || reached.marked[x] != 0 || x == avoid) continue;
      if (x == target) {
        targetFound = true;
      } else {
        reached.add(x);
        if (other.marked[x] == 0) ++covered;
      }
      if ((targetFound || !seekTarget) && covered == wanted) return targetFound;
    }
  }
  return targetFound;
}

}  // namespace

bool pruneByReachability(SearchContext& context, SearchNode& node) {
  if (!context.options.fullChain || !context.options.chain.pruneByReachability) return true;
  const TourRecord& path = *node.path;
  const std::int32_t cityCount = context.state.cityCount;
  if (path.count < 2) return true;
  const std::int32_t openCount = cityCount - path.count;
  if (openCount < 10) return true;

  ReachedSet forward;
  ReachedSet backward;
  for (std::int32_t c = 0; c < cityCount; ++c) {
    forward.marked[c] = 0;
    backward.marked[c] = 0;
  }
  const CityCandidates& last = *node.entryOfCity[path.currentCity];
  forward.marked[path.currentCity] = 1;
  for (std::int32_t e = 0; e < last.edgeCount; ++e) {
    if (forward.marked[last.edges[e].city] == 0) forward.add(last.edges[e].city);
  }
  const CityCandidates& first = *node.entryOfCity[path.firstCity];
  backward.marked[path.firstCity] = 1;
  for (std::int32_t e = 0; e < first.edgeCount; ++e) {
    const std::int32_t city = first.edges[e].city;
    // A city that may both follow L and precede F: the two base sets meet, nothing to prove.
    if (forward.marked[city] != 0) return true;
    if (backward.marked[city] == 0) backward.add(city);
  }
  forward.baseCount = forward.count;
  backward.baseCount = backward.count;

  const std::int32_t wanted = openCount - forward.count - backward.count - 2;
  if (wanted < 2) return true;

  for (std::int32_t i = 0; i < node.entryCount; ++i) {
    const CityCandidates& entry = node.entries[i];
    const std::int32_t t = entry.city;
    if (entry.outCount > 2 || entry.inCount > 2) continue;
    if (forward.marked[t] != 0 || backward.marked[t] != 0) continue;
    for (std::int32_t u = entry.edgeCount - 1; u >= 0; --u) {
      const std::int32_t v = entry.edges[u].city;
      const std::uint8_t bits = entry.edges[u].dirs;
      if ((bits & kOutgoing) == 0 || forward.marked[v] != 0 || backward.marked[v] != 0) continue;

      std::int32_t covered = 0;
      const bool tReached = grow(node, forward, backward, kOutgoing, v, t, true, covered, wanted);
      if (tReached && covered < wanted) {
        grow(node, backward, forward, kIncoming, t, v, false, covered, wanted);
      }
      forward.dropAdded();
      backward.dropAdded();
      if (tReached && covered == wanted) continue;

      if (!restrictAndPropagate(context, node, t, v, u, static_cast<std::uint8_t>(bits & 2))) {
        return false;
      }
      // The next arc examined is the one just below the removed position.
      if (u > entry.edgeCount) u = entry.edgeCount;
    }
  }
  return true;
}

}  // namespace ringmarch
