// Probing long arcs, at the first search level only (a path of one city). For the long end of
// every city's candidate list (positions t-1 down to t - t/2 + 3 of t edges), each still allowed
// arc a->b is probed: a separate two-city path a->b is evaluated as a child node with the full
// evaluation of the deeper levels; when that evaluation proves that no strictly shorter tour
// uses the arc, the arc is removed from the node with restrictAndPropagate. A probe table makes
// each arc's probe happen once per run and serves both of its ends.
//
// Memory: the probe path, probe node and probe table are allocated once per run, the probe's
// arc table once per probe (by the evaluation). A failed allocation never removes an arc: the
// run sets context.outOfMemory and answers false, and the evaluation reports out of memory.
// False otherwise: a removal made the node infeasible.
#include <cstring>

#include "solver/search.h"
#include "solver/search_context.h"

namespace ringmarch {
namespace {

constexpr std::uint8_t kProbeUntried = 0;
constexpr std::uint8_t kProbePassed = 1;
constexpr std::uint8_t kProbeFailed = 255;

enum class ProbeResult { Passed, Failed, OutOfMemory };

// The structures of one run, released in the reverse order of their allocation.
class ProbeRun {
 public:
  ProbeRun(SearchContext& context, SearchNode& node) : context_(context), node_(node) {}
  ProbeRun(const ProbeRun&) = delete;
  ProbeRun& operator=(const ProbeRun&) = delete;
  ~ProbeRun() {
    if (edges_) releaseBlock(context_, edges_);
    if (entries_) releaseBlock(context_, entries_);
    if (table_) releaseBlock(context_, table_);
    if (path_) releaseBlock(context_, path_);
  }

  bool allocate() {
    const std::int32_t cityCount = context_.state.cityCount;
    path_ = static_cast<TourRecord*>(allocateBlock(context_, sizeof(TourRecord)));
    if (!path_) return false;
    table_ = static_cast<ArcTable*>(allocateBlock(context_, sizeof(ArcTable)));
    if (!table_) return false;
    entryCapacity_ = cityCount + 1;
    entries_ = static_cast<CityCandidates*>(
        allocateBlock(context_, sizeof(CityCandidates) * static_cast<std::size_t>(entryCapacity_)));
    if (!entries_) return false;
    edgeCapacity_ = usedEdgesOf(node_) + 1;
    edges_ = static_cast<CandidateEdge*>(
        allocateBlock(context_, sizeof(CandidateEdge) * static_cast<std::size_t>(edgeCapacity_)));
    if (!edges_) return false;

    initTour(*path_, &context_.state.workProblem, cityCount);
    for (std::int32_t row = 0; row < cityCount; ++row) {
      std::memset((*table_)[row], kProbeUntried, static_cast<std::size_t>(cityCount));
    }
    return true;
  }

  std::uint8_t& tableCell(std::int32_t tail, std::int32_t head) { return (*table_)[tail][head]; }

  // Evaluates the two-city path tail->head as a child of the node.
  ProbeResult probe(std::int32_t tail, std::int32_t head) {
    SearchNode probeNode{};
    probeNode.path = path_;
    probeNode.parent = &node_;
    probeNode.entries = entries_;
    probeNode.entryCapacity = entryCapacity_;
    probeNode.edgePool = edges_;
    probeNode.edgeCapacity = edgeCapacity_;
    probeNode.outSum = node_.outSum;
    probeNode.inSum = node_.inSum;
    appendCity(*path_, tail);
    appendCity(*path_, head);
    const std::int32_t children = evaluateChild(context_, probeNode);
    removeLastCity(*path_);
    removeLastCity(*path_);
    if (children < 0 || context_.outOfMemory) return ProbeResult::OutOfMemory;
    return children > 0 ? ProbeResult::Passed : ProbeResult::Failed;
  }

 private:
  // Edges from the start of the node's pool to the end of its last entry's edges.
  static std::int32_t usedEdgesOf(const SearchNode& node) {
    if (node.entryCount == 0) return 0;
    const CityCandidates& lastEntry = node.entries[node.entryCount - 1];
    return static_cast<std::int32_t>(lastEntry.edges + lastEntry.edgeCount - node.edgePool);
  }

  SearchContext& context_;
  SearchNode& node_;
  TourRecord* path_ = nullptr;
  ArcTable* table_ = nullptr;
  CityCandidates* entries_ = nullptr;
  CandidateEdge* edges_ = nullptr;
  std::int32_t entryCapacity_ = 0;
  std::int32_t edgeCapacity_ = 0;
};

// Decides one direction of an edge from the probe table, probing when the arc is untried.
// Answers false only when memory ran out.
bool settleDirection(ProbeRun& run, std::int32_t tail, std::int32_t head, std::uint8_t bit,
                     std::uint8_t& bits) {
  if ((bits & bit) == 0) return true;
  std::uint8_t& cell = run.tableCell(tail, head);
  if (cell == kProbeUntried) {
    const ProbeResult result = run.probe(tail, head);
    if (result == ProbeResult::OutOfMemory) return false;
    cell = result == ProbeResult::Passed ? kProbePassed : kProbeFailed;
  }
  if (cell == kProbeFailed) bits &= static_cast<std::uint8_t>(~bit);
  return true;
}

}  // namespace

bool probeLongArcs(SearchContext& context, SearchNode& node) {
  if (!context.options.fullChain || !context.options.chain.probeLongArcs) return true;
  if (node.path->count != 1) return true;

  ProbeRun run(context, node);
  if (!run.allocate()) {
    context.outOfMemory = true;
    return false;
  }
  for (std::int32_t i = 0; i < node.entryCount; ++i) {
    CityCandidates& entry = node.entries[i];
    const std::int32_t w = entry.city;
    std::int32_t edgeCount = entry.edgeCount;
    for (std::int32_t u = edgeCount - 1; u >= edgeCount - edgeCount / 2 + 3; --u) {
      const std::int32_t v = entry.edges[u].city;
      const std::uint8_t oldBits = entry.edges[u].dirs;
      std::uint8_t bits = oldBits;
      // Each probe is a whole evaluation: the monitor is asked before every one.
      if (!keepSearching(context)) return false;
      if (!settleDirection(run, w, v, kOutgoing, bits) ||
          !settleDirection(run, v, w, kIncoming, bits)) {
        if (!context.stopRequested) context.outOfMemory = true;
        return false;
      }
      if (bits != oldBits) {
        if (!restrictAndPropagate(context, node, w, v, u, bits)) return false;
        // The next edge probed is the one just below position u.
        if (u > entry.edgeCount) u = entry.edgeCount;
      }
      edgeCount = entry.edgeCount;
    }
  }
  return true;
}

}  // namespace ringmarch
