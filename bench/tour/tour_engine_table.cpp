// Measures the tour engine on TSPLIB files named on the command line (read by the tolerant reader:
// every distance rule and matrix layout, TSP and ATSP): for each, the tour's length, its excess
// over the published optimum given after the file name (file:optimum), the Held-Karp bound's
// distance below the optimum, and the seconds. A bound above the optimum would be a fault: the
// program then exits 1.
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "instance/instance.h"
#include "solve/solve.h"
#include "tsplib/tolerant_tsp_reader.h"

int main(int argc, char** argv) {
  int faults = 0;
  std::printf("| instance | cities | tour | over optimum | bound | below optimum | seconds |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto colon = argument.rfind(':');
    const std::string path = argument.substr(0, colon);
    const long long optimum = std::stoll(argument.substr(colon + 1));
    const ringmarch::TspRead read =
        ringmarch::readTspFileTolerant(ringmarch::FileName::fromNarrow(path.c_str()));
    const std::optional<ringmarch::Instance>& instance = read.instance;
    if (!instance) {
      std::printf("| %s | unreadable: %s |\n", path.c_str(), read.report.where().c_str());
      ++faults;
      continue;
    }
    ringmarch::SolveRequest request;
    request.engine = ringmarch::Engine::Tour;
    const auto start = std::chrono::steady_clock::now();
    const ringmarch::SolveResult result = ringmarch::solve(*instance, request);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long bound = result.lowerBound.value_or(0);
    if (bound > optimum || !instance->isTour(result.tour) ||
        instance->tourLength(result.tour) != result.length) {
      ++faults;
    }
    const std::string name = path.substr(path.rfind('/') + 1);
    std::printf("| %s | %d | %lld | %.2f %% | %lld | %.2f %% | %.2f |\n", name.c_str(),
                instance->size(), static_cast<long long>(result.length),
                100.0 * static_cast<double>(result.length - optimum) / static_cast<double>(optimum),
                bound, 100.0 * static_cast<double>(optimum - bound) / static_cast<double>(optimum),
                seconds);
    std::fflush(stdout);
  }
  return faults == 0 ? 0 : 1;
}
