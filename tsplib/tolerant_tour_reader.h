// The tolerant TOUR file reader of the command line: TSPLIB tour files as they are published, with
// or without DIMENSION, any number of cities a line, the tour ended by -1, EOF or the end of the
// file, keywords in any case and order, blanks anywhere. A tour that is refused is answered with a
// code, the line and the reason in words: which city is out of range, repeated or missing, a
// DIMENSION that differs from the instance's size, or a TSP file given in place of a tour. The
// component's strict reader (tour_file.h) is a different reader and stays as it is.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "model/error_code.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// What kind of refusal a report holds, so that a caller can tell a file it could not read from a
// readable list of cities that is not a tour of the instance.
enum class TourFault {
  None,
  Unreadable,   // no TOUR_SECTION, a word that is not a city number, an empty or damaged file
  NotTourFile,  // a TSP or ATSP instance (or another TYPE) given where a tour belongs
  Dimension,    // DIMENSION differs from the instance's number of cities
  OutOfRange,   // a city number outside 1 to the instance's number of cities
  Repeated,     // a city listed twice (cities may also be missing)
  Missing,      // the tour ends before every city is listed
};

struct TourReadReport {
  ErrorCode code = ErrorCode::Success;
  TourFault fault = TourFault::None;
  int line = 0;        // 1-based line the refusal is about; 0 when it concerns no single line
  std::string reason;  // the refusal in English; empty on success
  // The cities as listed, 0-based, up to the end of the tour or the refusal; on success every
  // city of the instance once. Out-of-range entries are never stored; a list that repeats a city
  // is cut one entry past the instance's size, so it always shows the repeat.
  std::vector<std::int32_t> tour;
  int dimension = -1;  // DIMENSION as read; -1 when the file gives none

  // "line 5: reason", or the reason alone when no line is named.
  std::string where() const;
};

// Reads a tour of an instance of `cities` cities (1 to kMaxInstanceCities).
TourReadReport readTourFileTolerant(const FileName& file, std::int32_t cities);
// The same from an open stream, which stays open.
TourReadReport readTourStreamTolerant(std::FILE* stream, std::int32_t cities);
// The same from the file's bytes in memory (any bytes; NUL is a byte like any other).
TourReadReport readTourTextTolerant(std::string_view text, std::int32_t cities);

}  // namespace ringmarch
