// Search nodes: the root that lists every city with all its candidate edges, the empty child
// that a deeper level fills by inheritance, and their release. A node owns its entries and its
// edge pool (both taken from the solve's memory); it refers to its path and its parent. The
// root forbids the arcs s->b, a->s and b->a (s = start city, a and b its nearest and second
// nearest cities), which together with the search never appending b before a makes every tour
// searched in one direction only. A failed allocation answers false and sets outOfMemory.
#include <cstring>

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {

Cost budgetOf(const SearchContext& context, const SearchNode& node) {
  return static_cast<Cost>(context.state.bestLength) - node.path->length;
}

namespace {

void clearNode(SearchNode& node, const TourRecord& path, const SearchNode* parent) {
  node.path = &path;
  node.parent = parent;
  node.entries = nullptr;
  node.entryCount = 0;
  node.entryCapacity = 0;
  node.currentEntry = nullptr;
  node.edgePool = nullptr;
  node.edgeCapacity = 0;
  node.outSum = 0;
  node.inSum = 0;
  node.adjustSum = 0;
  node.treeBound = 0;
  node.arcCache = nullptr;
  node.hasPenalties = false;
  node.hasOutBounds = false;
  node.lagrangianBound = 0;
}

// Takes both arrays of a node; on failure releases the one that was taken.
bool allocateArrays(SearchContext& context, SearchNode& node, std::int32_t entryCapacity,
                    std::int32_t edgeCapacity) {
  node.entries = static_cast<CityCandidates*>(
      allocateBlock(context, sizeof(CityCandidates) * static_cast<std::size_t>(entryCapacity)));
  if (node.entries == nullptr) return false;
  node.edgePool = static_cast<CandidateEdge*>(
      allocateBlock(context, sizeof(CandidateEdge) * static_cast<std::size_t>(edgeCapacity)));
  if (node.edgePool == nullptr) {
    releaseBlock(context, node.entries);
    node.entries = nullptr;
    return false;
  }
  node.entryCapacity = entryCapacity;
  node.edgeCapacity = edgeCapacity;
  return true;
}

bool isForbiddenRootArc(const TourRecord& path, std::int32_t from, std::int32_t to) {
  const std::int32_t s = path.startCity;
  const std::int32_t a = path.nearestOfStart;
  const std::int32_t b = path.secondOfStart;
  if (s < 0 || a < 0 || b < 0) return false;
  return (from == s && to == b) || (from == a && to == s) || (from == b && to == a);
}

}  // namespace

bool buildRoot(SearchContext& context, SearchNode& node, const TourRecord& path) {
  const SolverState& state = context.state;
  const std::int32_t n = state.cityCount;
  clearNode(node, path, nullptr);
  if (!allocateArrays(context, node, n + 1, n * n)) return false;

  CandidateEdge* next = node.edgePool;
  for (std::int32_t i = 0; i < n; ++i) {
    CityCandidates& entry = node.entries[i];
    node.entryOfCity[i] = &entry;
    entry.city = i;
    entry.insertCost = kUnsetCost;
    entry.adjust = 0;
    entry.edges = next;
    // Every other city in neighbour order. The city itself is passed over wherever it stands,
    // so that an instance with a zero distance between two cities still lists every pair.
    const std::int32_t* neighbours = state.workProblem.rows[i].neighbourOrder;
    for (std::int32_t k = 0; k < n; ++k) {
      const std::int32_t j = neighbours[k];
      if (j == i) continue;
      std::uint8_t dirs = 0;
      if (!isForbiddenRootArc(path, i, j)) dirs |= kOutgoing;
      if (!isForbiddenRootArc(path, j, i)) dirs |= kIncoming;
      *next++ = CandidateEdge{j, dirs, kUnsetCost};
    }
    entry.edgeCount = static_cast<std::int32_t>(next - entry.edges);
    entry.outCount = entry.edgeCount;
    entry.inCount = entry.edgeCount;
    const std::int32_t nearest = entry.edgeCount > 0 ? entry.edges[0].city : i;
    entry.minOut = state.distance[i][nearest];
    entry.minIn = state.distance[i][nearest];
    entry.minOutCity = nearest;
    entry.minInCity = nearest;
    node.outSum += entry.minOut;
    node.inSum += entry.minIn;
    node.entryCount += 1;
  }
  return true;
}

bool buildChild(SearchContext& context, SearchNode& node, const SearchNode& parent,
                const TourRecord& path) {
  const std::int32_t n = context.state.cityCount;
  clearNode(node, path, &parent);
  std::int32_t usedEdges = 0;
  if (parent.entryCount > 0) {
    const CityCandidates& last = parent.entries[parent.entryCount - 1];
    usedEdges = static_cast<std::int32_t>(last.edges + last.edgeCount - parent.edgePool);
  }
  if (!allocateArrays(context, node, n - path.count + 2, usedEdges + 1)) return false;
  node.outSum = parent.outSum;
  node.inSum = parent.inSum;
  return true;
}

void releaseNode(SearchContext& context, SearchNode& node) {
  // Reverse order of allocation, so the pool's top comes straight back down.
  if (node.edgePool != nullptr) releaseBlock(context, node.edgePool);
  if (node.entries != nullptr) releaseBlock(context, node.entries);
  node.edgePool = nullptr;
  node.entries = nullptr;
  node.entryCount = 0;
  node.currentEntry = nullptr;
}

}  // namespace ringmarch
