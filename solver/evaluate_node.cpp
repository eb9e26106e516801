// Evaluation of a search node: runs the chain of bounding and propagation procedures on a node
// that buildChild has just set up, filling its entries and narrowing its candidate edges.
// Reads the parent node, the path and the solver state; changes only the node (and, through
// it, an arc table that lives for this evaluation alone). Result: the number of candidate edges
// of the path's current city (the node's children), 0 when a procedure proved that no tour
// strictly shorter than the best one passes through the node, negative when memory ran out.
#include "solver/search.h"
#include "solver/search_context.h"
#include "solver/witness_check.h"

namespace ringmarch {

namespace {

enum class Form { FirstLevel, Deeper };

// Passes a step's result on; in builds with search checks it is first checked against the known
// optimal tour (witness_check.h).
bool checked(SearchContext& context, const SearchNode& node, const char* step, bool survived) {
  checkWitnessAfterStep(context, node, step, survived);
  return survived;
}

bool lagrangianSteps(SearchContext& context, SearchNode& node) {
  return checked(context, node, "lagrangianBoundTest", lagrangianBoundTest(context, node)) &&
         checked(context, node, "eliminateByReducedCost", eliminateByReducedCost(context, node));
}

bool runFirstForm(SearchContext& context, SearchNode& node) {
  const std::int32_t count = node.path->count;
  if (!checked(context, node, "inheritCandidates", inheritCandidates(context, node))) {
    return false;
  }
  if (!checked(context, node, "propagateAllForcedArcs", propagateAllForcedArcs(context, node))) {
    return false;
  }
  if (count >= 2) updateInsertCosts(context, node);
  if (count == 1) {
    // Twice: the second ascent runs on the edges the first one's elimination left.
    if (!lagrangianSteps(context, node) || !lagrangianSteps(context, node)) return false;
    if (!checked(context, node, "probeLongArcs", probeLongArcs(context, node))) return false;
  } else if (!checked(context, node, "treeBoundTest", treeBoundTest(context, node)) ||
             !lagrangianSteps(context, node)) {
    return false;
  }
  return checked(context, node, "exchangeFilter", exchangeFilter(context, node)) &&
         checked(context, node, "pruneByReachability", pruneByReachability(context, node)) &&
         checked(context, node, "advanceForwardChain", advanceForwardChain(context, node)) &&
         checked(context, node, "advanceBackwardChain", advanceBackwardChain(context, node)) &&
         checked(context, node, "propagateAllForcedArcs", propagateAllForcedArcs(context, node)) &&
         (count == 1 || checked(context, node, "treeBoundTest", treeBoundTest(context, node)));
}

bool runSecondForm(SearchContext& context, SearchNode& node) {
  return checked(context, node, "inheritCandidates", inheritCandidates(context, node)) &&
         checked(context, node, "propagateAllForcedArcs", propagateAllForcedArcs(context, node)) &&
         (updateInsertCosts(context, node), true) &&
         checked(context, node, "treeBoundTest", treeBoundTest(context, node)) &&
         lagrangianSteps(context, node) &&
         checked(context, node, "exchangeFilter", exchangeFilter(context, node)) &&
         checked(context, node, "pruneByReachability", pruneByReachability(context, node)) &&
         checked(context, node, "advanceForwardChain", advanceForwardChain(context, node)) &&
         checked(context, node, "advanceBackwardChain", advanceBackwardChain(context, node)) &&
         checked(context, node, "propagateAllForcedArcs", propagateAllForcedArcs(context, node)) &&
         checked(context, node, "treeBoundTest", treeBoundTest(context, node));
}

std::int32_t evaluate(SearchContext& context, SearchNode& node, Form form) {
  ArcTable* table = allocateArcTable(context);
  if (table == nullptr) return -1;
  node.arcCache = table;
  const bool survived =
      form == Form::FirstLevel ? runFirstForm(context, node) : runSecondForm(context, node);
  node.arcCache = nullptr;
  releaseArcTable(context, table);
  // A procedure that allocates (the look-ahead probes) may have run out of memory, or the monitor
  // may have stopped a long evaluation; neither is a proof about the node, so it is passed up
  // rather than read as a pruned node.
  if (context.outOfMemory || context.stopRequested) return -1;
  if (!survived) return 0;
  return node.currentEntry != nullptr ? node.currentEntry->edgeCount : 0;
}

}  // namespace

std::int32_t evaluateNode(SearchContext& context, SearchNode& node) {
  return evaluate(context, node, Form::FirstLevel);
}

std::int32_t evaluateChild(SearchContext& context, SearchNode& node) {
  return evaluate(context, node, Form::Deeper);
}

}  // namespace ringmarch
