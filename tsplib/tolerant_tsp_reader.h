// The tolerant TSP file reader of the command line and the C++ API: TSPLIB's keywords in any
// order and case, blanks anywhere, every symmetric distance rule TSPLIB defines for coordinates
// (EUC_2D, CEIL_2D, ATT, GEO, MAN_2D, MAN_3D, MAX_2D, MAX_3D, EUC_3D) and explicit matrices in
// all nine layouts, TSP and ATSP files. A refused file is answered with the same codes as the
// strict reader (FileOpenFailed, FileReadFailed, FileFormatError, TooManyCities) and, beside the
// code, the line and the reason in words. The instance changes only when the whole file was read.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "model/error_code.h"
#include "model/problem_data.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// The most cities of an asymmetric instance: its symmetric form has twice as many.
inline constexpr int kMaxAsymmetricCities = kMaxCities / 2;

struct TspReadReport {
  ErrorCode code = ErrorCode::Success;
  int line = 0;        // 1-based line the refusal is about; 0 when it concerns no single line
  std::string reason;  // the refusal in English; empty on success
  // What the caller should know of an instance that was read (an asymmetric matrix of more
  // cities than an exact asymmetric solve takes).
  std::vector<std::string> notes;
  std::string nameKeyword;       // NAME as written, blanks around it dropped; empty when none
  std::string type;              // TYPE as read, upper case ("TSP" when the file gives none)
  std::string edgeWeightType;    // EDGE_WEIGHT_TYPE, upper case
  int edgeWeightTypeLine = 0;    // the line of EDGE_WEIGHT_TYPE
  std::string edgeWeightFormat;  // EDGE_WEIGHT_FORMAT, upper case, empty when none
  bool asymmetric = false;       // some distance differs from its reverse
  // GEO: the instance's x is the longitude and y the latitude (north up in pictures), the file's
  // DDD.MM values converted to degrees.
  bool geographic = false;

  // "line 5: reason", or the reason alone when no line is named.
  std::string where() const;
};

// Reads a TSP or ATSP file into problem. On success the instance is replaced whole; on failure it
// is untouched and the report holds the code, the line and the reason.
TspReadReport readTspFileTolerant(ProblemData& problem, const FileName& file);
// The same from an open stream (which stays open); name becomes the instance's name.
TspReadReport readTspStreamTolerant(ProblemData& problem, std::FILE* stream, std::string_view name);

}  // namespace ringmarch
