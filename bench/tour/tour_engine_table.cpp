// Measures the tour engine on TSPLIB files named on the command line, each followed by its
// published optimum (file:optimum): the tour's length and excess over the optimum, the lower
// bound and its distance below the optimum, the seconds of the tour and of the bound, and the
// process's peak resident memory so far. `--time-limit=S` gives every solve a time limit.
// Coordinate files (EUC_2D, CEIL_2D, ATT, GEO) and explicit matrices, TSP and ATSP, are read.
// `uniform:N:SEED` stands for N cities drawn uniformly from a 10^6 square (EUC_2D) by a fixed
// generator: its optimum unknown, the bound is compared with the tour found (a bound within x %
// of a tour proves the tour within x % of the optimum).
// A bound above the optimum, or a tour that is not one, is a fault: the program then exits 1.
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/tour/tsplib_file_reader.h"
#include "solve/solve.h"

namespace {

double peakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  int faults = 0;
  std::optional<double> timeLimit;
  bool header = true;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--time-limit=", 0) == 0) {
      timeLimit = std::stod(argument.substr(13));
      continue;
    }
    if (argument == "--no-header") {
      header = false;
      continue;
    }
    if (header) {
      std::printf(
          "| instance | cities | tour | over optimum | bound | below optimum | tour s | bound s "
          "| peak MB |\n");
      std::printf("|---|---|---|---|---|---|---|---|---|\n");
      header = false;
    }
    const auto colon = argument.rfind(':');
    const std::string path = argument.substr(0, colon);
    long long optimum = std::stoll(argument.substr(colon + 1));
    std::string name = path.substr(path.rfind('/') + 1);
    std::optional<ringmarch::Instance> instance;
    const bool uniform = argument.rfind("uniform:", 0) == 0;
    if (uniform) {
      const int n = std::stoi(argument.substr(8, colon - 8));
      std::mt19937_64 random(static_cast<std::uint64_t>(optimum));
      std::uniform_int_distribution<int> coordinate(0, 999999);
      std::vector<double> x, y;
      for (int k = 0; k < n; ++k) {
        x.push_back(coordinate(random));
        y.push_back(coordinate(random));
      }
      instance = ringmarch::Instance::fromCoordinates(ringmarch::DistanceRule::Euc2d, x, y);
      name = argument + " (vs tour)";
    } else {
      instance = ringmarch::bench::readTsplibFile(path);
    }
    if (!instance) {
      std::printf("| %s | unreadable |\n", name.c_str());
      ++faults;
      continue;
    }
    ringmarch::SolveRequest request;
    request.engine = ringmarch::Engine::Tour;
    request.timeLimitSeconds = timeLimit;
    const ringmarch::SolveResult result = ringmarch::solve(*instance, request);
    if (uniform) optimum = result.length;
    const long long bound = result.lowerBound.value_or(0);
    if (bound > optimum || !instance->isTour(result.tour) ||
        instance->tourLength(result.tour) != result.length) {
      ++faults;
      std::printf("FAULT: %s bound %lld optimum %lld\n", name.c_str(), bound, optimum);
    }
    std::printf("| %s | %d | %lld | %.2f %% | %lld | %.2f %% | %.2f | %.2f | %.0f |\n",
                name.c_str(), instance->size(), static_cast<long long>(result.length),
                100.0 * static_cast<double>(result.length - optimum) / static_cast<double>(optimum),
                bound, 100.0 * static_cast<double>(optimum - bound) / static_cast<double>(optimum),
                result.counts.stages.initialTour, result.counts.stages.search, peakMegabytes());
    std::fflush(stdout);
  }
  return faults == 0 ? 0 : 1;
}
