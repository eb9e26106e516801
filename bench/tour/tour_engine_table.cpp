// Measures the tour engine on TSPLIB coordinate files named on the command line (EUC_2D, CEIL_2D
// and ATT): for each, the tour's length, its excess over the published optimum given after the
// file name (file:optimum), the Held-Karp bound's distance below the optimum, and the seconds.
// A bound above the optimum would be a fault: the program then exits 1.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "instance/instance.h"
#include "solve/solve.h"

namespace {

std::optional<ringmarch::Instance> readCoordinates(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  ringmarch::DistanceRule rule = ringmarch::DistanceRule::Euc2d;
  std::vector<double> x;
  std::vector<double> y;
  bool section = false;
  while (std::getline(in, line)) {
    if (line.find("EDGE_WEIGHT_TYPE") != std::string::npos) {
      if (line.find("CEIL_2D") != std::string::npos) rule = ringmarch::DistanceRule::Ceil2d;
      if (line.find("ATT") != std::string::npos) rule = ringmarch::DistanceRule::Att;
      if (line.find("GEO") != std::string::npos) rule = ringmarch::DistanceRule::Geo;
    }
    if (line.find("NODE_COORD_SECTION") != std::string::npos) {
      section = true;
      continue;
    }
    if (line.find("EOF") != std::string::npos) break;
    if (!section) continue;
    std::istringstream fields(line);
    int id = 0;
    double a = 0;
    double b = 0;
    if (fields >> id >> a >> b) {
      x.push_back(a);
      y.push_back(b);
    }
  }
  return ringmarch::Instance::fromCoordinates(rule, std::move(x), std::move(y));
}

}  // namespace

int main(int argc, char** argv) {
  int faults = 0;
  std::printf("| instance | cities | tour | over optimum | bound | below optimum | seconds |\n");
  std::printf("|---|---|---|---|---|---|---|\n");
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto colon = argument.rfind(':');
    const std::string path = argument.substr(0, colon);
    const long long optimum = std::stoll(argument.substr(colon + 1));
    const std::optional<ringmarch::Instance> instance = readCoordinates(path);
    if (!instance) {
      std::printf("| %s | unreadable |\n", path.c_str());
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
