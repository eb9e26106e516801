// Feeds arbitrary bytes to the TSP reader and checks what every answer must guarantee: the count
// stays below 128, the start city names a city (or 0 for no cities), and an accepted instance has
// finite coordinates and complete neighbour orders. An accepted instance is then written as a
// full matrix and read back: the distances and the whole-number coordinates must survive. The
// strict reader over an Instance answers the reader's code on the same bytes, with a line and a
// reason when it refuses, and otherwise the reader's distances.
#include <cmath>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "instance/problem_conversion.h"
#include "tsplib/strict_tsp_reader.h"
#include "tsplib/tsp_file.h"

namespace {

using ringmarch::ProblemData;

ProblemData problem;
ProblemData fresh;
ProblemData reread;

using ringmarch::fuzzing::require;

void checkAccepted(const ProblemData& p) {
  ringmarch::fuzzing::requireNeighbourOrders(p);
  for (int i = 0; i < p.count; ++i) {
    if (p.hasCoordinates == 1) require(std::isfinite(p.rows[i].x) && std::isfinite(p.rows[i].y));
    require(std::memchr(p.rows[i].name, 0, ringmarch::kTextCapacity) != nullptr);
  }
}

void checkRoundTrip(const ProblemData& p) {
  ringmarch::fuzzing::OutputBuffer output;
  require(output.stream() != nullptr);
  ringmarch::writeTspStream(p, output.stream(), "round.tsp", ringmarch::kTspFileFullMatrix);
  output.close();
  ringmarch::fuzzing::MemoryStream input(output.bytes(), output.size());
  require(input.stream() != nullptr);
  ringmarch::initProblemData(reread);
  require(ringmarch::readTspStream(reread, input.stream(), "round.tsp") ==
          ringmarch::ErrorCode::Success);
  require(reread.count == p.count && reread.hasCoordinates == p.hasCoordinates);
  for (int i = 0; i < p.count; ++i) {
    require(std::memcmp(reread.rows[i].dist, p.rows[i].dist, sizeof(std::int32_t) * p.count) == 0);
    if (p.hasCoordinates == 1) {
      require(reread.rows[i].x == ringmarch::truncateToWhole(p.rows[i].x));
      require(reread.rows[i].y == ringmarch::truncateToWhole(p.rows[i].y));
    }
  }
}

// The strict reader over an Instance on the same bytes, against the reader on a new instance.
void checkStrictInstance(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ringmarch::initProblemData(fresh);
  const ringmarch::ErrorCode code = ringmarch::readTspText(fresh, bytes, "fuzz.tsp");
  const ringmarch::TspRead read = ringmarch::readTspTextStrict(bytes, "fuzz.tsp");
  if (!read.instance) {
    require(!read.report.reason.empty() && read.report.line >= 0);
    require(code != ringmarch::ErrorCode::Success ? read.report.code == code : fresh.count < 1);
    return;
  }
  require(code == ringmarch::ErrorCode::Success && read.instance->size() == fresh.count);
  const std::unique_ptr<ProblemData> converted = ringmarch::problemOf(*read.instance);
  require(converted != nullptr && converted->startCity == fresh.startCity);
  for (int i = 0; i < fresh.count; ++i) {
    require(std::memcmp(converted->rows[i].dist, fresh.rows[i].dist,
                        sizeof(std::int32_t) * fresh.count) == 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ringmarch::initProblemData(problem);
  // An instance held before the read, so partial replacement is exercised too.
  problem.count = 100;
  problem.startCity = 99;
  ringmarch::fuzzing::MemoryStream input(data, size);
  if (input.stream() == nullptr) return 0;
  const ringmarch::ErrorCode code = ringmarch::readTspStream(problem, input.stream(), "fuzz.tsp");
  require(problem.count < 128);
  require(problem.startCity >= 0);
  require(problem.count <= 0 ? problem.startCity == 0 : problem.startCity < problem.count);
  if (code == ringmarch::ErrorCode::Success) {
    checkAccepted(problem);
    checkRoundTrip(problem);
  }
  checkStrictInstance(data, size);
  return 0;
}
