// TOUR files. The reader measures the tour it reads with the distances of the object's own
// instance: the dimension must equal the instance's city count, and each entry must name a city
// of it (1-based in the file). The writer puts the tour's length in the COMMENT line.
#include <string>

#include "tsplib/text_output.h"
#include "tsplib/text_scanner.h"
#include "tsplib/tour_file.h"

namespace ringmarch {
namespace {

constexpr std::string_view kTourSection = "TOUR_SECTION";

}  // namespace

ErrorCode readTourStream(TourRecord& tour, const ProblemData& problem, std::FILE* stream) {
  TextScanner scanner(stream);
  initTour(tour, &problem, problem.count);

  std::string_view line;
  std::int32_t dimension = 0;
  for (;;) {
    if (!scanner.readLine(line)) return ErrorCode::FileReadFailed;
    const KeywordMatch match = matchIntegerKeyword(line, "DIMENSION", dimension);
    if (match == KeywordMatch::OutOfRange) return ErrorCode::FileReadFailed;
    if (match == KeywordMatch::Value) break;
  }
  if (dimension != problem.count) return ErrorCode::CityIdOutOfRange;

  do {
    if (!scanner.readLine(line)) return ErrorCode::FileReadFailed;
  } while (line.substr(0, kTourSection.size()) != kTourSection);

  for (std::int32_t k = 0; k < dimension; ++k) {
    std::int32_t entry = 0;
    // A -1 before the last entry ends the tour early: the tour is short.
    if (!scanner.readInteger(entry) || entry == -1) return ErrorCode::FileReadFailed;
    // An entry that names no city of the instance is never stored.
    if (entry < 1 || entry > dimension) return ErrorCode::CityIdOutOfRange;
    appendCity(tour, entry - 1);
  }
  return ErrorCode::Success;
}

ErrorCode readTourFile(TourRecord& tour, const ProblemData& problem, const FileName& file) {
  std::FILE* stream = openTextFile(file, false);
  if (stream == nullptr) return ErrorCode::FileOpenFailed;
  const ErrorCode code = readTourStream(tour, problem, stream);
  std::fclose(stream);
  return code;
}

bool writeTourStream(const TourRecord& tour, const ProblemData& problem, std::FILE* stream,
                     std::string_view name) {
  return writeTourStreamWithLength(tour, problem, stream, name, tour.length);
}

bool writeTourStreamWithLength(const TourRecord& tour, const ProblemData& problem,
                               std::FILE* stream, std::string_view name, std::int64_t length) {
  // One entry per city of the instance, but never past the tour's own entries: after a failed
  // instance read the instance's count may exceed the tour's, whose later entries hold nothing.
  const std::int32_t entries = problem.count < tour.count ? problem.count : tour.count;
  const std::span<const std::int32_t> order(tour.order,
                                            static_cast<std::size_t>(entries > 0 ? entries : 0));
  return writeTourText(order, problem.count, stream, name, length);
}

bool writeTourText(std::span<const std::int32_t> order, std::int32_t cities, std::FILE* stream,
                   std::string_view name, std::int64_t length) {
  std::fprintf(stream, "NAME : %s\n", nameLineText(name).c_str());
  std::fprintf(stream, "COMMENT : Length %lld\n", static_cast<long long>(length));
  std::fprintf(stream, "TYPE : TOUR\n");
  std::fprintf(stream, "DIMENSION : %d\n", cities);
  std::fprintf(stream, "TOUR_SECTION\n");
  for (const std::int32_t city : order) {
    if (std::fprintf(stream, "%d\n", city + 1) < 0) return false;
  }
  std::fprintf(stream, "-1\nEOF\n");
  return true;
}

ErrorCode writeTourFile(const TourRecord& tour, const ProblemData& problem, const FileName& file) {
  std::FILE* stream = openTextFile(file, true);
  if (stream == nullptr) return ErrorCode::FileOpenFailed;
  if (!writeTourStream(tour, problem, stream, file.narrow)) {
    std::fclose(stream);
    return ErrorCode::FileWriteFailed;
  }
  return finishOutput(stream) ? ErrorCode::Success : ErrorCode::FileWriteFailed;
}

}  // namespace ringmarch
