// A 127-city solve whose search goes all the way down (126 levels) on a thread with a 1 MiB
// stack, with the stack's high-water mark measured.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "support/search_fixtures.h"
#include "support/tour_checker.h"

namespace ringmarch::testing {
namespace {

constexpr std::size_t kStackBytes = std::size_t{1} << 20;
constexpr unsigned char kUnused = 0xA5;

struct StackRun {
  const ProblemData* problem;
  SolveOutcome outcome;
};

void* solveOnThread(void* argument) {
  auto* run = static_cast<StackRun*>(argument);
  run->outcome = solveProblem(*run->problem);
  return nullptr;
}

// Bytes of the stack that were written, counted from its far (low) end.
__attribute__((no_sanitize_address)) std::size_t highWaterMark(const unsigned char* stack,
                                                               std::size_t bytes) {
  std::size_t untouched = 0;
  while (untouched < bytes && stack[untouched] == kUnused) ++untouched;
  return bytes - untouched;
}

TEST(SearchStack, DeepSearchOf127CitiesRunsOnAOneMebibyteStack) {
  // The initial tour misses the optimum, and the search reaches it along the arc, 126 levels
  // below the start city.
  const auto problem = arcInstance(127, 1.2, 40);
  auto* stack = static_cast<unsigned char*>(std::aligned_alloc(4096, kStackBytes));
  ASSERT_NE(stack, nullptr);
  std::memset(stack, kUnused, kStackBytes);

  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstack(&attributes, stack, kStackBytes), 0);
  StackRun run{problem.get(), {}};
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attributes, solveOnThread, &run), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attributes);
  const std::size_t used = highWaterMark(stack, kStackBytes);
  std::free(stack);

  const SolveOutcome& outcome = run.outcome;
  ASSERT_EQ(outcome.code, ErrorCode::Success);
  ASSERT_EQ(tourDefect(outcome.order, 127), "");
  EXPECT_EQ(closedTourLength(*problem, outcome.order), outcome.length);
  EXPECT_LT(outcome.length, outcome.statistics.initialLength);
  EXPECT_EQ(outcome.statistics.deepestPath, 127);
  // The tour along the arc in city order (convex position: optimal for the rounded distances
  // up to rounding, and never beaten by more than that).
  std::vector<int> alongTheArc;
  for (int k = 0; k < 127; ++k) alongTheArc.push_back((k + 40) % 127);
  EXPECT_LE(outcome.length, closedTourLength(*problem, alongTheArc));
  std::cout << "stack used: " << used << " bytes, " << used / 127 << " bytes per level, "
            << outcome.statistics.evaluatedNodes << " nodes\n";
  EXPECT_LT(used, kStackBytes / 2);
}

}  // namespace
}  // namespace ringmarch::testing
