// Feeds arbitrary bytes to the tolerant TSP reader and checks what every answer must guarantee:
// a refusal carries one of the reader's codes and a reason and leaves the instance untouched; an
// accepted instance has 1 to 127 cities (an ATSP at most 63), complete neighbour orders, finite
// coordinates and a truthful asymmetry flag, and, written as a full matrix, reads back to the
// same distances in both reading modes.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "tsplib/tolerant_tsp_reader.h"
#include "tsplib/tsp_file.h"

namespace {

using ringmarch::ErrorCode;
using ringmarch::ProblemData;

ProblemData problem;
ProblemData before;
ProblemData reread;

using ringmarch::fuzzing::require;

void checkAccepted(const ProblemData& p, const ringmarch::TspReadReport& report) {
  require(p.count >= 1 && p.count <= ringmarch::kMaxCities);
  require(report.type != "ATSP" || p.count <= ringmarch::kMaxAsymmetricCities);
  require(p.startCity >= 0 && p.startCity < p.count);
  ringmarch::fuzzing::requireNeighbourOrders(p);
  bool asymmetric = false;
  for (int i = 0; i < p.count; ++i) {
    for (int j = 0; j < p.count; ++j) {
      if (i != j && p.rows[i].dist[j] != p.rows[j].dist[i]) asymmetric = true;
    }
    if (p.hasCoordinates == 1) require(std::isfinite(p.rows[i].x) && std::isfinite(p.rows[i].y));
    require(std::memchr(p.rows[i].name, 0, ringmarch::kTextCapacity) != nullptr);
  }
  require(asymmetric == report.asymmetric);
}

void checkRoundTrip(const ProblemData& p) {
  ringmarch::fuzzing::OutputBuffer output;
  require(output.stream() != nullptr);
  ringmarch::writeTspStream(p, output.stream(), "round.tsp", ringmarch::kTspFileFullMatrix);
  output.close();
  for (const bool strict : {false, true}) {
    ringmarch::fuzzing::MemoryStream input(output.bytes(), output.size());
    require(input.stream() != nullptr);
    ringmarch::initProblemData(reread);
    const ErrorCode code =
        strict ? ringmarch::readTspStream(reread, input.stream(), "round.tsp")
               : ringmarch::readTspStreamTolerant(reread, input.stream(), "round.tsp").code;
    require(code == ErrorCode::Success);
    require(reread.count == p.count && reread.hasCoordinates == p.hasCoordinates);
    for (int i = 0; i < p.count; ++i) {
      require(std::memcmp(reread.rows[i].dist, p.rows[i].dist, sizeof(std::int32_t) * p.count) ==
              0);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ringmarch::initProblemData(problem);
  // An instance held before the read: a refused file must leave it exactly as it was.
  problem.count = 100;
  problem.startCity = 99;
  problem.rows[3].dist[4] = 77;
  before = problem;
  ringmarch::fuzzing::MemoryStream input(data, size);
  if (input.stream() == nullptr) return 0;
  const ringmarch::TspReadReport report =
      ringmarch::readTspStreamTolerant(problem, input.stream(), "fuzz.tsp");
  if (report.code == ErrorCode::Success) {
    require(report.reason.empty());
    checkAccepted(problem, report);
    checkRoundTrip(problem);
  } else {
    require(report.code == ErrorCode::FileReadFailed || report.code == ErrorCode::FileFormatError ||
            report.code == ErrorCode::TooManyCities);
    require(!report.reason.empty() && report.line >= 0);
    require(std::memcmp(&problem, &before, sizeof problem) == 0);
  }
  return 0;
}
