// Tour-identity sweep: the bounds that only remove what holds no tour strictly shorter than the
// best one (the improved first bound, the Lagrangian tree bound and the arc elimination by
// reduced cost) must leave the tour Solve returns exactly as it is: the same cities in the same
// order, the same start and direction, the same length. Each instance is solved with those
// procedures off and with a random non-empty subset of them on (the older filters switched the
// same way in both runs, at random), and the two answers are compared city by city.
//
//   identity_sweep [instancesPerShape] [smallestCount] [largestCount] [firstSeed] [FILE.tsp ...]
//
// Files named after the numbers are solved with every combination of the three switches. Exit
// status 0 when no answer differs. Every difference is printed with its distance matrix.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/instance_loader.h"
#include "support/tour_checker.h"
#include "tools/sweep_instances.h"

namespace ringmarch::testing {
namespace {

struct NewSwitches {
  bool upperBound;
  bool lagrangian;
  bool elimination;
};

void apply(const NewSwitches& on, SolveOptions& options) {
  options.improveUpperBound = on.upperBound;
  options.chain.lagrangianBound = on.lagrangian;
  options.chain.reducedCostElimination = on.elimination;
}

std::string describe(const NewSwitches& on) {
  std::string text;
  if (on.upperBound) text += " upper-bound";
  if (on.lagrangian) text += " lagrangian";
  if (on.elimination) text += " elimination";
  return text.empty() ? " none" : text;
}

// Empty when the two answers are the same tour; otherwise how they differ.
std::string difference(const ProblemData& problem, const Outcome& off, const Outcome& on) {
  if (off.code != on.code) return "result codes differ";
  if (on.statistics.stopped || off.statistics.stopped) return "a search hit the node limit";
  const std::string defect = tourDefect(on.order, problem.count);
  if (!defect.empty()) return "invalid tour: " + defect;
  if (closedTourLength(problem, on.order) != on.length) return "length does not recompute";
  if (off.length != on.length) {
    return "length " + std::to_string(on.length) + " against " + std::to_string(off.length);
  }
  if (off.order != on.order) return "same length, another tour";
  return "";
}

struct Tally {
  long instances = 0;
  long differences = 0;
  std::uint64_t nodesOff = 0;
  std::uint64_t nodesOn = 0;
};

Outcome solveWith(const ProblemData& problem, SolveOptions options, const NewSwitches& on) {
  apply(on, options);
  return solve(problem, options);
}

// Compares the answer with the switches `on` against `off`, the answer with all three off; a
// difference is described in `report` (with the distance matrix when asked).
bool compare(const char* what, const ProblemData& problem, const SolveOptions& base,
             const Outcome& off, const NewSwitches& on, Tally& tally, std::string& report,
             bool withMatrix = true) {
  const Outcome with = solveWith(problem, base, on);
  tally.instances += 1;
  tally.nodesOff += off.statistics.evaluatedNodes;
  tally.nodesOn += with.statistics.evaluatedNodes;
  const std::string fault = difference(problem, off, with);
  if (fault.empty()) return true;
  tally.differences += 1;
  report += "DIFFERENT " + std::string(what) + ", " + std::to_string(problem.count) +
            " cities, switched on:" + describe(on) + ": " + fault + "\n";
  if (withMatrix) report += matrixText(problem);
  return false;
}

}  // namespace
}  // namespace ringmarch::testing

int main(int argc, char** argv) {
  using namespace ringmarch;
  using namespace ringmarch::testing;
  const std::optional<SweepArguments> arguments = sweepArguments(argc, argv, {2000, 5, 30, 1}, 127);
  if (!arguments) return 2;
  const int perShape = arguments->perShape;
  const int smallest = arguments->smallest;
  const int largest = arguments->largest;
  const std::uint64_t firstSeed = arguments->firstSeed;
  const Shape shapes[] = {Shape::EuclideanUniform, Shape::EuclideanDuplicates,
                          Shape::IntegerGrid,      Shape::CollinearLine,
                          Shape::SmallRange,       Shape::WithZeros,
                          Shape::WithNegatives,    Shape::Asymmetric,
                          Shape::WideRange,        Shape::HugeValues,
                          Shape::AllEqual};
  Tally total;
  // Two workers share each shape's instances; the report is printed in instance order.
  constexpr int kWorkers = 2;
  for (const Shape shape : shapes) {
    std::vector<Tally> tallies(kWorkers);
    std::vector<std::string> reports(static_cast<std::size_t>(perShape));
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
      workers.emplace_back([&, w] {
        for (int k = w; k < perShape; k += kWorkers) {
          const std::uint64_t seed = firstSeed + static_cast<std::uint64_t>(k);
          SweepRandom random(seed * 977 + static_cast<std::uint64_t>(shape));
          const int count = smallest + random.below(largest - smallest + 1);
          const auto problem = makeInstance(shape, count, random);
          if (!tourLengthsFit(*problem)) continue;
          NodeLimit limit;
          SolveOptions base;
          base.monitor = &limit;
          base.progressInterval = 1 << 20;
          const std::uint32_t bits = random.next();
          // The older filters: all on half of the time, a random subset otherwise.
          if ((bits & 1) != 0) {
            base.chain.probeLongArcs = (bits & 2) != 0;
            base.chain.exchangeFilter = (bits & 4) != 0;
            base.chain.pruneByReachability = (bits & 8) != 0;
            base.chain.forcedChains = (bits & 16) != 0;
          }
          NewSwitches on{true, true, true};
          if ((bits & 32) != 0) {
            const std::uint32_t subset = 1 + (bits >> 6) % 7;  // 1 .. 7: never all off
            on = NewSwitches{(subset & 1) != 0, (subset & 2) != 0, (subset & 4) != 0};
          }
          const std::string what = std::string(shapeName(shape)) + " seed " + std::to_string(seed);
          const Outcome off = solveWith(*problem, base, NewSwitches{false, false, false});
          compare(what.c_str(), *problem, base, off, on, tallies[static_cast<std::size_t>(w)],
                  reports[static_cast<std::size_t>(k)]);
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
    Tally tally;
    for (const Tally& part : tallies) {
      tally.instances += part.instances;
      tally.differences += part.differences;
      tally.nodesOff += part.nodesOff;
      tally.nodesOn += part.nodesOn;
    }
    int shown = 0;
    for (const std::string& report : reports) {
      if (!report.empty() && shown++ < 5) std::fputs(report.c_str(), stdout);
    }
    std::printf("%-22s %6ld instances, nodes %10llu off, %10llu on, %ld differences\n",
                shapeName(shape), tally.instances, static_cast<unsigned long long>(tally.nodesOff),
                static_cast<unsigned long long>(tally.nodesOn), tally.differences);
    std::fflush(stdout);
    total.instances += tally.instances;
    total.differences += tally.differences;
  }
  for (int a = 5; a < argc; ++a) {
    const auto problem = loadInstance(argv[a]);
    if (problem == nullptr) {
      std::printf("FAIL %s: the reader refuses it\n", argv[a]);
      total.differences += 1;
      continue;
    }
    Tally tally;
    const SolveOptions base;
    const Outcome off = solveWith(*problem, base, NewSwitches{false, false, false});
    for (std::uint32_t subset = 1; subset <= 7; ++subset) {
      const NewSwitches on{(subset & 1) != 0, (subset & 2) != 0, (subset & 4) != 0};
      std::string report;
      compare(argv[a], *problem, base, off, on, tally, report, false);
      std::fputs(report.c_str(), stdout);
    }
    std::printf("%-40s %2ld runs, nodes %10llu off (each), %10llu on (all runs), %ld differences\n",
                argv[a], tally.instances, static_cast<unsigned long long>(tally.nodesOff / 7),
                static_cast<unsigned long long>(tally.nodesOn), tally.differences);
    std::fflush(stdout);
    total.instances += tally.instances;
    total.differences += tally.differences;
  }
  std::printf("%ld instances, %ld differences\n", total.instances, total.differences);
  return total.differences == 0 ? 0 : 1;
}
