// Feeds arbitrary bytes to the tolerant TOUR reader against instances of 0 to 127 cities (the
// first byte chooses) and checks its report: an accepted tour lists every city once; a refusal
// has a reason, a line within the input and a kind that fits its code, and stores at most one
// city more than the instance has (only to show a repeat), each in range. The stream and in-memory
// entries must answer alike, and an accepted tour, written by the strict writer, must read back the
// same.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "tsplib/tolerant_tour_reader.h"
#include "tsplib/tour_file.h"

namespace {

using ringmarch::fuzzing::require;

ringmarch::ProblemData problem;
ringmarch::TourRecord record;

bool sameReport(const ringmarch::TourReadReport& a, const ringmarch::TourReadReport& b) {
  return a.code == b.code && a.fault == b.fault && a.line == b.line && a.reason == b.reason &&
         a.tour == b.tour && a.dimension == b.dimension;
}

void checkWrittenTourReadsBack(const ringmarch::TourReadReport& report, int cities) {
  ringmarch::initProblemData(problem);
  problem.count = cities;
  ringmarch::initTour(record, &problem, cities);
  for (const std::int32_t city : report.tour) ringmarch::appendCity(record, city);
  ringmarch::fuzzing::OutputBuffer output;
  require(output.stream() != nullptr);
  require(ringmarch::writeTourStream(record, problem, output.stream(), "round.tour"));
  output.close();
  const std::string_view written(reinterpret_cast<const char*>(output.bytes()), output.size());
  const ringmarch::TourReadReport reread = ringmarch::readTourTextTolerant(written, cities);
  require(reread.code == ringmarch::ErrorCode::Success && reread.tour == report.tour);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int cities = data[0] % (ringmarch::kMaxCities + 1);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const ringmarch::TourReadReport report = ringmarch::readTourTextTolerant(text, cities);

  int lines = 0;
  for (const char c : text) lines += c == '\n';
  require(report.line >= 0 && report.line <= lines + 1);
  require(report.tour.size() <= static_cast<std::size_t>(cities) + (cities > 0 ? 1 : 0));
  if (report.tour.size() > static_cast<std::size_t>(cities)) {
    require(report.fault == ringmarch::TourFault::Repeated);
  }
  std::vector<bool> seen(static_cast<std::size_t>(cities), false);
  bool repeated = false;
  for (const std::int32_t city : report.tour) {
    require(city >= 0 && city < cities);
    repeated = repeated || seen[city];
    seen[city] = true;
  }
  const bool success = report.code == ringmarch::ErrorCode::Success;
  require(success == (report.fault == ringmarch::TourFault::None));
  require(success == report.reason.empty());
  if (success) {
    require(report.tour.size() == static_cast<std::size_t>(cities) && !repeated);
    require(report.dimension == -1 || report.dimension == cities);
    checkWrittenTourReadsBack(report, cities);
  }
  if (report.fault == ringmarch::TourFault::Repeated) require(repeated);
  if (report.fault == ringmarch::TourFault::Missing) {
    require(!repeated && report.tour.size() < static_cast<std::size_t>(cities));
  }

  ringmarch::fuzzing::MemoryStream input(data + 1, size - 1);
  if (input.stream() == nullptr) return 0;
  require(sameReport(report, ringmarch::readTourStreamTolerant(input.stream(), cities)));
  return 0;
}
