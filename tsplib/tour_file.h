// TSPLIB TOUR files: reading a tour against the object's instance and writing it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include <ringmarch/errors.hpp>
#include <ringmarch/tsplib.hpp>

#include "model/problem_data.h"
#include "solver/tour_record.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// Re-initialises tour over problem and fills it from the file. Answers Success, FileOpenFailed,
// FileReadFailed or CityIdOutOfRange.
ErrorCode readTourFile(TourRecord& tour, const ProblemData& problem, const FileName& file);
// The same from an open stream, which stays open.
ErrorCode readTourStream(TourRecord& tour, const ProblemData& problem, std::FILE* stream);

// Writes the tour with its length. Answers Success, FileOpenFailed or FileWriteFailed.
ErrorCode writeTourFile(const TourRecord& tour, const ProblemData& problem, const FileName& file);
// The file's text into an open stream, with name in the NAME line. False when an entry could not
// be written; other errors stay in the stream's error indicator.
bool writeTourStream(const TourRecord& tour, const ProblemData& problem, std::FILE* stream,
                     std::string_view name);
// The same with the length given by the caller for the COMMENT line: a front end that measures
// tours in 64 bits writes what it measured.
bool writeTourStreamWithLength(const TourRecord& tour, const ProblemData& problem,
                               std::FILE* stream, std::string_view name, std::int64_t length);

}  // namespace ringmarch
