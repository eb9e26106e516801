// One instance solved again and again in one process must give the same tour and the same node
// count every time: after other solves have left their memory behind, with a monitor that is
// asked at every node, and on several threads at once. A search that reads memory it did not
// write first shows here as a node count that drifts from solve to solve.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/instance_loader.h"
#include "support/search_fixtures.h"

namespace ringmarch::testing {
namespace {

std::unique_ptr<ProblemData> tsplib(const char* file) {
  return loadInstance(std::string(RINGMARCH_TEST_DATA_DIR) + "/" + file);
}

// Agrees with every question; counts them, so a test can see that it was asked.
class AgreeingMonitor final : public SolveMonitor {
 public:
  bool onProgress(const SolveProgress&) override {
    ++progressCalls;
    return true;
  }
  bool keepGoing(const SolveProgress&) override {
    ++keepGoingCalls;
    return true;
  }
  std::uint64_t progressCalls = 0;
  std::uint64_t keepGoingCalls = 0;
};

// Leaves freed heap memory full of a pattern, in blocks of the sizes a solve takes, so that a
// later solve that reads memory before writing it meets values no solve wrote.
void litterHeap(unsigned char pattern) {
  std::vector<std::unique_ptr<unsigned char[]>> blocks;
  for (std::size_t bytes = std::size_t{64} << 10; bytes <= (std::size_t{8} << 20); bytes *= 2) {
    blocks.emplace_back(new unsigned char[bytes]);
    std::memset(blocks.back().get(), pattern, bytes);
  }
}

struct Solved {
  std::uint64_t nodes;
  std::int32_t length;
  std::vector<int> order;
};

Solved solveWith(const ProblemData& instance, SolveMonitor* monitor) {
  SolveOptions options;
  options.monitor = monitor;
  options.progressInterval = 1;
  const SolveOutcome outcome = solveProblem(instance, options);
  EXPECT_EQ(outcome.code, ErrorCode::Success);
  EXPECT_FALSE(outcome.statistics.stopped);
  return Solved{outcome.statistics.evaluatedNodes, outcome.length, outcome.order};
}

void expectSame(const Solved& got, const Solved& reference) {
  EXPECT_EQ(got.nodes, reference.nodes);
  EXPECT_EQ(got.length, reference.length);
  EXPECT_EQ(got.order, reference.order);
}

// Instances whose first level probes long arcs and searches some hundreds of nodes, so that
// every bound and probe of the search takes part; the first is solved twenty times.
struct Repeated {
  const char* file;
  int rounds;
};
constexpr Repeated kRepeated[] = {{"kroA100.tsp", 20}, {"kroB100.tsp", 4}, {"pr124.tsp", 4}};

TEST(SolveRepeatability, SolvesInARowAgreeWithAndWithoutAMonitor) {
  std::vector<std::unique_ptr<ProblemData>> instances;
  for (const Repeated& repeated : kRepeated) {
    instances.push_back(tsplib(repeated.file));
    ASSERT_NE(instances.back(), nullptr) << repeated.file;
  }
  std::vector<Solved> references;
  for (const auto& instance : instances) references.push_back(solveWith(*instance, nullptr));

  for (int round = 0; round < 20; ++round) {
    for (std::size_t k = 0; k < instances.size(); ++k) {
      if (round >= kRepeated[k].rounds) continue;
      SCOPED_TRACE(::testing::Message() << kRepeated[k].file << ", round " << round);
      litterHeap(static_cast<unsigned char>(0x11 * (round % 15 + 1)));
      if (round % 2 == 0) {
        expectSame(solveWith(*instances[k], nullptr), references[k]);
      } else {
        AgreeingMonitor monitor;
        expectSame(solveWith(*instances[k], &monitor), references[k]);
        // The monitor was really asked: once per evaluated node beyond the first level.
        EXPECT_EQ(monitor.progressCalls + 1, references[k].nodes);
        EXPECT_GT(monitor.keepGoingCalls, 0u);
      }
    }
  }
}

TEST(SolveRepeatability, FourThreadsAtOnceAgreeWithASolveAlone) {
  const auto instance = tsplib("kroA100.tsp");
  ASSERT_NE(instance, nullptr);
  const Solved reference = solveWith(*instance, nullptr);
  constexpr int kThreads = 4;
  std::vector<Solved> results(kThreads * 2);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      litterHeap(static_cast<unsigned char>(0x5A + t));
      AgreeingMonitor monitor;
      results[2 * t] = solveWith(*instance, t % 2 == 0 ? &monitor : nullptr);
      results[2 * t + 1] = solveWith(*instance, t % 2 == 0 ? nullptr : &monitor);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int k = 0; k < kThreads * 2; ++k) {
    SCOPED_TRACE(::testing::Message() << "thread " << k / 2 << ", solve " << k % 2);
    expectSame(results[k], reference);
  }
}

}  // namespace
}  // namespace ringmarch::testing
