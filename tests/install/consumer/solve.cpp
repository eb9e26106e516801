// A program outside the tree that uses the installed C++ API as its users write it, through
// <ringmarch/...> alone: the solver object solves a seeded random instance, and the solve layer
// solves a TSPLIB file with the engine auto, watched while it runs. It prints what both found
// and checks the tour against the instance; the C consumer prints the same lines through the C
// interface. Every installed C++ header is included, so that each is known to compile outside
// the tree.
// Usage: solve_cpp FILE.tsp
#include <cstdint>
#include <cstdio>
#include <memory>

#include <ringmarch/errors.hpp>
#include <ringmarch/instance.hpp>
#include <ringmarch/object.hpp>
#include <ringmarch/problem.hpp>
#include <ringmarch/progress.hpp>
#include <ringmarch/solve.hpp>
#include <ringmarch/tsplib.hpp>
#include <ringmarch/version.hpp>

namespace {

// Counts the progress reports of a solve; never stops it.
class CountingWatcher final : public ringmarch::RunWatcher {
 public:
  bool onProgress(const ringmarch::RunProgress&) override {
    ++reports;
    return true;
  }
  std::uint64_t reports = 0;
};

int solveWithTheObject() {
  auto solver = std::make_unique<ringmarch::RingmarchObject>();
  std::int32_t length = 0;
  if (solver->NewTspWithSeed(12, 7) != ringmarch::kSuccessResult ||
      solver->Solve(&length) != ringmarch::kSuccessResult) {
    std::printf("object failed: %s\n", ringmarch::lastError().description.c_str());
    return 1;
  }
  std::printf("object: length %d\n", length);
  return 0;
}

int solveTheFile(const char* path) {
  const ringmarch::TspRead read =
      ringmarch::readTspFileTolerant(ringmarch::FileName::fromNarrow(path));
  if (!read.instance) {
    std::printf("%s is refused: %s (%s)\n", path, read.report.where().c_str(),
                ringmarch::errorGloss(read.report.code).data());
    return 1;
  }
  const ringmarch::Instance& instance = *read.instance;
  CountingWatcher watcher;
  ringmarch::SolveRequest request;  // the engine auto, no time limit
  request.watcher = &watcher;
  const ringmarch::SolveResult result = ringmarch::solve(instance, request);
  if (result.refused()) {
    std::printf("solve refused: %s\n", result.reason.c_str());
    return 1;
  }
  if (!instance.isTour(result.tour) || instance.tourLength(result.tour) != result.length) {
    std::printf("the solve layer's tour does not visit every city once at its length\n");
    return 1;
  }
  if (watcher.reports == 0) {
    std::printf("the watcher heard nothing\n");
    return 1;
  }
  std::printf("%d cities: engine %s, %s, length %lld\n", instance.size(),
              ringmarch::engineName(result.engine).data(),
              result.optimal() ? "optimal" : "not proven", static_cast<long long>(result.length));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: solve_cpp FILE.tsp (ringmarch %s)\n", ringmarch::kVersion.data());
    return 2;
  }
  if (const int status = solveWithTheObject()) return status;
  return solveTheFile(argv[1]);
}
