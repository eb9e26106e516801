// Sweep of the branch-and-cut engine against the canonical engine on many small instances of
// tie-heavy, degenerate and unusual shapes (asymmetric ones through the twin form). Each
// instance is solved by both, and by the cut engine a second time without tour searches (tours
// only from its LP) and with the canonical engine's optimal tour as a known optimum, so that a
// cut, a fixing or a bound that excludes it is reported where it happens. Where the canonical
// engine cannot prove a tour (distances too spread for its asymmetric form), instances of up to 16
// cities are checked against the tests' own Held-Karp. A short sample runs in the test suite; the
// long sweep by hand:
//
//   cut_sweep [instancesPerShape] [smallestCount] [largestCount] [firstSeed]
//
// Every failure is printed with its full distance matrix, so it can be reduced and replayed.
#include <cstdio>
#include <optional>
#include <string>

#include "cut/branch_and_cut.h"
#include "solve/problem_conversion.h"
#include "solve/solve.h"
#include "support/tour_checker.h"
#include "tools/sweep_instances.h"

namespace ringmarch::testing {
namespace {

// Empty when the cut engine's answer agrees with the reference; otherwise what is wrong.
std::string checkCutAnswer(const ProblemData& problem, const cut::CutEngineResult& answer,
                           std::int64_t optimum) {
  const std::string defect = tourDefect(answer.tour, problem.count);
  if (!defect.empty()) return "invalid tour: " + defect;
  const std::int64_t recomputed = closedTourLength(problem, answer.tour);
  if (recomputed != answer.length) {
    return "length " + std::to_string(answer.length) + " but the tour recomputes to " +
           std::to_string(recomputed);
  }
  if (!answer.optimal) {
    return "not proven: " +
           (answer.stopReason != StopReason::None
                ? std::string("stopped after ") + std::to_string(answer.statistics.nodes) + " nodes"
                : answer.reason);
  }
  if (!answer.lowerBound || *answer.lowerBound != answer.length) return "bound differs";
  if (answer.length != optimum) {
    return "length " + std::to_string(answer.length) + ", optimum " + std::to_string(optimum);
  }
  if (!answer.witnessViolations.empty()) {
    return "known optimum excluded: " + answer.witnessViolations.front();
  }
  return "";
}

// Stops a run that evaluates far more nodes than any instance of these sizes should need.
class CutNodeLimit final : public RunWatcher {
 public:
  bool onProgress(const RunProgress& progress) override { return progress.nodes < 20'000; }
};

}  // namespace
}  // namespace ringmarch::testing

int main(int argc, char** argv) {
  using namespace ringmarch;
  using namespace ringmarch::testing;
  const std::optional<SweepArguments> arguments = sweepArguments(argc, argv, {1000, 5, 40, 1}, 127);
  if (!arguments) return 2;
  const int perShape = arguments->perShape;
  const int smallest = arguments->smallest;
  const int largest = arguments->largest;
  const std::uint64_t firstSeed = arguments->firstSeed;
  const Shape shapes[] = {
      Shape::EuclideanDuplicates, Shape::IntegerGrid,   Shape::CollinearLine,   Shape::SmallRange,
      Shape::WithZeros,           Shape::WithNegatives, Shape::Asymmetric,      Shape::WideRange,
      Shape::HugeValues,          Shape::AllEqual,      Shape::EuclideanUniform};
  int failures = 0;
  long total = 0;
  for (const Shape shape : shapes) {
    int shapeFailures = 0, checkedByOracle = 0;
    std::uint64_t nodes = 0;
    for (int k = 0; k < perShape; ++k) {
      const std::uint64_t seed = firstSeed + static_cast<std::uint64_t>(k);
      SweepRandom random(seed * 977 + static_cast<std::uint64_t>(shape));
      const int count = smallest + random.below(largest - smallest + 1);
      const auto problem = makeInstance(shape, count, random);
      const auto instance = instanceOf(*problem);
      if (!instance) continue;
      SolveRequest canonical;
      canonical.engine = Engine::Canonical;
      const SolveResult reference = solve(*problem, canonical);
      std::int64_t optimum = reference.length;
      cut::CutEngineOptions options;
      if (reference.optimal()) {
        options.witnessTour = reference.tour;
      } else if (count <= 16) {
        optimum =
            instance->isSymmetric() ? heldKarpOptimum(*problem) : directedHeldKarpOptimum(*problem);
        ++checkedByOracle;
      } else {
        continue;  // no reference at all: nothing to compare with
      }
      CutNodeLimit limit;
      RunControl control(std::nullopt, &limit);
      const cut::CutEngineResult answer = cut::solveByBranchAndCut(*instance, {}, control);
      options.searchTours = false;
      RunControl checkedControl(std::nullopt, &limit);
      const cut::CutEngineResult checked =
          cut::solveByBranchAndCut(*instance, options, checkedControl);
      ++total;
      nodes += answer.statistics.nodes;
      std::string fault = checkCutAnswer(*problem, answer, optimum);
      if (fault.empty()) fault = checkCutAnswer(*problem, checked, optimum);
      if (!fault.empty()) {
        ++shapeFailures;
        if (shapeFailures <= 5) {
          std::printf("FAIL %s seed %llu, %d cities: %s\n", shapeName(shape),
                      static_cast<unsigned long long>(seed), count, fault.c_str());
          printInstance(*problem);
        }
      }
    }
    std::printf("%-22s %6d instances, %8llu nodes, %d against Held-Karp, %d failures\n",
                shapeName(shape), perShape, static_cast<unsigned long long>(nodes), checkedByOracle,
                shapeFailures);
    std::fflush(stdout);
    failures += shapeFailures;
  }
  std::printf("%ld instances, %d failures\n", total, failures);
  return failures == 0 ? 0 : 1;
}
