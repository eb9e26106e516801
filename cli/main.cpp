// ringmarch: solves travelling-salesman instances exactly from the command line.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "model/ringmarch_object.h"

namespace {

constexpr int kDefaultCities = 40;
constexpr std::uint32_t kDefaultSeed = 20261208;

void printUsage(std::FILE* out) {
  std::fprintf(out, "usage: ringmarch solve [--json]\n");
}

int reportFailure(ringmarch::OperationResult result) {
  const ringmarch::LastError error = ringmarch::lastError();
  std::fprintf(stderr, "ringmarch: %s (0x%08X %s)\n", error.description.c_str(), result,
               std::string(ringmarch::errorName(error.code)).c_str());
  return 1;
}

int solveDefault(bool json) {
  auto object = std::make_unique<ringmarch::RingmarchObject>();
  ringmarch::OperationResult result = object->NewTspWithSeed(kDefaultCities, kDefaultSeed);
  if (result != ringmarch::kSuccessResult) return reportFailure(result);

  const auto started = std::chrono::steady_clock::now();
  std::int32_t length = 0;
  result = object->Solve(&length);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (result != ringmarch::kSuccessResult) return reportFailure(result);

  const ringmarch::TourRecord& tour = object->tour();
  if (json) {
    std::printf("{\"cities\": %d, \"length\": %d, \"tour\": [", tour.count, length);
    for (int i = 0; i < tour.count; ++i) std::printf(i ? ", %d" : "%d", tour.order[i]);
    std::printf("], \"seconds\": %.6f}\n", seconds);
  } else {
    std::printf("cities: %d\nlength: %d\ntour:", tour.count, length);
    for (int i = 0; i < tour.count; ++i) std::printf(" %d", tour.order[i] + 1);
    std::printf("\nseconds: %.3f\n", seconds);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "solve") != 0) {
    printUsage(stderr);
    return 2;
  }
  bool json = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) {
      json = true;
    } else {
      printUsage(stderr);
      return 2;
    }
  }
  return solveDefault(json);
}
