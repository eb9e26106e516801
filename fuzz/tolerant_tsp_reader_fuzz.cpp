// Feeds arbitrary bytes to the tolerant TSP reader and checks what every answer must guarantee:
// a refusal carries one of the reader's codes and a reason and no instance, from a stream and
// from bytes alike; an accepted instance has 1 to kMaxInstanceCities cities, finite picture
// coordinates, a label per city or none, and a truthful asymmetry flag. Within the object's
// limits the object's own read gives the instance's converted problem, and that problem, written
// as a full matrix, reads back to the same distances in both reading modes.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "instance/problem_conversion.h"
#include "tsplib/tolerant_tsp_reader.h"
#include "tsplib/tsp_file.h"

namespace {

using ringmarch::ErrorCode;
using ringmarch::Instance;
using ringmarch::ProblemData;

ProblemData problem;
ProblemData before;
ProblemData reread;

using ringmarch::fuzzing::require;

// Asymmetry is looked for among the first cities only, so that a large instance stays quick.
constexpr int kCheckedCities = 300;

void checkAccepted(const Instance& instance, const ringmarch::TspReadReport& report) {
  const int n = instance.size();
  require(n >= 1 && n <= ringmarch::kMaxInstanceCities);
  require(instance.labels.empty() || instance.labels.size() == static_cast<std::size_t>(n));
  bool asymmetric = false;
  for (int i = 0; i < n && i < kCheckedCities; ++i) {
    for (int j = 0; j < n && j < kCheckedCities; ++j) {
      if (i != j && instance.distance(i, j) != instance.distance(j, i)) asymmetric = true;
    }
    if (instance.hasPicture()) {
      require(std::isfinite(instance.pictureX(i)) && std::isfinite(instance.pictureY(i)));
    }
  }
  if (n <= kCheckedCities) require(asymmetric == report.asymmetric);
  require(report.asymmetric == !instance.isSymmetric());
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

// The object's read of the same bytes, within its limits: the instance's problem, or a refusal
// that leaves the object's instance as it was.
void checkObjectRead(const std::uint8_t* data, std::size_t size, const ringmarch::TspRead& read) {
  ringmarch::initProblemData(problem);
  problem.count = 100;
  problem.startCity = 99;
  problem.rows[3].dist[4] = 77;
  before = problem;
  ringmarch::fuzzing::MemoryStream input(data, size);
  require(input.stream() != nullptr);
  const ringmarch::TspReadReport report =
      ringmarch::readTspStreamTolerant(problem, input.stream(), "fuzz.tsp");
  if (report.code != ErrorCode::Success) {
    require(std::memcmp(&problem, &before, sizeof problem) == 0);
    return;
  }
  require(read.instance && read.instance->size() <= ringmarch::kMaxCities);
  const std::unique_ptr<ProblemData> converted = ringmarch::problemOf(*read.instance);
  require(converted != nullptr);
  require(std::memcmp(converted.get(), &problem, sizeof problem) == 0);
  ringmarch::fuzzing::requireNeighbourOrders(problem);
  checkRoundTrip(problem);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ringmarch::TspRead read = ringmarch::readTspTextTolerant(text, "fuzz.tsp");
  ringmarch::fuzzing::MemoryStream input(data, size);
  if (input.stream() == nullptr) return 0;
  const ringmarch::TspRead streamed = ringmarch::readTspStreamTolerant(input.stream(), "fuzz.tsp");
  require(streamed.report.where() == read.report.where());
  require(streamed.instance.has_value() == read.instance.has_value());
  if (read.report.code == ErrorCode::Success) {
    require(read.report.reason.empty() && read.instance);
    checkAccepted(*read.instance, read.report);
  } else {
    require(read.report.code == ErrorCode::FileReadFailed ||
            read.report.code == ErrorCode::FileFormatError ||
            read.report.code == ErrorCode::TooManyCities);
    require(!read.report.reason.empty() && read.report.line >= 0 && !read.instance);
  }
  checkObjectRead(data, size, read);
  return 0;
}
