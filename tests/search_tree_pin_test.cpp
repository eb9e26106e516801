// The search tree of a handful of instances, pinned: evaluated nodes, optimal length and the tour
// itself (as a hash of its city order). Changes that only make the search faster must leave all
// three as they are; a change of the tree (a bound, a tie rule, the order of candidates) shows
// here even when the optimum stays the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/instance_loader.h"
#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

// FNV-1a over the tour's cities in order.
std::uint64_t orderHash(const std::vector<int>& order) {
  std::uint64_t hash = 1469598103934665603ull;
  for (const int city : order) {
    hash ^= static_cast<std::uint32_t>(city);
    hash *= 1099511628211ull;
  }
  return hash;
}

// The configurations of the bounds that cut only what holds no strictly shorter tour: each
// evaluates its own number of nodes, and all return the same tour.
struct Configuration {
  const char* name;
  bool improveUpperBound;
  bool lagrangianBound;
  bool reducedCostElimination;
};
constexpr Configuration kConfigurations[] = {
    {"none of the three", false, false, false},
    {"improved first bound", true, false, false},
    {"Lagrangian bound", false, true, false},
    {"Lagrangian bound and elimination", false, true, true},
    {"all three", true, true, true},
};
constexpr int kConfigurationCount = sizeof kConfigurations / sizeof kConfigurations[0];

struct PinnedSolve {
  const char* name;
  std::function<std::unique_ptr<ProblemData>()> make;
  std::uint64_t nodes[kConfigurationCount];
  std::int32_t length;
  std::uint64_t tourHash;
};

std::unique_ptr<ProblemData> tsplib(const char* file) {
  return loadInstance(std::string(RINGMARCH_TEST_DATA_DIR) + "/" + file);
}

TEST(SearchTreePin, NodesLengthsAndToursStayAsTheyAreInEveryConfiguration) {
  const std::vector<PinnedSolve> cases = {
      {"euclidean 30 / 11",
       [] { return euclideanInstance(30, 11); },
       {195, 148, 108, 93, 47},
       51718,
       0x714583276581f186ull},
      {"euclidean 35 / 12",
       [] { return euclideanInstance(35, 12); },
       {401, 377, 106, 106, 34},
       46672,
       0x60478f3b2a74a6b0ull},
      {"euclidean 40 / 13",
       [] { return euclideanInstance(40, 13); },
       {1517, 1077, 559, 537, 39},
       59123,
       0x79a1058effb4aaedull},
      // Distances 1 .. 10: many ties, so the tie rules of the exchange tests decide the tree.
      {"matrix 20 / 3, ties",
       [] { return explicitInstance(20, 3, 10); },
       {450, 408, 51, 51, 20},
       31,
       0x240f181197c48669ull},
      {"gr24",
       [] { return tsplib("gr24.tsp"); },
       {141, 104, 73, 71, 26},
       1272,
       0xd1f4dca885cb163bull},
      {"bayg29",
       [] { return tsplib("bayg29.tsp"); },
       {221, 137, 117, 117, 29},
       1610,
       0xd35dee49383e2431ull},
      {"berlin52",
       [] { return tsplib("berlin52.tsp"); },
       {8028, 6158, 468, 464, 51},
       7542,
       0xd89ba79068ee17efull},
  };
  for (const PinnedSolve& pinned : cases) {
    SCOPED_TRACE(pinned.name);
    const auto problem = pinned.make();
    ASSERT_NE(problem, nullptr);
    for (int c = 0; c < kConfigurationCount; ++c) {
      const Configuration& configuration = kConfigurations[c];
      SCOPED_TRACE(configuration.name);
      SolveOptions options;
      options.improveUpperBound = configuration.improveUpperBound;
      options.chain.lagrangianBound = configuration.lagrangianBound;
      options.chain.reducedCostElimination = configuration.reducedCostElimination;
      const SolveOutcome outcome = solveProblem(*problem, options);
      ASSERT_EQ(outcome.code, ErrorCode::Success);
      ASSERT_EQ(tourDefect(outcome.order, problem->count), "");
      EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
      EXPECT_EQ(outcome.statistics.evaluatedNodes, pinned.nodes[c]);
      if (std::getenv("RINGMARCH_PRINT_PINS") != nullptr) {
        std::printf("PIN %s | %s | %llu | %llx\n", pinned.name, configuration.name,
                    static_cast<unsigned long long>(outcome.statistics.evaluatedNodes),
                    static_cast<unsigned long long>(orderHash(outcome.order)));
      }
      EXPECT_EQ(outcome.length, pinned.length);
      EXPECT_EQ(orderHash(outcome.order), pinned.tourHash);
    }
  }
}

}  // namespace
}  // namespace ringmarch::testing
